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
// The queued premove's squares, apart from the last move's yellow and the selection's blue.
inline QColor premove() {
    return QColor::fromRgbF(0.55f, 0.1f, 0.6f, 0.38f);
}
// Drawn arrows and circles: opaque enough to read, clear enough to see the man beneath.
inline QColor shapeGreen() {
    return QColor::fromRgbF(0.08f, 0.47f, 0.11f, 0.78f);
}
inline QColor shapeRed() {
    return QColor::fromRgbF(0.75f, 0.1f, 0.1f, 0.78f);
}
inline QColor shapeBlue() {
    return QColor::fromRgbF(0.0f, 0.29f, 0.75f, 0.78f);
}
inline QColor shapeYellow() {
    return QColor::fromRgbF(0.9f, 0.68f, 0.0f, 0.82f);
}
inline QColor whitePieceFill() {
    return QColor::fromRgbF(0.98f, 0.98f, 0.96f);
}
inline QColor blackPieceFill() {
    return QColor::fromRgbF(0.12f, 0.13f, 0.15f);
}

} // namespace velkor::BoardPalette
