#pragma once

#include "PieceColor.h"
#include "PieceId.h"
#include "PieceType.h"

#include <functional>
#include <optional>
#include <string_view>

namespace velkor {

// One man on the board. Equality and hashing look at type and colour only: two white knights
// are equal pieces. The id follows the man through moves (not through promotion).
struct Piece {
    PieceId id;
    PieceType type = PieceType::pawn;
    PieceColor color = PieceColor::white;

    // A new man with a fresh id.
    Piece(PieceType pieceType, PieceColor pieceColor)
        : id(PieceId::generate()), type(pieceType), color(pieceColor) {}
    // A man with a known id (restoring a captured piece, for example).
    Piece(PieceId pieceId, PieceType pieceType, PieceColor pieceColor)
        : id(pieceId), type(pieceType), color(pieceColor) {}

    // Upper case for white (N), lower case for black (n).
    constexpr char fenChar() const {
        const char letter = rawValue(type);
        return color == PieceColor::white ? static_cast<char>(letter - 'a' + 'A') : letter;
    }

    // Upper case gives white, anything else black; the type from the lower-cased letter.
    // Unknown characters give no piece. The piece gets a fresh id.
    static std::optional<Piece> fromFenChar(char character) {
        const bool upper = character >= 'A' && character <= 'Z';
        const char lower = upper ? static_cast<char>(character - 'A' + 'a') : character;
        const std::optional<PieceType> pieceType = pieceTypeFromRawValue(lower);
        if (!pieceType) {
            return std::nullopt;
        }
        return Piece(*pieceType, upper ? PieceColor::white : PieceColor::black);
    }

    // The Unicode chess glyph as UTF-8 (white U+2654-U+2659, black U+265A-U+265F).
    std::string_view unicodeSymbol() const {
        // Indexed by colour, then by PieceType order (pawn ... king).
        static constexpr std::string_view glyphs[2][6] = {
            {"\u2659", "\u2658", "\u2657", "\u2656", "\u2655", "\u2654"},
            {"\u265F", "\u265E", "\u265D", "\u265C", "\u265B", "\u265A"}};
        return glyphs[static_cast<int>(color)][static_cast<int>(type)];
    }

    constexpr bool operator==(const Piece& other) const {
        return type == other.type && color == other.color;
    }
};

} // namespace velkor

template <>
struct std::hash<velkor::Piece> {
    std::size_t operator()(const velkor::Piece& piece) const noexcept {
        return static_cast<std::size_t>(piece.type) * 2 + static_cast<std::size_t>(piece.color);
    }
};
