#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace velkor {

QImage paintAppIcon(int pixelSize) {
    QImage image(pixelSize, pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Draw on a 256-unit canvas; the transform does the rest at every size.
    painter.scale(pixelSize / 256.0, pixelSize / 256.0);

    QLinearGradient background(0, 0, 0, 256);
    background.setColorAt(0, QColor(0x2b, 0x3a, 0x55));
    background.setColorAt(1, QColor(0x14, 0x1c, 0x2b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    // A 4x4 board; at 16 px the squares still read as a chequer.
    const QRectF board(40, 72, 176, 144);
    const QColor light(0xf0, 0xd9, 0xb5);
    const QColor dark(0xb5, 0x88, 0x63);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            painter.setBrush((row + column) % 2 == 0 ? light : dark);
            painter.drawRect(QRectF(board.left() + column * board.width() / 4,
                                    board.top() + row * board.height() / 4, board.width() / 4,
                                    board.height() / 4));
        }
    }

    // The curve: down, then up past the top, the shape of a "V" and of a game turned round.
    const std::array<QPointF, 4> points{QPointF(36, 64), QPointF(100, 168), QPointF(150, 112),
                                        QPointF(222, 40)};
    QPainterPath curve(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i) {
        curve.lineTo(points[i]);
    }
    QPen shadow(QColor(0, 0, 0, 110), 30, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(shadow);
    painter.drawPath(curve.translated(0, 6));
    QPen gold(QColor(0xf5, 0xb9, 0x2e), 22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(gold);
    painter.drawPath(curve);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf5, 0xb9, 0x2e));
    painter.drawEllipse(points.back(), 18, 18);
    return image;
}

QIcon appIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        icon.addPixmap(QPixmap::fromImage(paintAppIcon(size)));
    }
    return icon;
}

} // namespace velkor
