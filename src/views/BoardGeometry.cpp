#include "BoardGeometry.h"

#include <algorithm>
#include <cmath>

namespace velkor {

QRectF squareRect(Square square, double side, bool flipped) {
    const double cell = side / 8.0;
    const auto column = flipped ? 7 - square.file : square.file;
    const auto row = flipped ? square.rank : 7 - square.rank;
    return {static_cast<double>(column) * cell, static_cast<double>(row) * cell, cell, cell};
}

std::optional<Square> squareAt(QPointF point, double side, bool flipped) {
    if (side <= 0 || point.x() < 0 || point.y() < 0 || point.x() >= side || point.y() >= side) {
        return std::nullopt;
    }
    const double cell = side / 8.0;
    const auto column =
        std::clamp(static_cast<std::int64_t>(point.x() / cell), std::int64_t{0}, std::int64_t{7});
    const auto row =
        std::clamp(static_cast<std::int64_t>(point.y() / cell), std::int64_t{0}, std::int64_t{7});
    return flipped ? Square(7 - column, row) : Square(column, 7 - row);
}

double crispBoardSide(double width, double height, double devicePixelRatio) {
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const double devicePixels = std::floor(std::min(width, height) * ratio / 8.0) * 8.0;
    return std::max(0.0, devicePixels / ratio);
}

} // namespace velkor
