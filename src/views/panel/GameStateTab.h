#pragma once

#include <QWidget>

class QLabel;
class QTableWidget;

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The game at a glance: each player's captured men and the material balance, the number of
// moves and the move list numbered by move pairs, the current move highlighted; clicking a move
// shows that position, and with the move list focused the arrow keys, Home and End step through
// the game as on the board.
class GameStateTab : public QWidget {
    Q_OBJECT

public:
    GameStateTab(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshPlayers();
    void refreshMoves();
    void refreshHighlight();
    // The move list, built on first use.
    QTableWidget& moveTable();

    GameManager& m_games;
    LocalizationManager& m_localization;
    QLabel* m_whiteCaptured;
    QLabel* m_blackCaptured;
    QLabel* m_material;
    QLabel* m_movesCount;
    QLabel* m_noMoves;
    QTableWidget* m_moves = nullptr;
    // Where the move list goes in the tab's column.
    int m_movesSlot = 0;
};

} // namespace velkor::panel
