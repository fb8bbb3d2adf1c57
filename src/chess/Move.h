#pragma once

#include "PieceType.h"
#include "Square.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// A move as origin, destination and optional promotion. Castling is the king's two-square move
// (e1g1), en passant the capturing pawn's diagonal move. A promotion to a queen and the same
// move to a knight are different moves.
struct Move {
    Square from;
    Square to;
    std::optional<PieceType> promotion;

    constexpr Move() = default;
    constexpr Move(Square origin, Square destination,
                   std::optional<PieceType> promotionType = std::nullopt)
        : from(origin), to(destination), promotion(promotionType) {}

    // e2e4, e7e8q, e1g1.
    std::string uciString() const;

    // Trims, lower-cases and needs 4 or 5 characters; the squares must parse. A fifth character
    // that is no piece letter gives a move without promotion; "k" and "p" are kept (and never
    // legal). The caller checks the result against the legal moves.
    static std::optional<Move> fromUci(std::string_view text);

    constexpr bool operator==(const Move&) const = default;
};

} // namespace velkor

template <>
struct std::hash<velkor::Move> {
    std::size_t operator()(const velkor::Move& move) const noexcept {
        const auto promotion =
            move.promotion ? static_cast<std::size_t>(*move.promotion) + 1 : std::size_t{0};
        return static_cast<std::size_t>(move.from.index() * 64 + move.to.index()) * 8 + promotion;
    }
};
