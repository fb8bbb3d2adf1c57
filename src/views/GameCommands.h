#pragma once

#include <QObject>

class QAction;
class QWidget;

namespace velkor {

class GameManager;
class LocalizationManager;

// The game's commands as one set of actions that the menu bar and the panel's buttons share: each
// with its text in the interface language (pause reads as resume while the game is paused), the
// operation it runs and the one rule for when it can run, so menu and buttons never disagree.
// Resigning asks first: a stray click must not end the game.
class GameCommands : public QObject {
    Q_OBJECT

public:
    GameCommands(QWidget& window, GameManager& game, LocalizationManager& localization);

    // The commands of `window`, made at first use and kept as long as the window.
    static GameCommands& of(QWidget& window, GameManager& game, LocalizationManager& localization);

    QAction* const newGame;
    QAction* const undo;
    QAction* const flipBoard;
    QAction* const pause;
    QAction* const resign;
    QAction* const claimDraw;

private:
    void refresh();

    GameManager& m_game;
    LocalizationManager& m_localization;
};

} // namespace velkor
