#pragma once

#include "BoardAppearance.h"
#include "chess/PieceColor.h"
#include "chess/PieceType.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace velkor {

// The family of the chess font compiled into the program, loaded on first use, so pieces look
// the same on every machine whatever fonts it has.
QString pieceFontFamily();

// Draws one man centred in `box` at 85 % of its height: the glyph filled in the colour's tone
// with an outline of the opposite tone, so both colours read on light and dark squares.
// The men of the set chosen in the board's appearance.
void paintPiece(QPainter& painter, PieceType type, PieceColor color, const QRectF& box);
// The same with a given set; the vector set's drawing fills 90 % of the box.
void paintPiece(QPainter& painter, PieceType type, PieceColor color, const QRectF& box,
                PieceSet set);

} // namespace velkor
