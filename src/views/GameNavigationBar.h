#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;
class QToolButton;

namespace velkor {

class ChessBoard;
class GameManager;
class LocalizationManager;

// Under the board: buttons that step through the game (to the first position, one move back,
// one forward, to the live position), the move whose position is shown, and, while an earlier
// position is shown, a plain "back to the game" button, so nobody is left looking at an old
// position without a way back.
class GameNavigationBar : public QWidget {
    Q_OBJECT

public:
    GameNavigationBar(GameManager& game, LocalizationManager& localization,
                      QWidget* parent = nullptr);

private:
    QToolButton* addStepButton(const QString& objectName, int glyph, const char* key);
    void refresh();

    GameManager& m_game;
    LocalizationManager& m_localization;
    QToolButton* m_start;
    QToolButton* m_back;
    QToolButton* m_forward;
    QToolButton* m_end;
    QLabel* m_shown;
    QPushButton* m_backToGame;
};

// "12. e4" or "12… e5": the move of history entry `index` of `board` with its number, as a move
// list reads.
QString numberedMove(const ChessBoard& board, std::int64_t index);

} // namespace velkor
