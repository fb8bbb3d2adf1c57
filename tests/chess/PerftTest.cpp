#include "ChessTestSupport.h"
#include "chess/ChessBoard.h"
#include "chess/Position.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace velkor {
namespace {

// Well-known perft positions with their node counts for depth 1, 2, ...; depths are cut where
// the suite would stop being fast (it also runs under the sanitizers).
struct PerftCase {
    const char* name;
    const char* fen;
    std::vector<std::int64_t> nodes;
};

const PerftCase perftCases[] = {
    {"StartPosition",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
     {20, 400, 8902, 197281}},
    {"Kiwipete",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
     {48, 2039, 97862}},
    {"RookEndgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812, 43238}},
    {"PromotionsAndChecks",
     "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
     {6, 264, 9467}},
    {"PromotionsAndChecksMirrored",
     "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
     {6, 264, 9467}},
    {"UnderPromotionAndCastling",
     "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
     {44, 1486, 62379}},
    {"EnPassantDiscoveredCheck", "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", {15, 126, 1928, 13931}},
    {"EnPassantRankPin", "8/8/8/8/k1p4R/8/3P4/3K4 w - - 0 1", {18, 92, 1670, 10138}},
    {"ShortCastlingOnly", "5k2/8/8/8/8/8/8/4K2R w K - 0 1", {15, 66, 1198, 6399}},
    {"LongCastlingOnly", "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", {16, 71, 1286, 7418}},
    {"CastlingUnderBishopFire", "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1", {26, 1141, 27826}},
    {"CastlingBlackQueens", "r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1", {44, 1494, 50509}},
    {"PromotionOutOfCheck", "2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1", {11, 133, 1442, 19174}},
    {"KnightAndQueen", "8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1", {29, 165, 5160, 31961}},
    {"PromoteToMate", "4k3/1P6/8/8/8/8/K7/8 w - - 0 1", {9, 40, 472, 2661, 38983}},
    {"UnderPromotion", "8/P1k5/K7/8/8/8/8/8 w - - 0 1", {6, 27, 273, 1329, 18135}},
    {"SelfStalemate", "K1k5/8/P7/8/8/8/8/8 w - - 0 1", {2, 6, 13, 63, 382, 2217}},
    {"StalemateAndCheckmate", "8/k1P5/8/1K6/8/8/8/8 w - - 0 1", {10, 25, 268, 926, 10857}},
    {"BlackQueenAndKnight", "8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1", {37, 183, 6559, 23527}},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const PerftCase& perftCase, std::ostream* stream) {
    *stream << perftCase.name;
}

class PerftTest : public ::testing::TestWithParam<PerftCase> {};

TEST_P(PerftTest, NodeCountsMatchTheReference) {
    const PerftCase& perftCase = GetParam();
    const ChessBoard board = testing::boardFrom(perftCase.fen);
    EXPECT_EQ(position::perft(board.compactPosition(), 0), 1);
    for (std::size_t depth = 1; depth <= perftCase.nodes.size(); ++depth) {
        EXPECT_EQ(position::perft(board.compactPosition(), static_cast<int>(depth)),
                  perftCase.nodes[depth - 1])
            << "depth " << depth;
    }
}

INSTANTIATE_TEST_SUITE_P(KnownPositions, PerftTest, ::testing::ValuesIn(perftCases),
                         [](const auto& row) { return std::string(row.param.name); });

// The same count through the public board: every legal move played and taken back.
std::int64_t playedPerft(ChessBoard& board, int depth) {
    if (depth == 0) {
        return 1;
    }
    std::int64_t nodes = 0;
    for (const Move& move : board.generateLegalMoves()) {
        EXPECT_TRUE(board.play(move));
        nodes += playedPerft(board, depth - 1);
        EXPECT_TRUE(board.undo());
    }
    return nodes;
}

TEST(PlayedPerftTest, PlayAndUndoWalkTheSameTree) {
    ChessBoard kiwipete(perftCases[1].fen);
    const ChessBoard before = kiwipete;
    EXPECT_EQ(playedPerft(kiwipete, 2), 2039);
    EXPECT_EQ(kiwipete, before);
    ChessBoard promotions(perftCases[3].fen);
    EXPECT_EQ(playedPerft(promotions, 3), 9467);
}

} // namespace
} // namespace velkor
