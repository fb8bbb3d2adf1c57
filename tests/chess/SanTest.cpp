#include "ChessTestSupport.h"
#include "chess/ChessBoard.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

using testing::boardFrom;
using testing::playAll;
using testing::uci;

struct SanCase {
    const char* fen;
    const char* move;
    const char* san;
};

TEST(SanTest, TextOfEveryKindOfMove) {
    const SanCase cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3", "Nf3"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", "e4"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "a2a3", "a3"},
        // Disambiguation by file, by rank, and by the whole square.
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "b1d2", "Nbd2"},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "f3d2", "Nfd2"},
        {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a1a3", "R1a3"},
        {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a5a3", "R5a3"},
        {"K7/2k5/8/8/4Q2Q/8/8/7Q w - - 0 1", "h4e1", "Qh4e1"},
        {"K7/2k5/8/8/4Q2Q/8/8/7Q w - - 0 1", "e4e1", "Qee1"},
        {"K7/2k5/8/8/4Q2Q/8/8/7Q w - - 0 1", "h1e1", "Q1e1"},
        // A pinned rival cannot reach the square, so it needs no disambiguation.
        {"4k3/8/8/8/8/8/8/r1N1K1N1 w - - 0 1", "g1e2", "Ne2"},
        // Captures, en passant without a marker, promotions.
        {"4k3/8/8/4p3/8/5N2/8/4K3 w - - 0 1", "f3e5", "Nxe5"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6"},
        {"4k3/8/8/2p5/3P4/8/8/4K3 w - - 0 1", "d4c5", "dxc5"},
        {"3qk2r/3pppP1/8/8/8/8/8/4K3 w - - 0 1", "g7h8q", "gxh8=Q#"},
        {"3qk2r/3pppP1/8/8/8/8/8/4K3 w - - 0 1", "g7g8n", "g8=N"},
        {"3qk2r/3pppP1/8/8/8/8/8/4K3 w - - 0 1", "g7h8r", "gxh8=R#"},
        {"3qk2r/3pppP1/8/8/8/8/8/4K3 w - - 0 1", "g7h8b", "gxh8=B"},
        // Check and mate signs; castling, also with check.
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "Ra8+"},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "a1a8", "Ra8#"},
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "O-O+"},
        {"r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8", "O-O-O"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "e1d2", "Kd2"},
        {"4k3/8/8/8/8/8/8/3qK3 w - - 0 1", "e1d1", "Kxd1"},
    };
    for (const SanCase& sanCase : cases) {
        const ChessBoard board = boardFrom(sanCase.fen);
        EXPECT_EQ(board.san(uci(sanCase.move)), sanCase.san) << sanCase.fen << " " << sanCase.move;
        EXPECT_EQ(board.standardAlgebraicNotation(uci(sanCase.move), board.generateLegalMoves()),
                  sanCase.san);
    }
}

TEST(SanTest, CastlingInTheRuyLopez) {
    ChessBoard board;
    playAll(board, {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6"});
    EXPECT_EQ(board.san(uci("e1g1")), "O-O");
    playAll(board, {"e1g1"});
    std::vector<std::string> texts;
    for (const MoveRecord& record : board.history()) {
        texts.push_back(record.san);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6",
                                               "O-O"}));
}

TEST(SanTest, IllegalMovesHaveNoText) {
    const ChessBoard board("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_FALSE(board.san(uci("a7a8")));
    EXPECT_FALSE(board.san(uci("e1e3")));
    EXPECT_FALSE(board.san(uci("e8d8")));
    EXPECT_FALSE(board.san(Move(Square(0, 6), Square(0, 8))));
    EXPECT_EQ(board.san(uci("a7a8q")), "a8=Q");
}

} // namespace
} // namespace velkor
