#include "PanelIcons.h"

#include "PanelPalette.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>

namespace velkor::panel {

namespace {

constexpr int flagWidth = 24;
constexpr int flagHeight = 16;

void stripes(QPainter& painter, QRgb first, QRgb second, QRgb third, bool vertical) {
    const QColor colours[3] = {QColor::fromRgb(first), QColor::fromRgb(second),
                               QColor::fromRgb(third)};
    for (int i = 0; i < 3; ++i) {
        if (vertical) {
            painter.fillRect(i * flagWidth / 3, 0, flagWidth / 3, flagHeight, colours[i]);
        } else {
            painter.fillRect(0, i * flagHeight / 3, flagWidth, (flagHeight + 2) / 3, colours[i]);
        }
    }
}

void unionFlag(QPainter& painter) {
    const QColor white = QColor::fromRgb(palette::iconLight);
    const QColor red = QColor::fromRgb(palette::unionRed);
    painter.fillRect(0, 0, flagWidth, flagHeight, QColor::fromRgb(palette::unionBlue));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(white, 3));
    painter.drawLine(0, 0, flagWidth, flagHeight);
    painter.drawLine(0, flagHeight, flagWidth, 0);
    painter.setPen(QPen(red, 1));
    painter.drawLine(0, 0, flagWidth, flagHeight);
    painter.drawLine(0, flagHeight, flagWidth, 0);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(flagWidth / 2 - 3, 0, 6, flagHeight, white);
    painter.fillRect(0, flagHeight / 2 - 3, flagWidth, 6, white);
    painter.fillRect(flagWidth / 2 - 2, 0, 4, flagHeight, red);
    painter.fillRect(0, flagHeight / 2 - 2, flagWidth, 4, red);
}

} // namespace

QIcon flagIcon(Language language) {
    QPixmap pixmap(flagWidth, flagHeight);
    pixmap.fill(QColor::fromRgb(palette::iconLight));
    QPainter painter(&pixmap);
    switch (language) {
    case Language::english:
        unionFlag(painter);
        break;
    case Language::german:
        stripes(painter, palette::iconDark, palette::germanRed, palette::germanGold, false);
        break;
    case Language::dutch:
        stripes(painter, palette::dutchRed, palette::iconLight, palette::dutchBlue, false);
        break;
    case Language::french:
        stripes(painter, palette::frenchBlue, palette::iconLight, palette::frenchRed, true);
        break;
    }
    painter.setPen(QColor::fromRgba(palette::iconFrame));
    painter.drawRect(0, 0, flagWidth - 1, flagHeight - 1);
    return QIcon(pixmap);
}

QIcon checkeredFlagIcon() {
    constexpr int size = 16;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor dark = QColor::fromRgb(palette::iconDark);
    const QColor light = QColor::fromRgb(palette::iconLight);
    painter.fillRect(2, 1, 1, size - 2, dark);
    constexpr int cell = 3;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            painter.fillRect(3 + column * cell, 1 + row * cell, cell, cell,
                             (row + column) % 2 == 0 ? dark : light);
        }
    }
    painter.setPen(dark);
    painter.drawRect(3, 1, 4 * cell - 1, 3 * cell - 1);
    return QIcon(pixmap);
}

} // namespace velkor::panel
