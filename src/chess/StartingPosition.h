#pragma once

#include <string_view>

namespace velkor {

// The standard initial position of chess as FEN.
inline constexpr std::string_view standardStartingFEN =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace velkor
