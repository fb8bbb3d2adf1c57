#include "ChessTestSupport.h"
#include "chess/ChessBoard.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velkor {
namespace {

using testing::boardFrom;
using testing::playAll;

std::vector<PieceType> typesOf(const std::vector<Piece>& pieces) {
    std::vector<PieceType> types;
    for (const Piece& piece : pieces) {
        types.push_back(piece.type);
    }
    std::sort(types.begin(), types.end());
    return types;
}

TEST(GameEndTest, FoolsMateIsCheckmateForBlack) {
    ChessBoard board;
    playAll(board, {"f2f3", "e7e5", "g2g4", "d8h4"});
    EXPECT_EQ(board.gameEndReason(), GameEndReason::checkmate(PieceColor::black));
    EXPECT_TRUE(board.isGameOver());
    EXPECT_TRUE(board.generateLegalMoves().empty());
    EXPECT_EQ(board.history().back().san, "Qh4#");
}

TEST(GameEndTest, StalemateOutranksTheSeventyFiveMoveRule) {
    EXPECT_EQ(boardFrom("7k/5Q2/6K1/8/8/8/8/8 b - - 0 60").gameEndReason(),
              GameEndReason::stalemate());
    EXPECT_EQ(boardFrom("7k/5Q2/6K1/8/8/8/8/8 b - - 150 100").gameEndReason(),
              GameEndReason::stalemate());
    // A mate on the move that reaches 150 plies is a mate.
    ChessBoard mate("6k1/5ppp/8/8/8/8/8/R5K1 w - - 149 100");
    playAll(mate, {"a1a8"});
    EXPECT_EQ(mate.halfmoveClock(), 150);
    EXPECT_EQ(mate.gameEndReason(), GameEndReason::checkmate(PieceColor::white));
}

TEST(GameEndTest, FiftyMoveClaimAndSeventyFiveMoveEnd) {
    const auto board = [](int halfmove) {
        return boardFrom("4k3/8/8/8/8/8/8/R3K3 w - - " + std::to_string(halfmove) + " 80");
    };
    EXPECT_FALSE(board(99).claimableDrawReason());
    EXPECT_FALSE(board(99).gameEndReason());
    EXPECT_EQ(board(100).claimableDrawReason(), GameEndReason::fiftyMoveRule());
    EXPECT_FALSE(board(100).gameEndReason());
    EXPECT_EQ(board(149).claimableDrawReason(), GameEndReason::fiftyMoveRule());
    EXPECT_EQ(board(150).gameEndReason(), GameEndReason::seventyFiveMoveRule());

    ChessBoard played = board(99);
    playAll(played, {"a1a2"});
    EXPECT_EQ(played.claimableDrawReason(), GameEndReason::fiftyMoveRule());
}

TEST(GameEndTest, ThreefoldClaimAndFivefoldEndCountTheLoadedPosition) {
    ChessBoard board;
    const auto shuffle = [&board] { playAll(board, {"g1f3", "g8f6", "f3g1", "f6g8"}); };
    shuffle();
    EXPECT_FALSE(board.claimableDrawReason());
    shuffle();
    EXPECT_EQ(board.claimableDrawReason(), GameEndReason::threefoldRepetition());
    EXPECT_FALSE(board.gameEndReason());
    shuffle();
    EXPECT_FALSE(board.gameEndReason());
    shuffle();
    EXPECT_EQ(board.gameEndReason(), GameEndReason::fivefoldRepetition());
    EXPECT_EQ(board.positionHistory().at(board.positionHashKey()), 5);

    ASSERT_TRUE(board.undo());
    ASSERT_TRUE(board.undo());
    ASSERT_TRUE(board.undo());
    ASSERT_TRUE(board.undo());
    EXPECT_FALSE(board.gameEndReason()) << "undo removes the counts again";
    EXPECT_EQ(board.claimableDrawReason(), GameEndReason::threefoldRepetition());
}

TEST(GameEndTest, AnUnusableEnPassantSquareDoesNotMakeANewPosition) {
    ChessBoard board;
    // After 1. e4 the target e3 cannot be used, so the position repeats after 3. Ng1 and 5. Ng1.
    playAll(board, {"e2e4", "g8f6", "g1f3", "f6g8", "f3g1", "g8f6", "g1f3", "f6g8", "f3g1"});
    EXPECT_EQ(board.claimableDrawReason(), GameEndReason::threefoldRepetition());

    // After d7-d5 next to a white pawn on e5 the target counts: the same placement without it
    // is another position.
    ChessBoard usable("rnbqkbnr/pppppppp/8/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2");
    playAll(usable, {"d7d5", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(usable.positionHistory().at(usable.positionHashKey()), 2);
    EXPECT_FALSE(usable.claimableDrawReason());
}

TEST(GameEndTest, DeadPositions) {
    const auto dead = [](std::string_view fen) { return boardFrom(fen).hasInsufficientMaterial(); };
    EXPECT_TRUE(dead("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_TRUE(dead("4k3/8/8/8/8/8/8/4KN2 w - - 0 1"));
    EXPECT_TRUE(dead("4kb2/8/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_FALSE(dead("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_TRUE(dead("4kb2/8/8/8/8/8/8/2B1K3 w - - 0 1")) << "both bishops on dark squares";
    EXPECT_FALSE(dead("2b1k3/8/8/8/8/8/8/2B1K3 w - - 0 1")) << "opposite shades";
    EXPECT_FALSE(dead("4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1")) << "two knights";
    EXPECT_FALSE(dead("4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1")) << "two bishops of one side";
    EXPECT_FALSE(dead("4k3/8/8/8/8/8/8/3RK3 w - - 0 1"));
    EXPECT_EQ(boardFrom("4k3/8/8/8/8/8/8/4KN2 w - - 0 1").gameEndReason(),
              GameEndReason::insufficientMaterial());
}

TEST(GameEndTest, MatingMaterial) {
    const auto canMate = [](std::string_view fen, PieceColor color) {
        return boardFrom(fen).canPossiblyCheckmate(color);
    };
    EXPECT_FALSE(canMate("4k3/8/8/8/8/8/8/4K3 w - - 0 1", PieceColor::white));
    EXPECT_FALSE(canMate("4k3/8/8/8/8/8/8/4KN2 w - - 0 1", PieceColor::white));
    EXPECT_TRUE(canMate("4k3/4p3/8/8/8/8/8/4KN2 w - - 0 1", PieceColor::white));
    EXPECT_TRUE(canMate("4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", PieceColor::white));
    EXPECT_TRUE(canMate("4k3/8/8/8/8/8/3P4/4K3 w - - 0 1", PieceColor::white));
    EXPECT_TRUE(canMate("4k3/8/8/8/8/8/8/4K2R w - - 0 1", PieceColor::white));
    EXPECT_FALSE(canMate("4k3/8/8/8/8/8/8/4K2R w - - 0 1", PieceColor::black));
    EXPECT_TRUE(canMate("4kb2/8/8/8/8/8/8/4KN2 w - - 0 1", PieceColor::black));
}

TEST(GameEndTest, CapturedPiecesAndMaterial) {
    const ChessBoard start;
    EXPECT_TRUE(start.capturedPieces().white.empty());
    EXPECT_TRUE(start.capturedPieces().black.empty());
    EXPECT_EQ(start.materialScore(), 0);

    const ChessBoard queenForKnight("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/R1BQKBNR w KQkq - 0 1");
    EXPECT_EQ(typesOf(queenForKnight.capturedPieces().black), std::vector{PieceType::queen});
    EXPECT_EQ(typesOf(queenForKnight.capturedPieces().white), std::vector{PieceType::knight});
    EXPECT_EQ(queenForKnight.capturedPieces().black.front().color, PieceColor::black);
    EXPECT_EQ(queenForKnight.materialScore(), 6);

    const ChessBoard promoted("rnbqkbnr/pppppppp/8/8/3Q4/8/1PPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(typesOf(promoted.capturedPieces().white), std::vector{PieceType::pawn});
    EXPECT_EQ(promoted.materialScore(), 8);

    const ChessBoard bare("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(bare.capturedPieces().white.size(), 15U);
    const std::vector<PieceType> blackTypes = typesOf(bare.capturedPieces().black);
    EXPECT_EQ(std::count(blackTypes.begin(), blackTypes.end(), PieceType::pawn), 8);
    EXPECT_EQ(std::count(blackTypes.begin(), blackTypes.end(), PieceType::rook), 2);
    EXPECT_EQ(std::count(blackTypes.begin(), blackTypes.end(), PieceType::king), 0);
}

TEST(GameEndTest, CapturedInGameCountsOnlyThisGamesCaptures) {
    // A set-up position is missing most men, yet nothing has been taken in this game.
    ChessBoard board("r3k3/8/8/3p4/4P3/8/8/4K2R w - - 0 1");
    EXPECT_TRUE(board.capturedInGame().white.empty());
    EXPECT_TRUE(board.capturedInGame().black.empty());
    ASSERT_TRUE(board.play(Move(*Square::parse("e4"), *Square::parse("d5"))));
    ASSERT_TRUE(board.play(Move(*Square::parse("a8"), *Square::parse("a7"))));
    ASSERT_TRUE(board.play(Move(*Square::parse("h1"), *Square::parse("h8"))));
    EXPECT_EQ(typesOf(board.capturedInGame().black), std::vector{PieceType::pawn});
    EXPECT_TRUE(board.capturedInGame().white.empty());
    // Rh8+ took nothing; the material balance is the position's own.
    EXPECT_EQ(board.materialScore(), 1);
    board.undo();
    board.undo();
    board.undo();
    EXPECT_TRUE(board.capturedInGame().black.empty());
}

TEST(GameEndTest, BoardWithoutAKingForTheMoverIsStalemate) {
    ChessBoard board("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    board.setPiece(Square(4, 0), std::nullopt);
    EXPECT_TRUE(board.generateLegalMoves().empty());
    EXPECT_EQ(board.gameEndReason(), GameEndReason::stalemate());
    board.setPiece(Square(0, 1), Piece(PieceType::rook, PieceColor::white));
    EXPECT_EQ(board.generateLegalMoves().size(), 14U) << "a kingless side has every move";
}

} // namespace
} // namespace velkor
