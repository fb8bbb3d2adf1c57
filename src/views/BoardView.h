#pragma once

#include "chess/ChessBoard.h"
#include "chess/Move.h"

#include <QWidget>
#include <optional>

namespace velkor {

class GameManager;
class LocalizationManager;
class PromotionOverlay;

// The board: the displayed position (an inspected earlier one while the user steps through the
// game) with the last move, the selection, check and the selected man's destinations marked, and
// coordinates along the lower and left edges. A click on a square goes to the game manager, which
// decides what it means; a pending promotion shows the choice over the board.
class BoardView : public QWidget {
    Q_OBJECT

public:
    BoardView(GameManager& game, LocalizationManager& localization, QWidget* parent = nullptr);

    // Side of the drawn board in logical pixels (a whole number of device pixels per square).
    double boardSize() const;
    // Where the board sits inside the widget.
    QRectF boardRect() const;
    // The centre of a square in widget coordinates (for clicks by tests and tools).
    QPoint squareCenter(Square square) const;

    PromotionOverlay& promotionOverlay();

    QSize sizeHint() const override { return {560, 560}; }
    QSize minimumSizeHint() const override { return {240, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The position to draw changed: the live board moved or another earlier one is inspected.
    void refreshDisplayedBoard();
    std::optional<Move> displayedLastMove() const;
    void paintSquares(QPainter& painter, double side, bool flipped) const;
    void paintMarks(QPainter& painter, double side, bool flipped) const;
    void paintCheck(QPainter& painter, double side, bool flipped) const;
    void paintPieces(QPainter& painter, double side, bool flipped) const;
    void paintDestinations(QPainter& painter, double side, bool flipped) const;
    void paintCoordinates(QPainter& painter, double side, bool flipped) const;

    GameManager& m_game;
    LocalizationManager& m_localization;
    ChessBoard m_displayed;
    PromotionOverlay* m_promotion = nullptr;
};

} // namespace velkor
