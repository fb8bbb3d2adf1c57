#include "chess/SetupPosition.h"

#include "base/DomainError.h"
#include "chess/ChessBoard.h"
#include "chess/StartingPosition.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

constexpr SetupMan whiteKing{PieceType::king, PieceColor::white};
constexpr SetupMan blackKing{PieceType::king, PieceColor::black};

Square at(std::string_view name) {
    return *Square::parse(name);
}

// A bare board with the two kings, white to move.
SetupPosition kingsOnly() {
    SetupPosition setup;
    setup.clear();
    setup.put(at("e1"), whiteKing);
    setup.put(at("e8"), blackKing);
    return setup;
}

TEST(SetupPositionTest, EditsBuildTheFenAGameWouldLoad) {
    SetupPosition setup;
    EXPECT_EQ(setup.fen(), standardStartingFEN);
    EXPECT_FALSE(setup.problem());

    // 1. e4 c5 set up by hand: the pawns moved, Black's c-pawn advance leaves c6 for White.
    setup.move(at("e2"), at("e4"));
    setup.move(at("c7"), at("c5"));
    setup.setEnPassantFile(2);
    setup.setFullmoveNumber(2);
    EXPECT_EQ(setup.fen(), "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2");
    EXPECT_FALSE(setup.problem());
    EXPECT_EQ(ChessBoard(setup.fen()).fen(), setup.fen());

    // Handing the move to Black drops the square, which belonged to White's reply.
    setup.setTurn(PieceColor::black);
    EXPECT_FALSE(setup.enPassantSquare());

    // A man carried onto an occupied square replaces it; an empty origin moves nothing.
    setup.move(at("d1"), at("d7"));
    EXPECT_EQ(setup.manAt(at("d7")), (SetupMan{PieceType::queen, PieceColor::white}));
    EXPECT_FALSE(setup.manAt(at("d1")));
    const std::string before = setup.fen();
    setup.move(at("d1"), at("d2"));
    setup.move(at("d7"), at("d7"));
    EXPECT_EQ(setup.fen(), before);

    // Squares off the board, as a pointer outside it gives, change nothing and read empty.
    setup.put(Square(8, 0), whiteKing);
    setup.move(at("e1"), Square(-1, 3));
    setup.remove(Square(0, 9));
    EXPECT_FALSE(setup.manAt(Square(8, 0)));
    EXPECT_EQ(setup.fen(), before);

    setup.setHalfmoveClock(-5);
    setup.setFullmoveNumber(0);
    EXPECT_EQ(setup.halfmoveClock(), 0);
    EXPECT_EQ(setup.fullmoveNumber(), 1);

    setup.reset();
    EXPECT_EQ(setup.fen(), standardStartingFEN);
}

TEST(SetupPositionTest, EachImpossibleSetUpIsRefusedWithTheReadersReason) {
    struct Case {
        const char* what;
        SetupPosition setup;
        int code;
        std::optional<position::Unreachable> unreachable;
    };
    SetupPosition twoWhiteKings = kingsOnly();
    twoWhiteKings.put(at("a1"), whiteKing);

    SetupPosition noBlackKing = kingsOnly();
    noBlackKing.remove(at("e8"));

    SetupPosition blackInCheck = kingsOnly();
    blackInCheck.put(at("e4"), SetupMan{PieceType::rook, PieceColor::white});

    SetupPosition pawnOnLastRank = kingsOnly();
    pawnOnLastRank.put(at("a8"), SetupMan{PieceType::pawn, PieceColor::white});
    SetupPosition pawnOnFirstRank = kingsOnly();
    pawnOnFirstRank.put(at("h1"), SetupMan{PieceType::pawn, PieceColor::black});

    SetupPosition castlingWithoutRook;
    castlingWithoutRook.remove(at("h1"));
    SetupPosition castlingWithMovedKing = kingsOnly();
    castlingWithMovedKing.put(at("a8"), SetupMan{PieceType::rook, PieceColor::black});
    castlingWithMovedKing.move(at("e8"), at("d8"));
    castlingWithMovedKing.setCastlingRights(CastlingRights{false, false, false, true});

    SetupPosition enPassantWithoutPawn = kingsOnly();
    enPassantWithoutPawn.setEnPassantFile(3);
    SetupPosition enPassantPastAMan;
    enPassantPastAMan.move(at("d7"), at("d5"));
    enPassantPastAMan.put(at("d7"), SetupMan{PieceType::knight, PieceColor::black});
    enPassantPastAMan.setEnPassantFile(3);

    SetupPosition ninePawns = kingsOnly();
    for (int file = 0; file < 8; ++file) {
        ninePawns.put(Square(file, 1), SetupMan{PieceType::pawn, PieceColor::white});
    }
    ninePawns.put(at("a3"), SetupMan{PieceType::pawn, PieceColor::white});

    using position::Unreachable;
    const Case cases[] = {
        {"two white kings", twoWhiteKings, 10, std::nullopt},
        {"no black king", noBlackKing, 10, std::nullopt},
        {"side not to move in check", blackInCheck, 13, Unreachable::sideNotToMoveInCheck},
        {"pawn on the last rank", pawnOnLastRank, 13, Unreachable::pawnOnFirstOrLastRank},
        {"pawn on the first rank", pawnOnFirstRank, 13, Unreachable::pawnOnFirstOrLastRank},
        {"castling without its rook", castlingWithoutRook, 11, std::nullopt},
        {"castling after the king moved", castlingWithMovedKing, 11, std::nullopt},
        {"en passant without a pawn", enPassantWithoutPawn, 12, std::nullopt},
        {"en passant past a man", enPassantPastAMan, 12, std::nullopt},
        {"nine pawns", ninePawns, 13, Unreachable::tooManyPawns},
    };
    for (const Case& expected : cases) {
        const std::optional<SetupProblem> problem = expected.setup.problem();
        ASSERT_TRUE(problem) << expected.what;
        EXPECT_EQ(problem->code, expected.code) << expected.what;
        EXPECT_EQ(problem->unreachable, expected.unreachable) << expected.what;
        // The reason is the reader's own: the same code and words a game load would give.
        try {
            ChessBoard board(expected.setup.fen());
            ADD_FAILURE() << "the reader accepted " << expected.what;
        } catch (const DomainError& error) {
            EXPECT_EQ(error.code(), problem->code) << expected.what;
            EXPECT_EQ(error.message(), problem->message) << expected.what;
        }
    }

    // Mended, each becomes acceptable: the check is on the current men, not a sticky flag.
    blackInCheck.setTurn(PieceColor::black);
    EXPECT_FALSE(blackInCheck.problem());
    castlingWithoutRook.setCastlingRights(CastlingRights{false, true, true, true});
    EXPECT_FALSE(castlingWithoutRook.problem());
}

TEST(SetupPositionTest, FenTextIsTakenForEditingOnlyWhenItsFieldsRead) {
    // An impossible placement is still a placement a person may want to mend.
    const SetupPosition twoKings = SetupPosition::fromFen("4k3/8/8/8/8/8/8/3KK3 b - - 7 30");
    EXPECT_EQ(twoKings.fen(), "4k3/8/8/8/8/8/8/3KK3 b - - 7 30");
    EXPECT_EQ(twoKings.turn(), PieceColor::black);
    EXPECT_EQ(twoKings.halfmoveClock(), 7);
    ASSERT_TRUE(twoKings.problem());
    EXPECT_EQ(twoKings.problem()->code, 10);

    const SetupPosition withSquare =
        SetupPosition::fromFen("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq E6 0 2");
    EXPECT_EQ(withSquare.enPassantFile(), 4);
    EXPECT_EQ(withSquare.enPassantSquare(), at("e6"));

    // Text whose fields do not read is refused with the reader's error.
    for (const char* text : {"", "8/8/8/8/8/8/8/8 w - -", "4k3/9/8/8/8/8/8/4K3 w - - 0 1",
                             "4k3/8/8/8/8/8/8/4K3 w - e3 0 1", "4k3/8/8/8/8/8/8/4K3 x - - 0 1"}) {
        EXPECT_THROW(SetupPosition::fromFen(text), DomainError) << text;
    }
}

} // namespace
} // namespace velkor
