#include "EvaluationBarView.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace velkor {

EvaluationBarView::EvaluationBarView(QWidget* parent) : QWidget(parent) {
    setFixedWidth(30);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void EvaluationBarView::setEvaluation(const EngineEvaluation& evaluation, PieceColor turn) {
    if (evaluation == m_evaluation && turn == m_turn) {
        return;
    }
    m_evaluation = evaluation;
    m_turn = turn;
    update();
}

void EvaluationBarView::setFlipped(bool flipped) {
    if (flipped != m_flipped) {
        m_flipped = flipped;
        update();
    }
}

QString EvaluationBarView::scoreText() const {
    // Engines score from the side to move; the bar is drawn from White's side, and so is its
    // label, or "-0.40" would stand beside a bar in which White leads.
    EngineEvaluation fromWhite = m_evaluation;
    if (m_turn == PieceColor::black) {
        if (fromWhite.scoreCp) {
            fromWhite.scoreCp = -*fromWhite.scoreCp;
        }
        if (fromWhite.mateIn) {
            fromWhite.mateIn = -*fromWhite.mateIn;
        }
    }
    return QString::fromStdString(fromWhite.formattedScore());
}

void EvaluationBarView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = QRectF(rect()).adjusted(1, 0, -1, 0);
    QPainterPath outline;
    outline.addRoundedRect(bar, 4, 4);
    painter.setClipPath(outline);
    painter.fillRect(bar, QColor(44, 44, 48));

    const double whiteHeight = std::round(bar.height() * whiteFraction());
    const QRectF white =
        m_flipped ? QRectF(bar.left(), bar.top(), bar.width(), whiteHeight)
                  : QRectF(bar.left(), bar.bottom() - whiteHeight, bar.width(), whiteHeight);
    painter.fillRect(white, QColor::fromRgbF(0.96f, 0.96f, 0.94f));

    // The score sits at the leading side's end, in the colour that reads on it.
    const bool whiteLeads = whiteFraction() >= 0.5;
    const bool atBottom = whiteLeads != m_flipped;
    QFont font = painter.font();
    // "-10.5" fits the bar in the interface font at this size; a condensed face would be one
    // more font to load before the window first appears.
    font.setPixelSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(whiteLeads ? QColor(40, 40, 44) : QColor(235, 235, 230));
    const QRectF label = atBottom ? QRectF(bar.left(), bar.bottom() - 18, bar.width(), 16)
                                  : QRectF(bar.left(), bar.top() + 2, bar.width(), 16);
    painter.drawText(label, Qt::AlignCenter, scoreText());
}

} // namespace velkor
