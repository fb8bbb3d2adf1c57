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
// coordinates along the lower and left edges. Presses and releases of the mouse button on the
// squares go to the game manager, which decides what they mean (a click, or a man dragged to its
// destination); while a man is held it follows the pointer. The arrow keys, Home and End step
// through the game. A pending promotion shows the choice over the board.
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
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The position to draw changed: the live board moved or another earlier one is inspected.
    void refreshDisplayedBoard();
    std::optional<Move> displayedLastMove() const;
    std::optional<Square> squareUnder(QPointF point) const;
    // The held man's square while it is drawn under the pointer.
    std::optional<Square> draggedSquare() const;
    void paintDraggedPiece(QPainter& painter, double side) const;
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
    // The pointer while the button is held, from the press on; the man follows it once it has
    // moved further than a click's jitter.
    std::optional<QPointF> m_pressPoint;
    QPointF m_pointer;
    bool m_dragging = false;
};

} // namespace velkor
