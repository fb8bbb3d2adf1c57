#include "AppIcon.h"

#include "views/BoardPalette.h"
#include "views/PieceGlyph.h"

#include <QPainter>
#include <QPixmap>

namespace velkor {

QIcon makeAppIcon() {
    QIcon icon;
    for (const int size : {32, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(BoardPalette::darkSquare());
        painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.2, size * 0.2);
        paintPiece(painter, PieceType::knight, PieceColor::white,
                   QRectF(size * 0.08, size * 0.08, size * 0.84, size * 0.84));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace velkor
