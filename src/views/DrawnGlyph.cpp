#include "DrawnGlyph.h"

#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace velkor {

QIcon drawnGlyphIcon(std::initializer_list<int> sizes,
                     const std::function<void(QPainter& painter, double unit, int size)>& paint) {
    const QColor colour = QPalette().color(QPalette::ButtonText);
    QIcon icon;
    for (const int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        paint(painter, size / 16.0, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace velkor
