#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace velkor {

// The four castling flags, in FEN order K, Q, k, q.
struct CastlingRights {
    bool whiteKingside = true;
    bool whiteQueenside = true;
    bool blackKingside = true;
    bool blackQueenside = true;

    // The letters of the set flags in the order KQkq, or "-" when none is set.
    std::string fenString() const {
        std::string text;
        if (whiteKingside) {
            text += 'K';
        }
        if (whiteQueenside) {
            text += 'Q';
        }
        if (blackKingside) {
            text += 'k';
        }
        if (blackQueenside) {
            text += 'q';
        }
        return text.empty() ? "-" : text;
    }

    // Each flag is set when its letter occurs anywhere in the text; nothing else is examined
    // (the FEN reader validates the field first).
    static CastlingRights fromFen(std::string_view text) {
        const auto has = [text](char letter) {
            return text.find(letter) != std::string_view::npos;
        };
        return CastlingRights{has('K'), has('Q'), has('k'), has('q')};
    }

    static constexpr CastlingRights none() { return CastlingRights{false, false, false, false}; }

    constexpr bool operator==(const CastlingRights&) const = default;
};

} // namespace velkor

template <>
struct std::hash<velkor::CastlingRights> {
    std::size_t operator()(const velkor::CastlingRights& rights) const noexcept {
        return (rights.whiteKingside ? 1u : 0u) | (rights.whiteQueenside ? 2u : 0u) |
               (rights.blackKingside ? 4u : 0u) | (rights.blackQueenside ? 8u : 0u);
    }
};
