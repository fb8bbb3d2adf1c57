#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMenuBar;
class QWidget;

namespace velkor {

class GameManager;
class LocalizationManager;
namespace platform {
class SoundManager;
}

// What the menus reach beyond the game and the sound manager. Unset entries fall back to the
// program's own behaviour (the file dialogs), so tests replace only what they watch.
struct AppActions {
    std::function<void()> openAbout;
    std::function<void()> checkForUpdates;
    std::function<void()> openPGN;
    std::function<void()> savePGN;
    std::function<void()> quit;
};

// The menu bar: File (new game, open and save PGN, quit), Game (undo, flip; pause, resign, claim
// draw; sounds; settings), Analysis (analyse, which the window connects to its analysis) and Help
// (about, check for updates). Labels follow the language. The game's items are the window's shared
// game commands (see GameCommands), which the panel's buttons run too. Space pauses through a
// window shortcut that text fields override, so typing a blank in a field never pauses the game.
class AppMenus : public QObject {
    Q_OBJECT

public:
    AppMenus(QMenuBar& menuBar, QWidget& window, GameManager& game, platform::SoundManager& sounds,
             LocalizationManager& localization, AppActions actions);

    QAction* newGame = nullptr;
    QAction* openPGN = nullptr;
    QAction* savePGN = nullptr;
    QAction* quit = nullptr;
    QAction* undo = nullptr;
    QAction* flipBoard = nullptr;
    QAction* pause = nullptr;
    QAction* resign = nullptr;
    QAction* claimDraw = nullptr;
    QAction* setUpPosition = nullptr;
    QAction* sounds = nullptr;
    QAction* analyse = nullptr;
    QAction* settings = nullptr;
    QAction* about = nullptr;
    QAction* checkForUpdates = nullptr;
    QAction* reviewGame = nullptr;
};

class PGNOpenFlow;

// The window's flow that opens PGN files into the game, telling its notes in the panel's toast.
PGNOpenFlow& pgnOpenFlow(QWidget& window, GameManager& game, LocalizationManager& localization);

// Asks for a PGN file and opens it through the window's flow: the list of its games when it
// holds several, its game otherwise; a file that cannot be read or parsed is reported in an
// alert and the current game stays.
void openPGNInto(QWidget& window, GameManager& game, LocalizationManager& localization);

} // namespace velkor
