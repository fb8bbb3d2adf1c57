#include "PanelIcons.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>

namespace velkor::panel {

namespace {

constexpr int flagWidth = 24;
constexpr int flagHeight = 16;

void stripes(QPainter& painter, const QColor& first, const QColor& second, const QColor& third,
             bool vertical) {
    const QColor colours[3] = {first, second, third};
    for (int i = 0; i < 3; ++i) {
        if (vertical) {
            painter.fillRect(i * flagWidth / 3, 0, flagWidth / 3, flagHeight, colours[i]);
        } else {
            painter.fillRect(0, i * flagHeight / 3, flagWidth, (flagHeight + 2) / 3, colours[i]);
        }
    }
}

void unionFlag(QPainter& painter) {
    painter.fillRect(0, 0, flagWidth, flagHeight, QColor(0x01, 0x21, 0x69));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLine(0, 0, flagWidth, flagHeight);
    painter.drawLine(0, flagHeight, flagWidth, 0);
    painter.setPen(QPen(QColor(0xC8, 0x10, 0x2E), 1));
    painter.drawLine(0, 0, flagWidth, flagHeight);
    painter.drawLine(0, flagHeight, flagWidth, 0);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(flagWidth / 2 - 3, 0, 6, flagHeight, Qt::white);
    painter.fillRect(0, flagHeight / 2 - 3, flagWidth, 6, Qt::white);
    painter.fillRect(flagWidth / 2 - 2, 0, 4, flagHeight, QColor(0xC8, 0x10, 0x2E));
    painter.fillRect(0, flagHeight / 2 - 2, flagWidth, 4, QColor(0xC8, 0x10, 0x2E));
}

} // namespace

QIcon flagIcon(Language language) {
    QPixmap pixmap(flagWidth, flagHeight);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    switch (language) {
    case Language::english:
        unionFlag(painter);
        break;
    case Language::german:
        stripes(painter, Qt::black, QColor(0xDD, 0x00, 0x00), QColor(0xFF, 0xCE, 0x00), false);
        break;
    case Language::dutch:
        stripes(painter, QColor(0xAE, 0x1C, 0x28), Qt::white, QColor(0x21, 0x46, 0x8B), false);
        break;
    case Language::french:
        stripes(painter, QColor(0x00, 0x23, 0x95), Qt::white, QColor(0xED, 0x29, 0x39), true);
        break;
    }
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawRect(0, 0, flagWidth - 1, flagHeight - 1);
    return QIcon(pixmap);
}

QIcon checkeredFlagIcon() {
    constexpr int size = 16;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(2, 1, 1, size - 2, Qt::black);
    constexpr int cell = 3;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            const bool dark = (row + column) % 2 == 0;
            painter.fillRect(3 + column * cell, 1 + row * cell, cell, cell,
                             dark ? Qt::black : Qt::white);
        }
    }
    painter.setPen(Qt::black);
    painter.drawRect(3, 1, 4 * cell - 1, 3 * cell - 1);
    return QIcon(pixmap);
}

} // namespace velkor::panel
