#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// A board coordinate: file 0 = a ... 7 = h, rank 0 = rank 1 ... 7 = rank 8.
// index() = file + rank * 8 (a1 = 0, h8 = 63) is the index into the board everywhere.
struct Square {
    std::int64_t file = 0;
    std::int64_t rank = 0;

    constexpr Square() = default;
    // Stores both numbers unchecked; callers pass 0-7.
    constexpr Square(std::int64_t fileIndex, std::int64_t rankIndex)
        : file(fileIndex), rank(rankIndex) {}

    // 0-63 gives (index mod 8, index div 8); anything else gives no square.
    static constexpr std::optional<Square> fromIndex(std::int64_t index) {
        if (index < 0 || index > 63) {
            return std::nullopt;
        }
        return Square(index % 8, index / 8);
    }

    // Lenient algebraic parse: trims white space, lower-cases, then needs exactly "a"-"h"
    // followed by "1"-"8" ("  E4\n" gives e4; e9, i1, e and e44 give nothing).
    static std::optional<Square> parse(std::string_view text);

    constexpr std::int64_t index() const { return file + rank * 8; }
    constexpr std::int64_t id() const { return index(); }
    // a1 is dark, h1 and a8 are light.
    constexpr bool isLight() const { return (file + rank) % 2 != 0; }
    constexpr char fileChar() const { return static_cast<char>('a' + file); }
    constexpr char rankChar() const { return static_cast<char>('1' + rank); }
    std::string algebraic() const { return std::string{fileChar(), rankChar()}; }

    constexpr bool operator==(const Square&) const = default;
};

namespace detail {
constexpr std::array<Square, 64> makeAllSquares() {
    std::array<Square, 64> squares{};
    for (std::int64_t index = 0; index < 64; ++index) {
        squares[static_cast<std::size_t>(index)] = Square(index % 8, index / 8);
    }
    return squares;
}
} // namespace detail

// The 64 squares in index order a1, b1, ..., h1, a2, ..., h8. Every board scan walks this order.
inline constexpr std::array<Square, 64> allSquares = detail::makeAllSquares();

} // namespace velkor

template <>
struct std::hash<velkor::Square> {
    std::size_t operator()(const velkor::Square& square) const noexcept {
        return std::hash<std::int64_t>{}(square.file * 131 + square.rank);
    }
};
