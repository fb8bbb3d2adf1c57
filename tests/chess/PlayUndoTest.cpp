#include "ChessTestSupport.h"
#include "chess/ChessBoard.h"

#include <gtest/gtest.h>
#include <random>
#include <unordered_map>

namespace velkor {
namespace {

using testing::boardFrom;
using testing::playAll;
using testing::uci;

// Plays one move, takes it back and expects the board to be exactly the one before.
void expectUndoRestores(std::string_view fen, std::string_view move) {
    ChessBoard board = boardFrom(fen);
    const ChessBoard before = board;
    ASSERT_TRUE(board.play(uci(move))) << move;
    EXPECT_NE(board, before);
    ASSERT_TRUE(board.undo());
    EXPECT_EQ(board, before) << move;
    EXPECT_EQ(board.fen(), before.fen()) << move;
}

TEST(PlayUndoTest, UndoRestoresSpecialMovesExactly) {
    expectUndoRestores("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 3 9", "e1g1");
    expectUndoRestores("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 3 9", "e1c1");
    expectUndoRestores("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 9", "e8c8");
    expectUndoRestores("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 30", "e5d6");
    expectUndoRestores("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 30", "e4d3");
    expectUndoRestores("1r2k3/P7/8/8/8/8/8/4K3 w - - 4 30", "a7a8q");
    expectUndoRestores("1r2k3/P7/8/8/8/8/8/4K3 w - - 4 30", "a7b8n");
    expectUndoRestores("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a8");
}

TEST(PlayUndoTest, UndoLowersTheCountOfThePositionTakenBack) {
    ChessBoard board;
    playAll(board, {"g1f3", "g8f6", "f3g1", "f6g8"});
    const std::string start = board.positionHashKey();
    EXPECT_EQ(board.positionHistory().at(start), 2);
    ASSERT_TRUE(board.undo());
    EXPECT_EQ(board.positionHistory().at(start), 1);
    const std::string afterNg1 = board.positionHashKey();
    ASSERT_TRUE(board.undo());
    EXPECT_EQ(board.positionHistory().count(afterNg1), 0U);
}

TEST(PlayUndoTest, NothingToUndoOnAFreshBoard) {
    ChessBoard board;
    const ChessBoard before = board;
    EXPECT_FALSE(board.undo());
    EXPECT_EQ(board, before);
}

TEST(PlayUndoTest, FullmoveNumberAfterUndoingBlacksFirstMove) {
    ChessBoard board("4k3/8/8/8/8/8/8/4K2R b K - 0 1");
    playAll(board, {"e8d8"});
    EXPECT_EQ(board.fullmoveNumber(), 2);
    ASSERT_TRUE(board.undo());
    EXPECT_EQ(board.fullmoveNumber(), 1);
    EXPECT_EQ(board.turn(), PieceColor::black);
}

TEST(PlayUndoTest, IllegalMovesChangeNothing) {
    ChessBoard board;
    playAll(board, {"e2e4", "e7e5"});
    const ChessBoard before = board;
    for (const Move& move : {uci("e4e5"), uci("e1e2q"), uci("a1a3"), uci("e8e7"), uci("g1g3"),
                             Move(Square(4, 1), Square(4, 9)), Move(Square(-1, 0), Square(0, 0))}) {
        EXPECT_FALSE(board.play(move)) << move.uciString();
        EXPECT_EQ(board, before);
    }
}

TEST(PlayUndoTest, RecordsCarryWhatUndoAndReplayNeed) {
    ChessBoard board("4k3/8/8/3pP3/8/8/8/4K3 w - d6 4 30");
    const Piece taken = *board[Square(3, 4)];
    playAll(board, {"e5d6"});
    const MoveRecord& record = board.history().back();
    EXPECT_EQ(record.move, uci("e5d6"));
    EXPECT_EQ(record.san, "exd6");
    ASSERT_TRUE(record.capturedPiece);
    EXPECT_EQ(*record.capturedPiece, Piece(PieceType::pawn, PieceColor::black));
    EXPECT_EQ(record.capturedPiece->id, taken.id);
    EXPECT_EQ(record.previousCastling, CastlingRights::none());
    EXPECT_EQ(record.previousEnPassant, Square(3, 5));
    EXPECT_EQ(record.previousHalfmove, 4);
    EXPECT_EQ(record.fenAfter, "4k3/8/3P4/8/8/8/8/4K3 b - - 0 30");
    EXPECT_EQ(record.fenAfter, board.fen());
}

TEST(PlayUndoTest, PieceIdsFollowTheMenExceptThroughPromotion) {
    ChessBoard board("r3k3/1P6/8/8/8/8/8/R3K2R w KQq - 0 1");
    const PieceId king = board[Square(4, 0)]->id;
    const PieceId rook = board[Square(7, 0)]->id;
    const PieceId pawn = board[Square(1, 6)]->id;
    const PieceId blackRook = board[Square(0, 7)]->id;

    playAll(board, {"e1g1"});
    EXPECT_EQ(board[Square(6, 0)]->id, king);
    EXPECT_EQ(board[Square(5, 0)]->id, rook);
    ASSERT_TRUE(board.undo());
    EXPECT_EQ(board[Square(4, 0)]->id, king);
    EXPECT_EQ(board[Square(7, 0)]->id, rook);

    playAll(board, {"b7a8q"});
    const PieceId queen = board[Square(0, 7)]->id;
    EXPECT_NE(queen, pawn);
    EXPECT_NE(queen, blackRook);
    ASSERT_TRUE(board.undo());
    EXPECT_EQ(board[Square(0, 7)]->id, blackRook) << "the captured man keeps its id";
    EXPECT_NE(board[Square(1, 6)]->id, pawn) << "the pawn put back is a new man";
    EXPECT_EQ(board[Square(1, 6)], Piece(PieceType::pawn, PieceColor::white));
}

// Random legal games: every undo gives back exactly the board of one ply earlier, and replaying
// the history from the initial FEN reproduces the game.
TEST(PlayUndoTest, RandomGamesUndoToEveryEarlierBoard) {
    std::mt19937 random(7);
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    };
    int plies = 0;
    for (int game = 0; game < 24; ++game) {
        ChessBoard board = boardFrom(starts[game % 4]);
        std::vector<ChessBoard> earlier;
        for (int ply = 0; ply < 120; ++ply) {
            const std::vector<Move> moves = board.generateLegalMoves();
            if (moves.empty()) {
                break;
            }
            earlier.push_back(board);
            ASSERT_TRUE(board.play(moves[random() % moves.size()]));
            ++plies;
        }

        ChessBoard replay = boardFrom(board.initialFEN());
        for (const MoveRecord& record : board.history()) {
            ASSERT_TRUE(replay.play(record.move));
            ASSERT_EQ(replay.fen(), record.fenAfter);
        }
        EXPECT_EQ(replay, board);

        // Ids come back too, except that the pawn put back after a promotion is a new man; it
        // keeps its new id through earlier undos, so it is matched through this map.
        std::unordered_map<PieceId, PieceId> renewed;
        while (!earlier.empty()) {
            const Move takenBack = board.history().back().move;
            ASSERT_TRUE(board.undo());
            const ChessBoard& expected = earlier.back();
            ASSERT_EQ(board, expected) << "after undo to ply " << earlier.size();
            ASSERT_EQ(board.fen(), expected.fen());
            if (takenBack.promotion) {
                renewed[board[takenBack.from]->id] = expected[takenBack.from]->id;
            }
            for (const Square square : allSquares) {
                if (expected[square]) {
                    const PieceId id = board[square]->id;
                    ASSERT_EQ(renewed.count(id) ? renewed.at(id) : id, expected[square]->id)
                        << takenBack.uciString() << " " << square.algebraic();
                }
            }
            earlier.pop_back();
        }
        EXPECT_FALSE(board.undo());
    }
    EXPECT_GT(plies, 1000);
}

} // namespace
} // namespace velkor
