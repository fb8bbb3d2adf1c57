#pragma once

#include "chess/ChessBoard.h"
#include "chess/Move.h"
#include "chess/PGNCommands.h"

#include <QWidget>
#include <optional>

namespace velkor {

class BoardAppearance;
class BoardShapes;
class GameManager;
class PremoveQueue;
class LocalizationManager;
class PromotionOverlay;

// The board: the displayed position (an inspected earlier one while the user steps through the
// game) with the last move, the selection, check and the selected man's destinations marked, and
// coordinates along the lower and left edges. Presses and releases of the mouse button on the
// squares go to the game manager, which decides what they mean (a click, or a man dragged to its
// destination); while a man is held it follows the pointer. The arrow keys, Home and End step
// through the game. A pending promotion shows the choice over the board.
// The right button draws: dragged from one square to another an arrow, clicked on a square a
// circle (green; red with Shift, blue with Alt, yellow with both); a left click clears them.
// While the engine a person plays is thinking, the left button queues a premove instead and the
// right button cancels it.
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

    // The colour a shape drawn with these keys held gets.
    static ShapeColor shapeColorFor(Qt::KeyboardModifiers modifiers);

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
    void paintPremove(QPainter& painter, double side, bool flipped) const;
    void paintShapes(QPainter& painter, double side, bool flipped) const;
    void paintShape(QPainter& painter, const DrawnShape& shape, double side, bool flipped) const;
    void rightPress(QMouseEvent* event);
    void rightRelease(QMouseEvent* event);

    GameManager& m_game;
    LocalizationManager& m_localization;
    ChessBoard m_displayed;
    PromotionOverlay* m_promotion = nullptr;
    // The pointer while the button is held, from the press on; the man follows it once it has
    // moved further than a click's jitter.
    std::optional<QPointF> m_pressPoint;
    QPointF m_pointer;
    bool m_dragging = false;
    // The held left button went to the premove queue, not the game.
    bool m_premovePress = false;
    BoardShapes& m_shapes;
    PremoveQueue& m_premoves;
    BoardAppearance& m_appearance;
    // Where the right button went down, while it is held; none when that press cancelled a
    // premove instead.
    std::optional<Square> m_shapeStart;
    QPointF m_shapePointer;
};

} // namespace velkor
