#include "AppMenus.h"

#include "game/BoardShapes.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/SoundManager.h"
#include "views/BoardAppearance.h"
#include "views/GameCommands.h"
#include "views/GameReviewView.h"
#include "views/LocalizedText.h"
#include "views/PGNExporter.h"
#include "views/PGNOpenFlow.h"
#include "views/SettingsDialog.h"
#include "views/SetupPositionDialog.h"
#include "views/panel/RightPanelView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

namespace velkor {
namespace {

QAction* addItem(QMenu* menu, const QKeySequence& shortcut, std::function<void()> action) {
    auto* item = menu->addAction(QString());
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
    }
    QObject::connect(item, &QAction::triggered, menu, [action = std::move(action)] { action(); });
    return item;
}

void bindText(QAction* item, LocalizationManager& localization, const char* key) {
    bindLocalizedText(item, localization, QLatin1String(key),
                      [item](const QString& text) { item->setText(text); });
}

} // namespace

PGNOpenFlow& pgnOpenFlow(QWidget& window, GameManager& game, LocalizationManager& localization) {
    // One flow per window, made at first use: opening another file gives up the one being read.
    if (auto* flow = window.findChild<PGNOpenFlow*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *flow;
    }
    QPointer<QWidget> guard(&window);
    const auto notify = [guard, &localization](const QString& note) {
        if (!guard) {
            return;
        }
        // The panel's toast where the window has one, an alert otherwise.
        if (auto* panel = guard->findChild<RightPanelView*>()) {
            panel->showToast(note);
        } else {
            QMessageBox::information(guard, localization.text(QStringLiteral("dialog_open_pgn")),
                                     note);
        }
    };
    return *new PGNOpenFlow(window, game, localization, notify, &window);
}

void openPGNInto(QWidget& window, GameManager& game, LocalizationManager& localization) {
    PGNExporter::openPGNDialog(&window, [&window, &game, &localization](const QString& path) {
        pgnOpenFlow(window, game, localization).open(path);
    });
}

AppMenus::AppMenus(QMenuBar& menuBar, QWidget& window, GameManager& game,
                   platform::SoundManager& soundManager, LocalizationManager& localization,
                   AppActions actions)
    : QObject(&menuBar) {
    if (!actions.openPGN) {
        actions.openPGN = [&window, &game, &localization] {
            openPGNInto(window, game, localization);
        };
    }
    if (!actions.savePGN) {
        actions.savePGN = [&window, &game] {
            PGNExporter::savePGNDialog(&window, BoardShapes::of(game).exportPGN(),
                                       QStringLiteral("velkor_game.pgn"));
        };
    }

    GameCommands& commands = GameCommands::of(window, game, localization);
    newGame = commands.newGame;
    undo = commands.undo;
    flipBoard = commands.flipBoard;
    pause = commands.pause;
    resign = commands.resign;
    claimDraw = commands.claimDraw;

    QMenu* file = menuBar.addMenu(QString());
    bindLocalizedText(file, localization, QStringLiteral("menu_file"),
                      [file](const QString& text) { file->setTitle(text); });
    file->addAction(newGame);
    newGame->setShortcut(QKeySequence::New);
    openPGN = addItem(file, QKeySequence::Open, actions.openPGN);
    bindText(openPGN, localization, "menu_open_pgn");
    savePGN = addItem(file, QKeySequence::Save, actions.savePGN);
    bindText(savePGN, localization, "btn_save_pgn");
    file->addSeparator();
    quit = addItem(
        file, QKeySequence::Quit, actions.quit ? actions.quit : [&window] { window.close(); });
    bindText(quit, localization, "menu_quit");
    quit->setMenuRole(QAction::QuitRole);

    QMenu* gameMenu = menuBar.addMenu(QString());
    bindLocalizedText(gameMenu, localization, QStringLiteral("menu_game"),
                      [gameMenu](const QString& text) { gameMenu->setTitle(text); });
    gameMenu->addAction(undo);
    undo->setShortcut(QKeySequence::Undo);
    gameMenu->addAction(flipBoard);
    flipBoard->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    gameMenu->addSeparator();
    // A window shortcut: the focused widget is asked first (QEvent::ShortcutOverride), and text
    // fields claim the space bar for typing, so only elsewhere in the window does it pause.
    gameMenu->addAction(pause);
    pause->setShortcut(QKeySequence(Qt::Key_Space));
    pause->setShortcutContext(Qt::WindowShortcut);
    gameMenu->addAction(resign);
    gameMenu->addAction(claimDraw);
    gameMenu->addSeparator();
    // The editor starts from the position the board shows, so a position met in a game can be
    // changed and tried out.
    setUpPosition = addItem(gameMenu, {}, [&window, &game, &localization] {
        auto* dialog = new SetupPositionDialog(
            game, localization, QString::fromStdString(game.displayedBoard().fen()), &window);
        dialog->setObjectName(QStringLiteral("setupPosition"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
    bindText(setUpPosition, localization, "menu_setup_position");
    gameMenu->addSeparator();
    sounds = addItem(gameMenu, {},
                     [&soundManager] { soundManager.setIsMuted(!soundManager.isMuted()); });
    sounds->setCheckable(true);
    sounds->setChecked(!soundManager.isMuted());
    bindText(sounds, localization, "menu_sounds");
    connect(&soundManager, &platform::SoundManager::isMutedChanged, sounds,
            [this](bool muted) { sounds->setChecked(!muted); });

    // The board's look: one window, raised again when it is already open.
    settings = addItem(gameMenu, QKeySequence::Preferences, [&window, &localization] {
        auto* dialog = window.findChild<SettingsDialog*>();
        if (!dialog) {
            dialog = new SettingsDialog(BoardAppearance::shared(), localization, &window);
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    bindText(settings, localization, "menu_settings");
    settings->setMenuRole(QAction::PreferencesRole);

    // The review of the game on the board, in a window of its own.
    gameMenu->addSeparator();
    reviewGame = addItem(gameMenu, {}, [&window, &game, &localization] {
        openGameReview(window, game, localization);
    });
    bindText(reviewGame, localization, "menu_review_game");

    QMenu* analysis = menuBar.addMenu(QString());
    bindLocalizedText(analysis, localization, QStringLiteral("menu_analysis"),
                      [analysis](const QString& text) { analysis->setTitle(text); });
    // Checkable: it shows whether the analysis runs, and the window turns it on and off.
    analyse = analysis->addAction(QString());
    analyse->setObjectName(QStringLiteral("analyseAction"));
    analyse->setCheckable(true);
    analyse->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    bindText(analyse, localization, "menu_analyse");

    QMenu* help = menuBar.addMenu(QString());
    bindLocalizedText(help, localization, QStringLiteral("menu_help"),
                      [help](const QString& text) { help->setTitle(text); });
    about = addItem(
        help, {}, actions.openAbout ? actions.openAbout : [] {});
    about->setMenuRole(QAction::AboutRole);
    bindText(about, localization, "menu_about");
    checkForUpdates = addItem(
        help, {}, actions.checkForUpdates ? actions.checkForUpdates : [] {});
    bindText(checkForUpdates, localization, "menu_check_updates");
    checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);

    // Shortcuts must work while the menu bar is hidden or the window has no menu bar focus.
    window.addActions({newGame, openPGN, savePGN, quit, undo, flipBoard, pause, analyse});
}

} // namespace velkor
