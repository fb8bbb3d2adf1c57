#include "AnalysisArrowsOverlay.h"

#include "BoardGeometry.h"
#include "BoardPalette.h"
#include "BoardView.h"
#include "PieceGlyph.h"
#include "game/AnalysisEngine.h"
#include "game/AnalysisVariation.h"
#include "game/GameManager.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace velkor {

namespace {

QColor arrowColor(double weight) {
    // Green, as analysis arrows are commonly read; paler lines fade towards transparency.
    return QColor::fromRgbF(0.08f, 0.55f, 0.18f, static_cast<float>(0.25 + 0.55 * weight));
}

} // namespace

AnalysisArrowsOverlay::AnalysisArrowsOverlay(BoardView& board, GameManager& game,
                                             AnalysisEngine& engine, AnalysisVariation& variation)
    : QWidget(&board), m_board(board), m_game(game), m_engine(engine), m_variation(variation) {
    setObjectName(QStringLiteral("analysisArrows"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(board.rect());
    board.installEventFilter(this);
    const auto repaint = [this] { update(); };
    connect(&engine, &AnalysisEngine::linesChanged, this, repaint);
    connect(&engine, &AnalysisEngine::isActiveChanged, this, repaint);
    connect(&game, &GameManager::isFlippedChanged, this, repaint);
    connect(&variation, &AnalysisVariation::selectedSquareChanged, this, repaint);
    connect(&variation, &AnalysisVariation::boardChanged, this,
            &AnalysisArrowsOverlay::followVariation);
    raise();
    show();
}

bool AnalysisArrowsOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_board && event->type() == QEvent::Resize) {
        setGeometry(m_board.rect());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void AnalysisArrowsOverlay::followVariation() {
    // Only the analysis board takes clicks; the game's board gets them otherwise.
    setAttribute(Qt::WA_TransparentForMouseEvents, !m_variation.isActive());
    update();
}

void AnalysisArrowsOverlay::paintEvent(QPaintEvent*) {
    const QRectF board = m_board.boardRect();
    if (board.width() <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(board.topLeft());
    const bool flipped = m_game.isFlipped();
    if (m_variation.isActive()) {
        paintVariationBoard(painter, board.width(), flipped);
    }
    if (m_engine.isActive()) {
        paintArrows(painter, board.width(), flipped);
    }
}

void AnalysisArrowsOverlay::paintVariationBoard(QPainter& painter, double side,
                                                bool flipped) const {
    const ChessBoard& position = *m_variation.board();
    for (const Square square : allSquares) {
        const QRectF cell = squareRect(square, side, flipped);
        painter.fillRect(cell, square.isLight() ? BoardPalette::lightSquare()
                                                : BoardPalette::darkSquare());
        if (square == m_variation.selectedSquare()) {
            painter.fillRect(cell, BoardPalette::selection());
        }
        if (const auto piece = position[square]) {
            paintPiece(painter, piece->type, piece->color, cell);
        }
    }
    // A frame in the arrows' colour says this is not the game's position.
    painter.setPen(QPen(arrowColor(1.0), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(2, 2, side - 4, side - 4));
}

void AnalysisArrowsOverlay::paintArrows(QPainter& painter, double side, bool flipped) const {
    const double square = side / 8.0;
    for (const AnalysisArrow& arrow :
         analysisArrows(m_engine.lines(), m_engine.position().turn())) {
        const QPointF from = squareRect(arrow.from, side, flipped).center();
        const QPointF to = squareRect(arrow.to, side, flipped).center();
        const QPointF along = to - from;
        const double length = std::hypot(along.x(), along.y());
        if (length <= 0) {
            continue;
        }
        const QPointF unit = along / length;
        const QPointF normal(-unit.y(), unit.x());
        const double width = square * (0.06 + 0.12 * arrow.weight);
        const double headLength = std::min(square * 0.45, length * 0.6);
        const double headWidth = width * 1.4 + square * 0.12;
        const QPointF neck = to - unit * headLength;
        const QPointF start = from + unit * square * 0.15;
        QPainterPath path;
        path.moveTo(start + normal * (width / 2));
        path.lineTo(neck + normal * (width / 2));
        path.lineTo(neck + normal * headWidth);
        path.lineTo(to);
        path.lineTo(neck - normal * headWidth);
        path.lineTo(neck - normal * (width / 2));
        path.lineTo(start - normal * (width / 2));
        path.closeSubpath();
        painter.fillPath(path, arrowColor(arrow.weight));
    }
}

void AnalysisArrowsOverlay::mousePressEvent(QMouseEvent* event) {
    const QRectF board = m_board.boardRect();
    if (const auto square =
            squareAt(event->position() - board.topLeft(), board.width(), m_game.isFlipped())) {
        m_variation.clickSquare(*square);
    }
    event->accept();
}

} // namespace velkor
