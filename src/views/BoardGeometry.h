#pragma once

#include "chess/Square.h"

#include <QPointF>
#include <QRectF>
#include <optional>

namespace velkor {

// Where the 64 squares sit on a board of side `side` whose top-left corner is the origin: rank 8
// at the top and the a-file on the left, or the reverse when `flipped`.
QRectF squareRect(Square square, double side, bool flipped);

// The square under a point of the board, none outside it.
std::optional<Square> squareAt(QPointF point, double side, bool flipped);

// The largest board side, a whole multiple of 8 device pixels, that fits into `width` x `height`
// logical pixels: every square then covers whole device pixels, so edges stay sharp at any
// scale factor.
double crispBoardSide(double width, double height, double devicePixelRatio);

} // namespace velkor
