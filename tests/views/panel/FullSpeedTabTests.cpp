// A full-speed match run from the Automatch tab as a person would: switch the mode, set the
// match up with the tab's own controls, start it, and read what the tab shows and the history
// holds when it ends.
#include "InstantEngineScript.h"
#include "PanelClicks.h"
#include "PanelWorld.h"
#include "QtTestSupport.h"
#include "automatch/FullSpeedMatch.h"
#include "views/panel/AutomatchTab.h"
#include "views/panel/FullSpeedProgressView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace velkor::testing {
namespace {

using namespace std::chrono_literals;

// An instantly moving engine that always reports `score` for the side it plays.
EngineConfiguration instantEngine(const QTemporaryDir& dir, const QString& name, int score,
                                  const QString& record = {}) {
    QString arguments = QStringLiteral("--score %1").arg(score);
    if (!record.isEmpty()) {
        arguments += QStringLiteral(" --record '%1'").arg(record);
    }
    const QString path = instantEngineScript(dir.filePath(name), arguments);
    EngineConfiguration engine = EngineConfiguration::makeNew(name, path, QString());
    engine.threads = 1;
    engine.hashMB = 16;
    return engine;
}

class FullSpeedTabTest : public ::testing::Test {
protected:
    FullSpeedTabTest() {
        world.automatch.setEngine1(instantEngine(dir, QStringLiteral("Hopeless"), -900));
        world.automatch.setEngine2(instantEngine(dir, QStringLiteral("Calm"), 0));
        tab.resize(480, 1600);
        tab.show();
    }

    QTemporaryDir dir;
    PanelWorld world;
    panel::AutomatchTab tab{world.automatch, world.games, world.engines, world.localization};
};

TEST_F(FullSpeedTabTest, AMatchStartedByClicksIsDecidedByTheTestAndLandsInTheHistory) {
    EXPECT_TRUE(find(tab, QStringLiteral("startAutomatchButton"))->isVisible());
    EXPECT_FALSE(find(tab, QStringLiteral("fullSpeedSettings"))->isVisible());
    click(tab, QStringLiteral("automatchFullSpeedMode"));
    EXPECT_FALSE(find(tab, QStringLiteral("startAutomatchButton"))->isVisible());
    EXPECT_FALSE(find(tab, QStringLiteral("automatchPauseSlider"))->isVisible());
    EXPECT_TRUE(find(tab, QStringLiteral("automatchEngine1Picker"))->isVisible());
    ASSERT_TRUE(find(tab, QStringLiteral("fullSpeedSettings"))->isVisible());

    // The engine that always sees itself lost resigns after its first move, so every game goes
    // to the other one and the test must reject "no worse" long before the last game.
    find<QSpinBox>(tab, QStringLiteral("fullSpeedGames"))->setValue(400);
    find<QSpinBox>(tab, QStringLiteral("fullSpeedConcurrency"))->setValue(2);
    click(tab, QStringLiteral("fullSpeedResign"));
    find<QSpinBox>(tab, QStringLiteral("fullSpeedResignMoves"))->setValue(1);
    find<QSpinBox>(tab, QStringLiteral("fullSpeedResignScore"))->setValue(500);
    click(tab, QStringLiteral("fullSpeedSprt"));
    find<QDoubleSpinBox>(tab, QStringLiteral("fullSpeedElo0"))->setValue(0);
    find<QDoubleSpinBox>(tab, QStringLiteral("fullSpeedElo1"))->setValue(10);
    automatch::FullSpeedMatch& match = tab.fullSpeedMatch();
    ASSERT_TRUE(match.settings().sprt.has_value());
    ASSERT_TRUE(match.settings().adjudication.resign.has_value());
    EXPECT_EQ(match.settings().adjudication.resign->moveCount, 1);
    EXPECT_EQ(match.settings().games, 400);

    click(tab, QStringLiteral("copyFastchessCommandButton"));
    const QString command = QApplication::clipboard()->text();
    EXPECT_TRUE(command.startsWith(QStringLiteral("fastchess -engine cmd=")))
        << command.toStdString();
    EXPECT_TRUE(command.contains(QStringLiteral("-sprt elo0=0"))) << command.toStdString();
    EXPECT_TRUE(command.contains(QStringLiteral("-concurrency 2"))) << command.toStdString();

    click(tab, QStringLiteral("startFullSpeedButton"));
    ASSERT_TRUE(match.status().running) << match.error().value_or(QString()).toStdString();
    EXPECT_FALSE(find(tab, QStringLiteral("fullSpeedSettings"))->isEnabled());
    EXPECT_FALSE(find(tab, QStringLiteral("automatchConfig"))->isEnabled());
    EXPECT_FALSE(find(tab, QStringLiteral("automatchWatchMode"))->isEnabled());
    click(tab, QStringLiteral("fullSpeedShowBoards"));
    ASSERT_TRUE(waitUntil([&] { return !match.status().running; }, 60s));

    const automatch::FullSpeedStatus& status = match.status();
    ASSERT_EQ(status.end, automatch::MatchEnd::SprtDecided) << status.failure.toStdString();
    ASSERT_TRUE(status.summary.has_value());
    const automatch::MatchCounts& counts = status.summary->counts;
    EXPECT_EQ(counts.wins, 0);
    EXPECT_EQ(counts.draws, 0);
    EXPECT_GT(counts.losses, 0);
    EXPECT_LT(counts.games(), 400);
    EXPECT_EQ(counts.pairs.lossLoss * 2, counts.games());
    // Every finished game is in the history, the counted ones and any that ended beside them.
    EXPECT_EQ(world.automatch.historyCount(), status.finishedGames);
    EXPECT_GE(status.finishedGames, counts.games());
    EXPECT_EQ(world.automatch.engine2Wins(), world.automatch.historyCount());
    EXPECT_EQ(world.automatch.seriesEngines()->engine1Name, "Hopeless");
    const QList<AutomatchGameRecord> records = world.automatch.readWholeHistory();
    ASSERT_FALSE(records.isEmpty());
    EXPECT_FALSE(records.front().movesUCI.isEmpty());
    EXPECT_TRUE(records.front().pgn.contains(QStringLiteral("[White \"")));

    EXPECT_EQ(find<QLabel>(tab, QStringLiteral("fullSpeedEnd"))->text(),
              "The test has decided: H0 accepted.");
    EXPECT_TRUE(
        find<QLabel>(tab, QStringLiteral("fullSpeedPairs"))
            ->text()
            .startsWith(QStringLiteral("Ptnml(0-2): [%1, 0, 0, 0, 0]").arg(counts.pairs.lossLoss)));
    auto* bar = find<panel::LlrBar>(tab, QStringLiteral("fullSpeedLlrBar"));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_LE(bar->llr(), status.summary->sprt->lowerBound());
    EXPECT_EQ(find<QProgressBar>(tab, QStringLiteral("fullSpeedProgressBar"))->value(),
              status.finishedGames);
    EXPECT_TRUE(find(tab, QStringLiteral("fullSpeedSettings"))->isEnabled());
    EXPECT_TRUE(find(tab, QStringLiteral("automatchWatchMode"))->isEnabled());
}

// Two opening pairs as a runner writes them, games in the order they finished (round 2's second
// game first): Alpha, White in the match's first game, wins both games of round 1 and draws both
// of round 2.
const char* const matchFile = R"([Event "?"]
[Round "1"]
[White "Alpha"]
[Black "Beta"]
[Result "1-0"]

1. e4 f6 2. d4 g5 3. Qh5# 1-0

[Event "?"]
[Round "1"]
[White "Beta"]
[Black "Alpha"]
[Result "0-1"]
[Termination "adjudication"]

1. f3 e5 2. g4 Qh4# 0-1

[Event "?"]
[Round "2"]
[White "Beta"]
[Black "Alpha"]
[Result "1/2-1/2"]

1. Nf3 Nf6 1/2-1/2

[Event "?"]
[Round "2"]
[White "Alpha"]
[Black "Beta"]
[Result "1/2-1/2"]

1. Nf3 Nf6 2. Ng1 Ng8 1/2-1/2
)";

// Picks `path` in the tab's import dialog.
void importThroughTheDialog(panel::AutomatchTab& tab, const QString& path) {
    click(tab, QStringLiteral("importMatchButton"));
    auto* dialog = find<QFileDialog>(tab, QStringLiteral("importMatchDialog"));
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(path);
    // As the Open button does: the dialog checks the file and reports it.
    static_cast<QDialog*>(dialog)->accept();
}

TEST_F(FullSpeedTabTest, AnImportedMatchFileShowsItsCountsAndFillsTheHistory) {
    click(tab, QStringLiteral("automatchFullSpeedMode"));
    QString toast;
    QObject::connect(&tab, &panel::AutomatchTab::toastRequested,
                     [&toast](const QString& text) { toast = text; });

    const QString good = dir.filePath(QStringLiteral("match.pgn"));
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::WriteOnly));
    goodFile.write(matchFile);
    goodFile.close();
    importThroughTheDialog(tab, good);
    EXPECT_EQ(toast, "4 games imported.");
    EXPECT_EQ(world.automatch.historyCount(), 4);
    EXPECT_EQ(world.automatch.seriesEngines()->engine1Name, "Alpha");
    EXPECT_EQ(world.automatch.engine1Wins(), 2);
    EXPECT_EQ(world.automatch.draws(), 2);
    EXPECT_EQ(find<QLabel>(tab, QStringLiteral("fullSpeedScore"))->text(),
              "Alpha: 2 wins, 0 losses, 2 draws · 3.0 of 4");
    EXPECT_EQ(find<QLabel>(tab, QStringLiteral("fullSpeedPairs"))->text(),
              "Ptnml(0-2): [0, 0, 1, 0, 1], WL/DD Ratio: 0.00");
    EXPECT_FALSE(find(tab, QStringLiteral("automatchMessage"))->isVisible());

    // A file that is not a two-engine match changes nothing and says why.
    const QString bad = dir.filePath(QStringLiteral("three.pgn"));
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write(QByteArray(matchFile).replace("Beta", "Gamma").append(matchFile));
    badFile.close();
    importThroughTheDialog(tab, bad);
    EXPECT_TRUE(find(tab, QStringLiteral("automatchMessage"))->isVisible());
    EXPECT_EQ(world.automatch.historyCount(), 4);
    EXPECT_EQ(world.automatch.seriesEngines()->engine1Name, "Alpha");
}

// Processes whose command line mentions `text`, read from /proc.
int processesMentioning(const QString& text) {
    int found = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toInt() > 0 && commandLine.open(QIODevice::ReadOnly) &&
            commandLine.readAll().contains(text.toUtf8())) {
            ++found;
        }
    }
    return found;
}

TEST_F(FullSpeedTabTest, ClosingTheWindowMidMatchLeavesNoEngineRunning) {
    const QString marker = dir.filePath(QStringLiteral("engines.log"));
    world.automatch.setEngine1(instantEngine(dir, QStringLiteral("One"), 0, marker));
    world.automatch.setEngine2(instantEngine(dir, QStringLiteral("Two"), 0, marker));
    auto closing = std::make_unique<panel::AutomatchTab>(world.automatch, world.games,
                                                         world.engines, world.localization);
    closing->show();
    click(*closing, QStringLiteral("automatchFullSpeedMode"));
    find<QSpinBox>(*closing, QStringLiteral("fullSpeedGames"))->setValue(10'000);
    find<QSpinBox>(*closing, QStringLiteral("fullSpeedConcurrency"))->setValue(2);
    click(*closing, QStringLiteral("startFullSpeedButton"));
    automatch::FullSpeedMatch& match = closing->fullSpeedMatch();
    ASSERT_TRUE(waitUntil([&] { return match.status().finishedGames >= 4; }, 30s));
    ASSERT_EQ(processesMentioning(marker), 4) << "two games at once, two engines each";

    closing.reset();
    EXPECT_EQ(processesMentioning(marker), 0);
    // What finished before the window closed stays in the history.
    EXPECT_GE(world.automatch.historyCount(), 4);
}

TEST_F(FullSpeedTabTest, ARefusedStartSaysWhyAndTheSettingsOutliveTheTab) {
    click(tab, QStringLiteral("automatchFullSpeedMode"));
    automatch::FullSpeedSettings settings = tab.fullSpeedMatch().settings();
    settings.openingFile = dir.filePath(QStringLiteral("gone.epd"));
    tab.fullSpeedMatch().setSettings(settings);
    click(tab, QStringLiteral("startFullSpeedButton"));
    EXPECT_FALSE(tab.fullSpeedMatch().status().running);
    auto* message = find<QLabel>(tab, QStringLiteral("automatchMessage"));
    EXPECT_TRUE(message->isVisible());
    EXPECT_TRUE(message->text().contains(QStringLiteral("gone.epd")))
        << message->text().toStdString();
    EXPECT_EQ(world.automatch.historyCount(), 0);

    find<QSpinBox>(tab, QStringLiteral("fullSpeedGames"))->setValue(64);
    automatch::FullSpeedMatch again(world.automatch);
    EXPECT_EQ(again.settings().games, 64);
    EXPECT_EQ(again.settings().openingFile, settings.openingFile);
}

} // namespace
} // namespace velkor::testing
