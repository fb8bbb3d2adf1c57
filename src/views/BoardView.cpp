#include "BoardView.h"

#include "BoardAppearance.h"
#include "BoardGeometry.h"
#include "BoardPalette.h"
#include "PieceGlyph.h"
#include "PromotionOverlay.h"
#include "game/BoardShapes.h"
#include "game/GameManager.h"
#include "game/PremoveQueue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace velkor {

BoardView::BoardView(GameManager& game, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_game(game), m_localization(localization),
      m_displayed(game.displayedBoard()), m_shapes(BoardShapes::of(game)),
      m_premoves(PremoveQueue::of(game)), m_appearance(BoardAppearance::shared()) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // A click on the board gives it the keys that step through the game.
    setFocusPolicy(Qt::StrongFocus);
    // The promotion choice is built the first time a pawn reaches the last rank, not while the
    // window opens; once built it follows the game manager by itself.
    connect(&game, &GameManager::pendingPromotionChanged, this, [this] {
        if (m_game.clicks().pendingPromotion()) {
            promotionOverlay();
        }
    });
    const auto repaint = [this] { update(); };
    connect(&game, &GameManager::boardChanged, this, &BoardView::refreshDisplayedBoard);
    connect(&game, &GameManager::inspectingMoveIndexChanged, this,
            &BoardView::refreshDisplayedBoard);
    connect(&game, &GameManager::isFlippedChanged, this, repaint);
    connect(&game, &GameManager::selectedSquareChanged, this, repaint);
    connect(&game, &GameManager::legalDestinationSquaresChanged, this, repaint);
    connect(&game, &GameManager::lastMoveChanged, this, repaint);
    connect(&m_shapes, &BoardShapes::shownChanged, this, repaint);
    connect(&m_premoves, &PremoveQueue::changed, this, repaint);
    connect(&m_appearance, &BoardAppearance::changed, this, repaint);
}

void BoardView::refreshDisplayedBoard() {
    // The game manager rebuilds an inspected position on every read, so it is read once per
    // change rather than once per paint.
    m_displayed = m_game.displayedBoard();
    update();
}

double BoardView::boardSize() const {
    return crispBoardSide(width(), height(), devicePixelRatioF());
}

QRectF BoardView::boardRect() const {
    const double ratio = devicePixelRatioF();
    const double side = boardSize();
    // Centred, with the corner on a device pixel so every square edge falls between pixels.
    const double left = std::floor((width() - side) * ratio / 2.0) / ratio;
    const double top = std::floor((height() - side) * ratio / 2.0) / ratio;
    return {left, top, side, side};
}

QPoint BoardView::squareCenter(Square square) const {
    const QRectF board = boardRect();
    return squareRect(square, board.width(), m_game.isFlipped())
        .translated(board.topLeft())
        .center()
        .toPoint();
}

std::optional<Move> BoardView::displayedLastMove() const {
    if (!m_game.isInspectingPast()) {
        return m_game.lastMove();
    }
    const auto& history = m_displayed.history();
    if (history.empty()) {
        return std::nullopt;
    }
    return history.back().move;
}

void BoardView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRectF board = boardRect();
    const double side = board.width();
    if (side <= 0) {
        return;
    }
    const bool flipped = m_game.isFlipped();
    painter.translate(board.topLeft());
    paintSquares(painter, side, flipped);
    paintMarks(painter, side, flipped);
    paintPremove(painter, side, flipped);
    paintCheck(painter, side, flipped);
    paintPieces(painter, side, flipped);
    paintDestinations(painter, side, flipped);
    paintCoordinates(painter, side, flipped);
    paintShapes(painter, side, flipped);
    paintDraggedPiece(painter, side);
}

void BoardView::paintSquares(QPainter& painter, double side, bool flipped) const {
    for (const Square square : allSquares) {
        painter.fillRect(squareRect(square, side, flipped),
                         square.isLight() ? m_appearance.theme().light : m_appearance.theme().dark);
    }
}

void BoardView::paintMarks(QPainter& painter, double side, bool flipped) const {
    if (const auto move = displayedLastMove()) {
        painter.fillRect(squareRect(move->from, side, flipped), BoardPalette::lastMove());
        painter.fillRect(squareRect(move->to, side, flipped), BoardPalette::lastMove());
    }
    if (const auto selected = m_game.clicks().selectedSquare();
        selected && !m_game.isInspectingPast()) {
        painter.fillRect(squareRect(*selected, side, flipped), BoardPalette::selection());
    }
}

void BoardView::paintCheck(QPainter& painter, double side, bool flipped) const {
    const PieceColor mover = m_displayed.turn();
    const auto king = m_displayed.findKing(mover);
    if (!king || !m_displayed.isSquareAttacked(*king, opponent(mover))) {
        return;
    }
    // A disc of 90 % of the square, its edge blurred over 6 pixels each way.
    const QRectF cell = squareRect(*king, side, flipped);
    const double radius = cell.width() * 0.45;
    constexpr double blur = 6.0;
    QRadialGradient glow(cell.center(), radius + blur);
    const QColor red = BoardPalette::check();
    QColor clear = red;
    clear.setAlphaF(0.0f);
    glow.setColorAt(0.0, red);
    glow.setColorAt(std::max(0.0, (radius - blur) / (radius + blur)), red);
    glow.setColorAt(1.0, clear);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(cell.center(), radius + blur, radius + blur);
    painter.restore();
}

void BoardView::paintPieces(QPainter& painter, double side, bool flipped) const {
    const std::optional<Square> dragged = draggedSquare();
    for (const Square square : allSquares) {
        if (const auto piece = m_displayed[square]) {
            // The held man leaves a faint trace where it will go back to.
            const bool held = square == dragged;
            if (held) {
                painter.setOpacity(0.3);
            }
            paintPiece(painter, piece->type, piece->color, squareRect(square, side, flipped));
            if (held) {
                painter.setOpacity(1.0);
            }
        }
    }
}

void BoardView::paintPremove(QPainter& painter, double side, bool flipped) const {
    if (m_game.isInspectingPast()) {
        return;
    }
    if (const auto move = m_premoves.queued()) {
        painter.fillRect(squareRect(move->from, side, flipped), BoardPalette::premove());
        painter.fillRect(squareRect(move->to, side, flipped), BoardPalette::premove());
    }
    if (const auto picked = m_premoves.pickedSquare()) {
        painter.fillRect(squareRect(*picked, side, flipped), BoardPalette::premove());
    }
}

ShapeColor BoardView::shapeColorFor(Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    if (shift && alt) {
        return ShapeColor::yellow;
    }
    if (shift) {
        return ShapeColor::red;
    }
    return alt ? ShapeColor::blue : ShapeColor::green;
}

void BoardView::paintShapes(QPainter& painter, double side, bool flipped) const {
    const std::vector<DrawnShape> shapes = m_shapes.shown();
    // The shape being drawn shows from the square the button went down on to the one under it.
    std::optional<DrawnShape> drawing;
    if (m_shapeStart) {
        if (const auto under = squareUnder(m_shapePointer); under && *under != *m_shapeStart) {
            drawing =
                DrawnShape{shapeColorFor(QApplication::keyboardModifiers()), *m_shapeStart, *under};
        }
    }
    if (shapes.empty() && !drawing) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Circles under arrows, so an arrow ending in a circled square stays whole.
    for (const bool circles : {true, false}) {
        for (const DrawnShape& shape : shapes) {
            if (shape.isCircle() == circles) {
                paintShape(painter, shape, side, flipped);
            }
        }
    }
    if (drawing) {
        paintShape(painter, *drawing, side, flipped);
    }
    painter.restore();
}

void BoardView::paintShape(QPainter& painter, const DrawnShape& shape, double side,
                           bool flipped) const {
    QColor color;
    switch (shape.color) {
    case ShapeColor::green:
        color = BoardPalette::shapeGreen();
        break;
    case ShapeColor::red:
        color = BoardPalette::shapeRed();
        break;
    case ShapeColor::blue:
        color = BoardPalette::shapeBlue();
        break;
    case ShapeColor::yellow:
        color = BoardPalette::shapeYellow();
        break;
    }
    const double cell = side / 8.0;
    const QRectF fromCell = squareRect(shape.from, side, flipped);
    if (shape.isCircle()) {
        const double width = cell * 0.08;
        const double inset = width / 2.0 + cell * 0.02;
        painter.setPen(QPen(color, width));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(fromCell.adjusted(inset, inset, -inset, -inset));
        return;
    }
    // A shaft from the centre of the first square to the head's base, the head's tip short of the
    // target's centre so the man there stays readable; one path, so overlaps do not darken.
    const QPointF start = fromCell.center();
    const QPointF end = squareRect(shape.to, side, flipped).center();
    const QPointF delta = end - start;
    const double length = std::hypot(delta.x(), delta.y());
    if (length <= 0) {
        return;
    }
    const QPointF along = delta / length;
    const QPointF across(-along.y(), along.x());
    const double shaft = cell * 0.16 / 2.0;
    const double head = cell * 0.42 / 2.0;
    const double headLength = cell * 0.42;
    const QPointF tip = end - along * (cell * 0.18);
    const QPointF base = tip - along * headLength;
    const QPointF begin = start + along * (cell * 0.2);
    QPainterPath arrow;
    arrow.moveTo(begin + across * shaft);
    arrow.lineTo(base + across * shaft);
    arrow.lineTo(base + across * head);
    arrow.lineTo(tip);
    arrow.lineTo(base - across * head);
    arrow.lineTo(base - across * shaft);
    arrow.lineTo(begin - across * shaft);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(arrow);
}

std::optional<Square> BoardView::draggedSquare() const {
    if (m_premovePress && m_dragging && !m_game.isInspectingPast()) {
        return m_premoves.grabbedSquare();
    }
    const std::optional<Square> grabbed = m_game.clicks().grabbedSquare();
    if (!m_dragging || !grabbed || m_game.isInspectingPast()) {
        return std::nullopt;
    }
    return grabbed;
}

void BoardView::paintDraggedPiece(QPainter& painter, double side) const {
    const std::optional<Square> dragged = draggedSquare();
    if (!dragged) {
        return;
    }
    const auto piece = m_displayed[*dragged];
    if (!piece) {
        return;
    }
    // The painter stands at the board's corner; the pointer is in widget coordinates.
    const double cell = side / 8.0;
    const QPointF centre = m_pointer - boardRect().topLeft();
    paintPiece(painter, piece->type, piece->color,
               QRectF(centre.x() - cell / 2.0, centre.y() - cell / 2.0, cell, cell));
}

void BoardView::paintDestinations(QPainter& painter, double side, bool flipped) const {
    if (m_game.isInspectingPast() || !m_appearance.showsLegalMoves()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // A promotion square is listed once per piece; it is marked once, so the mark keeps its tone.
    std::array<bool, 64> marked{};
    for (const Square square : m_game.clicks().legalDestinations()) {
        auto& done = marked[static_cast<std::size_t>(square.index())];
        if (done) {
            continue;
        }
        done = true;
        const QRectF cell = squareRect(square, side, flipped);
        if (m_displayed[square]) {
            const double width = cell.width() * 0.08;
            painter.setPen(QPen(BoardPalette::destinationRing(), width));
            painter.setBrush(Qt::NoBrush);
            const double inset = width / 2.0 + 1.0;
            painter.drawEllipse(cell.adjusted(inset, inset, -inset, -inset));
        } else {
            const double radius = cell.width() * 0.14;
            painter.setPen(Qt::NoPen);
            painter.setBrush(BoardPalette::destinationDot());
            painter.drawEllipse(cell.center(), radius, radius);
        }
    }
    painter.restore();
}

void BoardView::paintCoordinates(QPainter& painter, double side, bool flipped) const {
    QFont font = painter.font();
    font.setPixelSize(std::max(8, static_cast<int>(side / 8.0 * 0.16)));
    font.setBold(true);
    painter.setFont(font);
    const double margin = std::max(2.0, side / 8.0 * 0.05);
    for (std::int64_t index = 0; index < 8; ++index) {
        // File letters inside the bottom row, rank digits inside the left column.
        const Square fileSquare = flipped ? Square(index, 7) : Square(index, 0);
        const QRectF fileCell =
            squareRect(fileSquare, side, flipped).adjusted(margin, margin, -margin, -margin * 0.5);
        painter.setPen(fileSquare.isLight() ? m_appearance.theme().dark
                                            : m_appearance.theme().light);
        painter.drawText(fileCell, Qt::AlignRight | Qt::AlignBottom,
                         QString(QChar::fromLatin1(fileSquare.fileChar())));

        const Square rankSquare = flipped ? Square(7, index) : Square(0, index);
        const QRectF rankCell = squareRect(rankSquare, side, flipped)
                                    .adjusted(margin * 0.6, margin * 0.4, -margin, -margin);
        painter.setPen(rankSquare.isLight() ? m_appearance.theme().dark
                                            : m_appearance.theme().light);
        painter.drawText(rankCell, Qt::AlignLeft | Qt::AlignTop,
                         QString(QChar::fromLatin1(rankSquare.rankChar())));
    }
}

std::optional<Square> BoardView::squareUnder(QPointF point) const {
    const QRectF board = boardRect();
    return squareAt(point - board.topLeft(), board.width(), m_game.isFlipped());
}

void BoardView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        rightPress(event);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_pressPoint = event->position();
    m_pointer = event->position();
    m_dragging = false;
    m_shapeStart.reset();
    const auto square = squareUnder(event->position());
    if (square) {
        m_shapes.clearShown();
    }
    m_premovePress = m_premoves.acceptsInput();
    if (!square) {
        return;
    }
    if (m_premovePress) {
        m_premoves.press(*square);
    } else {
        m_game.handleSquarePress(*square);
    }
}

void BoardView::rightPress(QMouseEvent* event) {
    // A right click takes a premove back rather than drawing over it.
    if (m_premoves.queued() || m_premoves.pickedSquare()) {
        m_premoves.cancel();
        m_shapeStart.reset();
        return;
    }
    m_shapeStart = squareUnder(event->position());
    m_shapePointer = event->position();
}

void BoardView::rightRelease(QMouseEvent* event) {
    const std::optional<Square> start = std::exchange(m_shapeStart, std::nullopt);
    if (!start) {
        return;
    }
    const std::optional<Square> end = squareUnder(event->position());
    if (!end) {
        // Let go off the board: nothing drawn.
        update();
        return;
    }
    m_shapes.toggle({shapeColorFor(event->modifiers()), *start, *end});
}

void BoardView::mouseMoveEvent(QMouseEvent* event) {
    if (m_shapeStart) {
        m_shapePointer = event->position();
        update();
    }
    if (!m_pressPoint) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    m_pointer = event->position();
    const bool holding = m_premovePress ? m_premoves.grabbedSquare().has_value()
                                        : m_game.clicks().grabbedSquare().has_value();
    if (!m_dragging && holding &&
        (m_pointer - *m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragging = true;
        setCursor(Qt::ClosedHandCursor);
    }
    if (m_dragging) {
        update();
    }
}

void BoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        rightRelease(event);
        return;
    }
    if (event->button() != Qt::LeftButton || !m_pressPoint) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressPoint.reset();
    if (std::exchange(m_dragging, false)) {
        unsetCursor();
        update();
    }
    // Released off the board (the press grabbed the pointer, so this comes even from outside the
    // widget), the held man goes back.
    if (std::exchange(m_premovePress, false)) {
        m_premoves.release(squareUnder(event->position()));
        return;
    }
    m_game.handleSquareRelease(squareUnder(event->position()));
}

void BoardView::keyPressEvent(QKeyEvent* event) {
    using Step = GameManager::NavigationStep;
    switch (event->key()) {
    case Qt::Key_Left:
        m_game.navigate(Step::back);
        break;
    case Qt::Key_Right:
        m_game.navigate(Step::forward);
        break;
    case Qt::Key_Home:
        m_game.navigate(Step::start);
        break;
    case Qt::Key_End:
        m_game.navigate(Step::end);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BoardView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_promotion) {
        m_promotion->setGeometry(boardRect().toRect());
    }
}

PromotionOverlay& BoardView::promotionOverlay() {
    if (!m_promotion) {
        m_promotion = new PromotionOverlay(m_game, m_localization, this);
        m_promotion->setGeometry(boardRect().toRect());
    }
    return *m_promotion;
}

} // namespace velkor
