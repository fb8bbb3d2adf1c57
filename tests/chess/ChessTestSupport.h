#pragma once

#include "chess/ChessBoard.h"
#include "chess/Move.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace velkor::testing {

// The move of a UCI text that the test knows to be well formed.
Move uci(std::string_view text);

// The UCI texts of a list of moves, in order.
std::vector<std::string> uciTexts(const std::vector<Move>& moves);

// Plays the moves in order; fails the test (and stops) at the first one that is not played.
void playAll(ChessBoard& board, std::initializer_list<std::string_view> moves);

// A board from a FEN the test knows to be valid.
ChessBoard boardFrom(std::string_view fen);

} // namespace velkor::testing
