#include "PlayerBannerView.h"

#include "PieceGlyph.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace velkor {
namespace {

// Stand-ins for the platform's "person.fill" and "cpu" symbols, drawn so they need no icon font.
void paintPersonSymbol(QPainter& painter, const QRectF& box, const QColor& color) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const double head = box.width() * 0.42;
    painter.drawEllipse(QRectF(box.center().x() - head / 2, box.top(), head, head));
    QPainterPath body;
    const QRectF shoulders(box.left() + box.width() * 0.1, box.top() + box.height() * 0.5,
                           box.width() * 0.8, box.height() * 0.9);
    body.moveTo(shoulders.left(), box.bottom());
    body.arcTo(shoulders, 180, -180);
    body.closeSubpath();
    painter.drawPath(body);
}

void paintChipSymbol(QPainter& painter, const QRectF& box, const QColor& color) {
    const QRectF chip = box.adjusted(box.width() * 0.2, box.height() * 0.2, -box.width() * 0.2,
                                     -box.height() * 0.2);
    painter.setPen(QPen(color, 1.5));
    for (int pin = 1; pin <= 3; ++pin) {
        const double x = chip.left() + chip.width() * pin / 4.0;
        const double y = chip.top() + chip.height() * pin / 4.0;
        painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
        painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(chip, 2, 2);
}

void paintClockSymbol(QPainter& painter, const QRectF& box, const QColor& color) {
    painter.setPen(QPen(color, 1.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(box.adjusted(1, 1, -1, -1));
    const QPointF centre = box.center();
    painter.drawLine(centre, QPointF(centre.x(), box.top() + box.height() * 0.25));
    painter.drawLine(centre, QPointF(box.left() + box.width() * 0.72, centre.y()));
}

} // namespace

PlayerBannerView::PlayerBannerView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(44);
}

QColor PlayerBannerView::activeBackground() {
    return {64, 132, 214};
}

void PlayerBannerView::setBanner(const PlayerBanner& banner) {
    if (banner == m_banner) {
        return;
    }
    m_banner = banner;
    update();
}

void PlayerBannerView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1, 3, -1, -3);
    const bool active = m_banner.isActiveTurn;
    const QColor background =
        active ? activeBackground() : palette().color(QPalette::AlternateBase);
    const QColor ink = active ? QColor(Qt::white) : palette().color(QPalette::WindowText);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(frame, 7, 7);

    const double symbolSize = 18;
    const QRectF symbol(frame.left() + 10, frame.center().y() - symbolSize / 2, symbolSize,
                        symbolSize);
    if (m_banner.isEngine) {
        paintChipSymbol(painter, symbol, ink);
    } else {
        paintPersonSymbol(painter, symbol, ink);
    }

    // The clock on the right, with its symbol before the time.
    // The interface font in bold: its figures share one width, so the time does not jitter as it
    // counts, and the window opens without loading a font for the clocks alone.
    QFont timeFont = font();
    timeFont.setPixelSize(17);
    timeFont.setBold(true);
    const QFontMetricsF timeMetrics(timeFont);
    const double timeWidth = timeMetrics.horizontalAdvance(m_banner.timeString);
    const QRectF timeBox(frame.right() - 10 - timeWidth, frame.top(), timeWidth, frame.height());
    painter.setFont(timeFont);
    painter.setPen(ink);
    painter.drawText(timeBox, Qt::AlignVCenter | Qt::AlignRight, m_banner.timeString);
    paintClockSymbol(painter, QRectF(timeBox.left() - 22, frame.center().y() - 8, 16, 16), ink);

    // The name, then the captured men and the material lead.
    QFont nameFont = font();
    nameFont.setPixelSize(14);
    nameFont.setBold(true);
    painter.setFont(nameFont);
    painter.setPen(ink);
    const double nameLeft = symbol.right() + 10;
    const double available = timeBox.left() - 30 - nameLeft;
    const QFontMetricsF nameMetrics(nameFont);
    const QString name =
        nameMetrics.elidedText(m_banner.name, Qt::ElideRight, std::max(40.0, available * 0.55));
    const double nameWidth = nameMetrics.horizontalAdvance(name);
    painter.drawText(QRectF(nameLeft, frame.top(), nameWidth + 2, frame.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, name);

    double x = nameLeft + nameWidth + 12;
    const double glyph = 18;
    const double limit = timeBox.left() - 30;
    for (const Piece& piece : m_banner.capturedPieces) {
        if (x + glyph * 0.62 > limit) {
            break;
        }
        paintPiece(painter, piece.type, piece.color,
                   QRectF(x, frame.center().y() - glyph / 2, glyph, glyph));
        // Taken men overlap a little, as a row of pieces beside a board would.
        x += glyph * 0.62;
    }
    if (m_banner.materialAdvantage > 0) {
        QFont plusFont = font();
        plusFont.setPixelSize(12);
        plusFont.setBold(true);
        painter.setFont(plusFont);
        painter.setPen(ink);
        painter.drawText(QRectF(x + 6, frame.top(), 40, frame.height()),
                         Qt::AlignVCenter | Qt::AlignLeft,
                         QStringLiteral("+%1").arg(m_banner.materialAdvantage));
    }
}

} // namespace velkor
