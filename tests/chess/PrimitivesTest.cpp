#include "chess/CastlingRights.h"
#include "chess/GameEndReason.h"
#include "chess/Move.h"
#include "chess/Piece.h"
#include "chess/PieceColor.h"
#include "chess/PieceType.h"
#include "chess/Square.h"

#include <functional>
#include <gtest/gtest.h>
#include <unordered_set>

namespace velkor {
namespace {

TEST(SquareTest, IndexConversionsStayOnTheBoard) {
    EXPECT_FALSE(Square::fromIndex(64));
    EXPECT_FALSE(Square::fromIndex(-1));
    EXPECT_EQ(Square::fromIndex(63), Square(7, 7));
    EXPECT_EQ(Square::fromIndex(28)->algebraic(), "e4");
    EXPECT_EQ(Square(1, 0).index(), 1);
    EXPECT_EQ(Square(0, 1).index(), 8);
    for (const Square square : allSquares) {
        EXPECT_EQ(Square::fromIndex(square.index()), square);
    }
}

TEST(SquareTest, AlgebraicParseIsLenientAboutCaseAndBlanksOnly) {
    EXPECT_EQ(Square::parse("h8")->index(), 63);
    EXPECT_EQ(Square::parse(" E4\n"), Square(4, 3));
    // Unicode blanks and line separators trim too (no-break space, U+2028, ideographic space),
    // while look-alikes that are not white space (U+00A1, zero-width space) do not.
    EXPECT_EQ(Square::parse("\u00A0E4\u2028"), Square(4, 3));
    EXPECT_EQ(Square::parse("\u3000\u2003e4\u0085\u202F"), Square(4, 3));
    EXPECT_FALSE(Square::parse("e4\u00A1"));
    EXPECT_FALSE(Square::parse("\u200Be4"));
    for (const char* text : {"e9", "i1", "e", "e44", "", "4e", "e0"}) {
        EXPECT_FALSE(Square::parse(text)) << text;
    }
}

TEST(SquareTest, ShadeFollowsFilePlusRank) {
    EXPECT_FALSE(Square::parse("a1")->isLight());
    EXPECT_TRUE(Square::parse("h1")->isLight());
    EXPECT_TRUE(Square::parse("a8")->isLight());
    EXPECT_FALSE(Square::parse("h8")->isLight());
}

TEST(PieceTypeTest, RawValuesAcceptOnlyTheExactLetters) {
    EXPECT_EQ(pieceTypeFromRawValue('n'), PieceType::knight);
    EXPECT_FALSE(pieceTypeFromRawValue('N'));
    EXPECT_FALSE(pieceTypeFromRawValue("qq"));
    EXPECT_EQ(pieceColorFromRawValue("b"), PieceColor::black);
    EXPECT_FALSE(pieceColorFromRawValue("W"));
}

TEST(PieceTest, EqualityAndHashIgnoreTheId) {
    const Piece first(PieceType::knight, PieceColor::white);
    const Piece second(PieceType::knight, PieceColor::white);
    EXPECT_NE(first.id, second.id);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::hash<Piece>{}(first), std::hash<Piece>{}(second));
    EXPECT_NE(first, Piece(PieceType::knight, PieceColor::black));
    EXPECT_NE(first, Piece(PieceType::bishop, PieceColor::white));
}

TEST(PieceTest, FenCharacters) {
    EXPECT_EQ(Piece(PieceType::knight, PieceColor::white).fenChar(), 'N');
    EXPECT_EQ(Piece(PieceType::knight, PieceColor::black).fenChar(), 'n');
    EXPECT_EQ(Piece::fromFenChar('Q'), Piece(PieceType::queen, PieceColor::white));
    EXPECT_EQ(Piece::fromFenChar('k'), Piece(PieceType::king, PieceColor::black));
    EXPECT_FALSE(Piece::fromFenChar('x'));
    EXPECT_FALSE(Piece::fromFenChar('1'));
}

TEST(PieceIdTest, FreshIdsAreDistinctVersionFourUuids) {
    std::unordered_set<PieceId> ids;
    for (int i = 0; i < 1000; ++i) {
        ids.insert(PieceId::generate());
    }
    EXPECT_EQ(ids.size(), 1000U);
    const std::string text = PieceId::generate().toString();
    ASSERT_EQ(text.size(), 36U);
    EXPECT_EQ(text[8], '-');
    EXPECT_EQ(text[14], '4');
    EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
}

TEST(MoveTest, UciTextRoundTrips) {
    EXPECT_EQ(Move::fromUci("e2e4")->uciString(), "e2e4");
    EXPECT_EQ(Move::fromUci("E7E8Q"), Move(Square(4, 6), Square(4, 7), PieceType::queen));
    EXPECT_EQ(Move::fromUci("e2e4 "), Move(Square(4, 1), Square(4, 3)));
    EXPECT_EQ(Move::fromUci("\u3000e7e8q\u00A0"),
              Move(Square(4, 6), Square(4, 7), PieceType::queen));
    // A fifth letter that names no piece is dropped; king and pawn are kept (and never legal).
    EXPECT_EQ(Move::fromUci("e7e8x"), Move(Square(4, 6), Square(4, 7)));
    EXPECT_EQ(Move::fromUci("e7e8k")->promotion, PieceType::king);
    for (const char* text : {"e2e", "e2e4q1", "e2 e4", "z2e4", "e2e9", ""}) {
        EXPECT_FALSE(Move::fromUci(text)) << text;
    }
}

TEST(MoveTest, PromotionPieceMakesADifferentMove) {
    const Move queen(Square(0, 6), Square(0, 7), PieceType::queen);
    const Move knight(Square(0, 6), Square(0, 7), PieceType::knight);
    const Move plain(Square(0, 6), Square(0, 7));
    EXPECT_NE(queen, knight);
    EXPECT_NE(queen, plain);
    EXPECT_NE(std::hash<Move>{}(queen), std::hash<Move>{}(knight));
    EXPECT_EQ(knight.uciString(), "a7a8n");
}

TEST(CastlingRightsTest, FenLettersInFixedOrder) {
    EXPECT_EQ(CastlingRights::none().fenString(), "-");
    EXPECT_EQ((CastlingRights{false, false, false, true}).fenString(), "q");
    EXPECT_EQ(CastlingRights{}.fenString(), "KQkq");
    EXPECT_EQ(CastlingRights::fromFen("qK"), (CastlingRights{true, false, false, true}));
    EXPECT_EQ(CastlingRights::fromFen("-"), CastlingRights::none());
}

TEST(GameEndReasonTest, WinnerTakesPartInEquality) {
    EXPECT_NE(GameEndReason::checkmate(PieceColor::white),
              GameEndReason::checkmate(PieceColor::black));
    EXPECT_NE(GameEndReason::checkmate(PieceColor::white),
              GameEndReason::timeout(PieceColor::white));
    EXPECT_EQ(GameEndReason::stalemate(), GameEndReason::stalemate());
    EXPECT_EQ(GameEndReason::resignation(PieceColor::black).winner(), PieceColor::black);
    EXPECT_TRUE(GameEndReason::fiftyMoveRule().isDraw());
}

} // namespace
} // namespace velkor
