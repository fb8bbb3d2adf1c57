#pragma once

#include <QColor>

// The board's colours: the squares opaque, the marks translucent so the square shows through.
namespace velkor::BoardPalette {

inline QColor lightSquare() {
    return QColor::fromRgbF(0.94f, 0.86f, 0.74f);
}
inline QColor darkSquare() {
    return QColor::fromRgbF(0.71f, 0.53f, 0.38f);
}
inline QColor lastMove() {
    return QColor::fromRgbF(1.0f, 1.0f, 0.0f, 0.32f);
}
inline QColor selection() {
    return QColor::fromRgbF(0.0f, 0.0f, 1.0f, 0.38f);
}
inline QColor check() {
    return QColor::fromRgbF(1.0f, 0.0f, 0.0f, 0.55f);
}
inline QColor destinationDot() {
    return QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.22f);
}
inline QColor destinationRing() {
    return QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.3f);
}
inline QColor whitePieceFill() {
    return QColor::fromRgbF(0.98f, 0.98f, 0.96f);
}
inline QColor blackPieceFill() {
    return QColor::fromRgbF(0.12f, 0.13f, 0.15f);
}

} // namespace velkor::BoardPalette
