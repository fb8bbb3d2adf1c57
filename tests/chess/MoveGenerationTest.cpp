#include "ChessTestSupport.h"
#include "chess/ChessBoard.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velkor {
namespace {

using testing::boardFrom;
using testing::playAll;
using testing::uci;
using testing::uciTexts;

using Texts = std::vector<std::string>;

bool contains(const std::vector<Move>& moves, std::string_view text) {
    return std::find(moves.begin(), moves.end(), uci(text)) != moves.end();
}

TEST(MoveGenerationTest, StartPositionOrderIsByOriginThenGenerator) {
    const ChessBoard board;
    EXPECT_EQ(
        uciTexts(board.generateLegalMoves()),
        (Texts{"b1a3", "b1c3", "g1f3", "g1h3", "a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4",
               "d2d3", "d2d4", "e2e3", "e2e4", "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4"}));
    EXPECT_EQ(uciTexts(board.legalMoves(Square(4, 1))), (Texts{"e2e3", "e2e4"}));
    EXPECT_TRUE(board.legalMoves(Square(4, 4)).empty());
    EXPECT_TRUE(board.legalMoves(Square(4, 6)).empty()) << "black men while white is to move";
}

TEST(MoveGenerationTest, PieceOrderFollowsTheDirectionTables) {
    // Queen: bishop lines (+1,+1), (+1,-1), (-1,+1), (-1,-1), then rook lines up, down, right,
    // left; king: steps from (-1,-1) to (+1,+1), then castling kingside before queenside.
    const ChessBoard board("4k3/8/8/8/8/8/2Q5/R3K2R w KQ - 0 1");
    EXPECT_EQ(uciTexts(board.legalMoves(Square(2, 1))),
              (Texts{"c2d3", "c2e4", "c2f5", "c2g6", "c2h7", "c2d1", "c2b3", "c2a4",
                     "c2b1", "c2c3", "c2c4", "c2c5", "c2c6", "c2c7", "c2c8", "c2c1",
                     "c2d2", "c2e2", "c2f2", "c2g2", "c2h2", "c2b2", "c2a2"}));
    EXPECT_EQ(uciTexts(board.legalMoves(Square(4, 0))),
              (Texts{"e1d1", "e1d2", "e1e2", "e1f1", "e1f2", "e1g1", "e1c1"}));
    const ChessBoard knight("4k3/8/8/8/3N4/8/8/4K3 w - - 0 1");
    EXPECT_EQ(uciTexts(knight.legalMoves(Square(3, 3))),
              (Texts{"d4b3", "d4b5", "d4c2", "d4c6", "d4e2", "d4e6", "d4f3", "d4f5"}));
    // Pawns: one step, two steps, then the capture towards file a before the one towards h,
    // for black as for white.
    const ChessBoard pawns("4k3/3p4/2N1N3/8/8/2n1n3/3P4/4K3 w - - 0 1");
    EXPECT_EQ(uciTexts(pawns.legalMoves(Square(3, 1))), (Texts{"d2d3", "d2d4", "d2c3", "d2e3"}));
    const ChessBoard blackPawns("4k3/3p4/2N1N3/8/8/2n1n3/3P4/4K3 b - - 0 1");
    EXPECT_EQ(uciTexts(blackPawns.legalMoves(Square(3, 6))),
              (Texts{"d7d6", "d7d5", "d7c6", "d7e6"}));
}

TEST(MoveGenerationTest, PromotionsNeedAPieceAndComeQueenFirst) {
    ChessBoard board("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(uciTexts(board.legalMoves(Square(0, 6))),
              (Texts{"a7a8q", "a7a8r", "a7a8b", "a7a8n", "a7b8q", "a7b8r", "a7b8b", "a7b8n"}));
    EXPECT_FALSE(board.play(uci("a7a8")));
    EXPECT_FALSE(board.play(uci("a7a8k")));
    EXPECT_FALSE(board.play(uci("a7a8p")));
    EXPECT_TRUE(board.play(uci("a7b8n")));
    EXPECT_EQ(board[Square(1, 7)], Piece(PieceType::knight, PieceColor::white));
    EXPECT_FALSE(board[Square(0, 6)]);

    const ChessBoard black("4k3/8/8/8/8/8/p7/4K3 b - - 0 1");
    EXPECT_EQ(uciTexts(black.legalMoves(Square(0, 1))),
              (Texts{"a2a1q", "a2a1r", "a2a1b", "a2a1n"}));
}

TEST(MoveGenerationTest, CastlingNeedsSafeEmptySquaresAndItsRook) {
    const auto castles = [](std::string_view fen) {
        Texts found;
        for (const Move& move : boardFrom(fen).legalMoves(Square(4, 0))) {
            if (move.to.file == 6 || move.to.file == 2) {
                found.push_back(move.uciString());
            }
        }
        return found;
    };
    EXPECT_EQ(castles("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), (Texts{"e1g1", "e1c1"}));
    EXPECT_EQ(castles("r3k2r/8/8/8/4r3/8/8/R3K2R w KQkq - 0 1"), Texts{}) << "in check";
    EXPECT_EQ(castles("r3k2r/8/8/8/5r2/8/8/R3K2R w KQkq - 0 1"), Texts{"e1c1"}) << "f1 attacked";
    EXPECT_EQ(castles("r3k2r/8/8/8/6r1/8/8/R3K2R w KQkq - 0 1"), Texts{"e1c1"}) << "g1 attacked";
    EXPECT_EQ(castles("r3k2r/8/8/8/3r4/8/8/R3K2R w KQkq - 0 1"), Texts{"e1g1"}) << "d1 attacked";
    EXPECT_EQ(castles("r3k2r/8/8/8/2r5/8/8/R3K2R w KQkq - 0 1"), Texts{"e1g1"}) << "c1 attacked";
    EXPECT_EQ(castles("r3k2r/8/8/8/1r6/8/8/R3K2R w KQkq - 0 1"), (Texts{"e1g1", "e1c1"}))
        << "b1 may be attacked";
    EXPECT_EQ(castles("r3k2r/8/8/8/8/8/8/RN2K1NR w KQkq - 0 1"), Texts{}) << "b1 and g1 occupied";
    EXPECT_EQ(castles("r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1"), Texts{}) << "no rights";

    // The flags alone are not enough: the corner must still hold an own rook.
    ChessBoard wrongRook("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    wrongRook.setPiece(Square(7, 0), std::nullopt);
    wrongRook.setPiece(Square(0, 0), Piece(PieceType::queen, PieceColor::white));
    EXPECT_FALSE(contains(wrongRook.generateLegalMoves(), "e1g1"));
    EXPECT_FALSE(contains(wrongRook.generateLegalMoves(), "e1c1"));

    const ChessBoard black("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    EXPECT_TRUE(contains(black.generateLegalMoves(), "e8g8"));
    EXPECT_TRUE(contains(black.generateLegalMoves(), "e8c8"));
}

TEST(MoveGenerationTest, EnPassantIsGeneratedUnlessItExposesTheKing) {
    const ChessBoard open("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(uciTexts(open.legalMoves(Square(4, 4))), (Texts{"e5e6", "e5d6"}));

    const ChessBoard rankPin("8/8/8/K2pP2r/8/8/8/7k w - d6 0 1");
    EXPECT_EQ(uciTexts(rankPin.legalMoves(Square(4, 4))), Texts{"e5e6"});

    const ChessBoard diagonalPin("b3k3/8/8/3pP3/8/8/8/7K w - d6 0 1");
    EXPECT_FALSE(contains(diagonalPin.generateLegalMoves(), "e5d6"));
    EXPECT_TRUE(contains(diagonalPin.generateLegalMoves(), "e5e6"));

    // Taking en passant removes the checking pawn.
    const ChessBoard evasion("8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1");
    EXPECT_TRUE(contains(evasion.generateLegalMoves(), "e4d3"));
}

TEST(MoveGenerationTest, TwoStepAdvanceAlwaysSetsTheTarget) {
    ChessBoard board;
    playAll(board, {"a2a4"});
    EXPECT_EQ(board.enPassantTarget(), Square(0, 2));
    playAll(board, {"g8f6"});
    EXPECT_FALSE(board.enPassantTarget());
}

TEST(MoveGenerationTest, TheEnemyKingIsNeverCapturedAndBlocksLikeAnOwnMan) {
    ChessBoard board("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    board.setPiece(Square(4, 3), Piece(PieceType::rook, PieceColor::white));
    const std::vector<Move> moves = board.generateLegalMoves();
    EXPECT_FALSE(contains(moves, "e4e8"));
    EXPECT_TRUE(contains(moves, "e4e7"));
    EXPECT_EQ(std::count_if(moves.begin(), moves.end(),
                            [](const Move& move) { return move.to == Square(4, 7); }),
              0);
}

TEST(MoveGenerationTest, PinnedMenMayOnlyMoveAlongThePin) {
    const ChessBoard board("4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1");
    EXPECT_EQ(uciTexts(board.legalMoves(Square(4, 1))),
              (Texts{"e2e3", "e2e4", "e2e5", "e2e6", "e2e7"}));
    // A king in check has only evasions.
    const ChessBoard check("4k3/8/8/8/8/8/3PPP2/2r1K3 w - - 0 1");
    EXPECT_EQ(uciTexts(check.generateLegalMoves()), Texts{});
    const ChessBoard escape("4k3/8/8/8/8/8/3P1P2/2r1K3 w - - 0 1");
    EXPECT_EQ(uciTexts(escape.generateLegalMoves()), Texts{"e1e2"});
}

TEST(MoveGenerationTest, AttackTestsAndKingSearch) {
    const ChessBoard board("4k3/8/8/8/8/2n5/8/4K3 w - - 0 1");
    EXPECT_TRUE(board.isSquareAttacked(Square(3, 0), PieceColor::black));
    EXPECT_TRUE(board.isSquareAttacked(Square(4, 1), PieceColor::black));
    EXPECT_FALSE(board.isSquareAttacked(Square(4, 0), PieceColor::black));
    EXPECT_TRUE(board.isSquareAttacked(Square(4, 6), PieceColor::black)) << "own king's step";
    EXPECT_FALSE(board.isSquareAttacked(Square(8, 0), PieceColor::black));
    EXPECT_EQ(board.findKing(PieceColor::black), Square(4, 7));
    EXPECT_FALSE(board.isKingInCheck(PieceColor::white));

    ChessBoard kingless = board;
    kingless.setPiece(Square(4, 0), std::nullopt);
    EXPECT_FALSE(kingless.findKing(PieceColor::white));
    EXPECT_FALSE(kingless.isKingInCheck(PieceColor::white));
}

TEST(MoveGenerationTest, CastlingRightsFollowKingAndRookMoves) {
    ChessBoard board("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    playAll(board, {"h1h5"});
    EXPECT_EQ(board.castlingRights(), (CastlingRights{false, true, true, true}));

    ChessBoard capture("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    playAll(capture, {"a1a8"});
    EXPECT_EQ(capture.castlingRights(), (CastlingRights{true, false, true, false}));

    ChessBoard kingStep("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    playAll(kingStep, {"e8d8"});
    EXPECT_EQ(kingStep.castlingRights(), (CastlingRights{true, true, false, false}));

    ChessBoard castled("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    playAll(castled, {"e1c1"});
    EXPECT_EQ(castled.castlingRights(), (CastlingRights{false, false, true, true}));
    EXPECT_EQ(castled.fen(), "r3k2r/8/8/8/8/8/8/2KR3R b kq - 1 1");
}

TEST(MoveGenerationTest, CountersFollowCapturesPawnMovesAndBlackMoves) {
    ChessBoard board("4k3/8/8/3p4/8/4N3/4P3/4K3 w - - 7 12");
    playAll(board, {"e3c4"});
    EXPECT_EQ(board.halfmoveClock(), 8);
    EXPECT_EQ(board.fullmoveNumber(), 12);
    playAll(board, {"d5c4"});
    EXPECT_EQ(board.halfmoveClock(), 0);
    EXPECT_EQ(board.fullmoveNumber(), 13);
    playAll(board, {"e1d1", "e8d8", "e2e4"});
    EXPECT_EQ(board.halfmoveClock(), 0);
    EXPECT_EQ(board.fullmoveNumber(), 14);
}

TEST(MoveGenerationTest, HugeCountersStopAtTheLargestValue) {
    ChessBoard board("4k3/8/8/8/8/8/8/4K2R b - - 9223372036854775807 9223372036854775807");
    playAll(board, {"e8d8"});
    EXPECT_EQ(board.halfmoveClock(), 9223372036854775807);
    EXPECT_EQ(board.fullmoveNumber(), 9223372036854775807);
    EXPECT_TRUE(board.undo());
    EXPECT_EQ(board.turn(), PieceColor::black);
}

} // namespace
} // namespace velkor
