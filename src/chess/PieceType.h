#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace velkor {

// The six kinds of men, in the order the tables below (and promotion lists) rely on.
enum class PieceType : unsigned char { pawn, knight, bishop, rook, queen, king };

inline constexpr std::array<PieceType, 6> allPieceTypes{PieceType::pawn,   PieceType::knight,
                                                        PieceType::bishop, PieceType::rook,
                                                        PieceType::queen,  PieceType::king};

// The lower-case FEN letter: p, n, b, r, q, k.
constexpr char rawValue(PieceType type) {
    constexpr std::array<char, 6> letters{'p', 'n', 'b', 'r', 'q', 'k'};
    return letters[static_cast<std::size_t>(type)];
}

// Material value: 1, 3, 3, 5, 9 and 0 for the king.
constexpr int value(PieceType type) {
    constexpr std::array<int, 6> values{1, 3, 3, 5, 9, 0};
    return values[static_cast<std::size_t>(type)];
}

// The SAN letter: empty for a pawn, otherwise N, B, R, Q, K.
constexpr std::string_view sanLetter(PieceType type) {
    constexpr std::array<std::string_view, 6> letters{"", "N", "B", "R", "Q", "K"};
    return letters[static_cast<std::size_t>(type)];
}

// Accepts exactly the six lower-case letters.
constexpr std::optional<PieceType> pieceTypeFromRawValue(char letter) {
    for (PieceType type : allPieceTypes) {
        if (rawValue(type) == letter) {
            return type;
        }
    }
    return std::nullopt;
}

constexpr std::optional<PieceType> pieceTypeFromRawValue(std::string_view raw) {
    if (raw.size() != 1) {
        return std::nullopt;
    }
    return pieceTypeFromRawValue(raw.front());
}

} // namespace velkor
