#include "ChessTestSupport.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace velkor::testing {

Move uci(std::string_view text) {
    const std::optional<Move> move = Move::fromUci(text);
    if (!move) {
        throw std::invalid_argument("not a UCI move: " + std::string(text));
    }
    return *move;
}

std::vector<std::string> uciTexts(const std::vector<Move>& moves) {
    std::vector<std::string> texts;
    for (const Move& move : moves) {
        texts.push_back(move.uciString());
    }
    return texts;
}

void playAll(ChessBoard& board, std::initializer_list<std::string_view> moves) {
    for (const std::string_view text : moves) {
        ASSERT_TRUE(board.play(uci(text))) << text << " in " << board.fen();
    }
}

ChessBoard boardFrom(std::string_view fen) {
    try {
        return ChessBoard(fen);
    } catch (const DomainError& error) {
        throw std::invalid_argument("test FEN rejected (" + std::to_string(error.code()) +
                                    "): " + std::string(fen));
    }
}

} // namespace velkor::testing
