#include "EvaluationBarView.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace velkor {

EvaluationBarView::EvaluationBarView(QWidget* parent) : QWidget(parent) {
    setFixedWidth(30);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void EvaluationBarView::setScore(const std::optional<WhiteScore>& score) {
    if (score == m_score) {
        return;
    }
    m_score = score;
    update();
}

void EvaluationBarView::setFlipped(bool flipped) {
    if (flipped != m_flipped) {
        m_flipped = flipped;
        update();
    }
}

QString EvaluationBarView::scoreText() const {
    return m_score ? QString::fromStdString(m_score->formatted()) : QString();
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
