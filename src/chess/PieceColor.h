#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace velkor {

// The two sides, in this order; the raw value is the FEN side-to-move letter.
enum class PieceColor : unsigned char { white, black };

inline constexpr std::array<PieceColor, 2> allPieceColors{PieceColor::white, PieceColor::black};

constexpr PieceColor opponent(PieceColor color) {
    return color == PieceColor::white ? PieceColor::black : PieceColor::white;
}

// "White" or "Black".
constexpr std::string_view name(PieceColor color) {
    return color == PieceColor::white ? "White" : "Black";
}

// "w" or "b".
constexpr std::string_view rawValue(PieceColor color) {
    return color == PieceColor::white ? "w" : "b";
}

// Accepts exactly "w" and "b".
constexpr std::optional<PieceColor> pieceColorFromRawValue(std::string_view raw) {
    if (raw == "w") {
        return PieceColor::white;
    }
    if (raw == "b") {
        return PieceColor::black;
    }
    return std::nullopt;
}

} // namespace velkor
