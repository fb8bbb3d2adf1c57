// Pictures of the control panel alone at its intended size: every tab in every language, with
// a finished two-game Stockfish series in the history and a paused engine game on the analysis
// tab. Usage: panel_screenshots [folder] (default /tmp/panel-shots).
#include "PanelWorld.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>

using namespace velkor;
using namespace velkor::testing;

namespace {

void runFor(
    int milliseconds, const std::function<bool()>& done = [] { return false; }) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired() && !done()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
}

} // namespace

int main(int argc, char** argv) {
    const QTemporaryDir home;
    setUpProgramBesideTheTests(home);
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/panel-shots");
    QDir().mkpath(folder);

    PanelWorld world;
    world.panel.show();
    if (stockfishInstalled()) {
        const EngineConfiguration first = stockfishNamed(QStringLiteral("Stockfish"));
        const EngineConfiguration second = stockfishNamed(QStringLiteral("Stockfish 2"));
        world.engines.setAvailableEngines({first, second});
        world.engines.setSelectedWhiteEngine(first);
        world.engines.setSelectedBlackEngine(second);
        world.engines.updateEngineConfig(second.id, true, 3190);

        world.games.setTimeControlConfig(
            {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedDepth(2)});
        world.automatch.setPauseBetweenGamesSeconds(0);
        world.automatch.setOpeningFENs({QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1"),
                                        QStringLiteral("3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1")});
        world.automatch.start(2, first, second);
        runFor(60'000, [&] { return !world.automatch.isAutomatchActive(); });

        world.games.setTimeControlConfig(
            {TimeControlPreset::blitz5_3, 5, 3, EngineThinkingMode::fixedMoveTime(0.2)});
        world.games.setGameMode(GameMode::engineVsEngine);
        world.games.setEngineStrength(PieceColor::black, true, 3190);
        world.games.startNewGame();
        runFor(6'000);
        world.games.togglePause();
        runFor(500);
    }

    auto* tabs = world.panel.findChild<QStackedWidget*>(QStringLiteral("panelTabs"));
    for (const Language language : allLanguages) {
        world.localization.setCurrentLanguage(language);
        const QString code = QString::fromLatin1(id(language).data(), 2);
        for (int tab = 0; tab < tabs->count(); ++tab) {
            world.panel.setSelectedTab(tab);
            if (tab == RightPanelView::enginesTab) {
                // The second engine's strength editor, open.
                const auto buttons =
                    world.panel.findChildren<QAbstractButton*>(QStringLiteral("editEloButton"));
                if (buttons.size() > 1 && !buttons[1]->isChecked()) {
                    buttons[1]->click();
                }
            }
            if (tab == RightPanelView::exportTab) {
                world.panel.showToast(
                    world.localization.text(QStringLiteral("copied_to_clipboard")));
            }
            runFor(300);
            const QString name = folder + QStringLiteral("/%1_tab%2").arg(code).arg(tab);
            world.panel.grab().save(name + QStringLiteral(".png"));
            // The whole tab, also the part below the fold.
            auto* scroll = static_cast<QScrollArea*>(tabs->widget(tab));
            QWidget* content = scroll->widget();
            content->grab(QRect(QPoint(0, 0), content->size()))
                .save(name + QStringLiteral("_full.png"));
        }
    }
    // The new game tab as it looks against an engine, with the opponent's strength limited.
    world.games.setGameMode(GameMode::humanVsEngine);
    world.panel.setSelectedTab(RightPanelView::newGameTab);
    if (auto* toggle = world.panel.findChild<QWidget*>(QStringLiteral("opponentEloRow"))
                           ->findChild<QAbstractButton*>(QStringLiteral("eloToggle"))) {
        toggle->click();
    }
    for (const Language language : allLanguages) {
        world.localization.setCurrentLanguage(language);
        runFor(300);
        world.panel.grab().save(folder + QStringLiteral("/%1_tab3_against_engine.png")
                                             .arg(QString::fromLatin1(id(language).data(), 2)));
    }
    std::printf("screenshots in %s\n", qPrintable(folder));
    return 0;
}
