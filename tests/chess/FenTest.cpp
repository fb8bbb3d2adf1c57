#include "ChessTestSupport.h"
#include "base/DomainError.h"
#include "chess/ChessBoard.h"

#include <gtest/gtest.h>
#include <random>

namespace velkor {
namespace {

using testing::boardFrom;
using testing::playAll;

struct FenError {
    const char* fen;
    int code;
};

std::string messageFor(int code) {
    static const char* const messages[] = {
        "Invalid FEN: insufficient components",
        "Invalid FEN: rank count != 8",
        "Invalid FEN: file overflow",
        "Invalid FEN: unknown piece or digit",
        "Invalid FEN: every rank must contain eight squares",
        "Invalid FEN: active color must be w or b",
        "Invalid FEN: castling rights",
        "Invalid FEN: en-passant square",
        "Invalid FEN: move counters",
        "Invalid FEN: exactly one king per side is required",
        "Invalid FEN: castling right without king and rook",
        "Invalid FEN: en-passant pawn is missing",
        "Invalid FEN: position cannot arise from a legal game",
    };
    return messages[code - 1];
}

TEST(FenTest, StartPositionRoundTripsAndHasItsKey) {
    const ChessBoard board;
    EXPECT_EQ(board.fen(), standardStartingFEN);
    EXPECT_EQ(board.initialFEN(), standardStartingFEN);
    EXPECT_EQ(board.positionHashKey(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_EQ(board.positionHistory().size(), 1U);
    EXPECT_EQ(board.positionHistory().at(board.positionHashKey()), 1);
    EXPECT_TRUE(board.history().empty());
    EXPECT_EQ(board[Square(4, 0)], Piece(PieceType::king, PieceColor::white));
    EXPECT_EQ(board.pieceAt(3, 7), Piece(PieceType::queen, PieceColor::black));
    EXPECT_FALSE(board.pieceAt(4, 4));
    EXPECT_EQ(board, ChessBoard(standardStartingFEN));
}

TEST(FenTest, ReaderIsLenientAboutBlanksAndNormalisesWhatItWrites) {
    const ChessBoard spaced("  rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR \t w\nKQkq   -  0 1 \n");
    EXPECT_EQ(spaced.fen(), standardStartingFEN);
    EXPECT_EQ(ChessBoard("r3k3/8/8/8/8/8/8/4K2R w qK - 0 1").fen(),
              "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
    EXPECT_EQ(ChessBoard("4k3/8/8/8/8/8/8/4K3 w - - +3 +7").fen(), "4k3/8/8/8/8/8/8/4K3 w - - 3 7");
    // Text pasted from documents may separate the fields by Unicode blanks.
    EXPECT_EQ(ChessBoard("\u00A0rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\u00A0w\u2003KQkq"
                         "\u202F-\u3000 0\u2028 1\u00A0")
                  .fen(),
              standardStartingFEN);
}

TEST(FenTest, DigitRunsOfEightInAnySplitAreOneEmptyRank) {
    const ChessBoard board("4k3/44/53/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(board.fen(), "4k3/8/8/8/8/8/8/4K3 w - - 0 1");
}

TEST(FenTest, EnPassantFieldIsWrittenAsStoredAndMayBeUpperCase) {
    const ChessBoard board("rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq E6 0 2");
    EXPECT_EQ(board.enPassantTarget(), Square(4, 5));
    EXPECT_EQ(board.fen(), "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2");
}

TEST(FenTest, EveryRuleRejectsWithItsCodeAndMessage) {
    const FenError cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0", 1},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 extra", 1},
        {"", 1},
        {"4k3/8/8/8/8/8/4K3 w - - 0 1", 2},
        {"4k3/8/8/8/8/8/8/8/4K3 w - - 0 1", 2},
        {"4k3/8p/8/8/8/8/8/4K3 w - - 0 1", 3},
        {"4k3/9/8/8/8/8/8/4K3 w - - 0 1", 4},
        {"4k3/x7/8/8/8/8/8/4K3 w - - 0 1", 4},
        {"4k3/0/8/8/8/8/8/4K3 w - - 0 1", 4},
        {"4k3//8/8/8/8/8/4K3 w - - 0 1", 5},
        {"4k3/7/8/8/8/8/8/4K3 w - - 0 1", 5},
        {"4k3/54/8/8/8/8/8/4K3 w - - 0 1", 5},
        {"4k3/p8/8/8/8/8/8/4K3 w - - 0 1", 5},
        {"4k3/8/8/8/8/8/8/4K3 W - - 0 1", 6},
        {"4k3/8/8/8/8/8/8/4K3 white - - 0 1", 6},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KK - 0 1", 7},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQx - 0 1", 7},
        {"rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR b KQkq e6 0 2", 8},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e3 0 1", 8},
        {"4k3/8/8/8/8/8/8/4K3 w - e9 0 1", 8},
        {"4k3/8/8/8/8/8/8/4K3 w - -1 0 1", 8},
        {"4k3/8/8/8/8/8/8/4K3 w - - -1 1", 9},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", 9},
        {"4k3/8/8/8/8/8/8/4K3 w - - x 1", 9},
        {"4k3/8/8/8/8/8/8/4K3 w - - + 1", 9},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 99999999999999999999", 9},
        {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", 10},
        {"8/8/8/8/8/8/8/4K3 w - - 0 1", 10},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w KQkq - 0 1", 11},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNR w kq - 0 1", 10},
        {"r3k2r/8/8/8/8/8/8/R4K1R w Q - 0 1", 11},
        {"r3k2r/8/8/8/8/8/8/r3K2R w Q - 0 1", 11},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 1", 12},
        {"rnbqkb1r/pppp1ppp/4n3/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 1", 12},
        {"rnbqkbnr/pppppppp/8/8/8/4P3/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 12},
        // The pawn on e5 cannot have come from e7 past the bishop standing there.
        {"rnbqk1nr/ppppbppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2", 12},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPPNPPP/RNBQKB1R b KQkq e3 0 1", 12},
        {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", 13},
        {"4k3/8/8/8/8/8/8/p3K3 b - - 0 1", 13},
        {"4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1", 13},
        {"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", 13},
    };
    for (const FenError& expected : cases) {
        try {
            ChessBoard board(expected.fen);
            ADD_FAILURE() << "accepted: " << expected.fen;
        } catch (const DomainError& error) {
            EXPECT_EQ(error.domain(), "Brontil") << expected.fen;
            EXPECT_EQ(error.code(), expected.code) << expected.fen;
            EXPECT_EQ(error.message(), messageFor(error.code())) << expected.fen;
        }
    }
}

TEST(FenTest, ChecksRunInTheirFixedOrder) {
    // Each text breaks two rules; the earlier rule decides.
    const FenError cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 W KK - 0 1", 6},  {"8/8/8/8/8/8/8/8 w KK - 0 1", 7},
        {"8/8/8/8/8/8/8/8 w - - 0 0", 9},       {"P7/8/8/8/8/8/8/8 w K - 0 1", 10},
        {"4k3/8/8/8/8/8/8/4K3 w K e6 0 1", 11}, {"P3k3/8/8/8/8/8/8/4K3 w - e6 0 1", 12},
    };
    for (const FenError& expected : cases) {
        try {
            ChessBoard board(expected.fen);
            ADD_FAILURE() << "accepted: " << expected.fen;
        } catch (const DomainError& error) {
            EXPECT_EQ(error.code(), expected.code) << expected.fen;
        }
    }
}

TEST(FenTest, FailedLoadLeavesTheBoardExactlyAsItWas) {
    ChessBoard board;
    playAll(board, {"e2e4", "c7c5", "g1f3"});
    const ChessBoard before = board;
    const std::array<std::optional<Piece>, 64> squaresBefore = board.squares();
    EXPECT_THROW(board.load("4k3/8/8/8/8/8/8/4R1K1 w - - 0 1"), DomainError);
    EXPECT_THROW(board.load("garbage"), DomainError);
    EXPECT_EQ(board, before);
    EXPECT_EQ(board.fen(), before.fen());
    EXPECT_EQ(board.history(), before.history());
    EXPECT_EQ(board.positionHistory(), before.positionHistory());
    for (std::size_t i = 0; i < 64; ++i) {
        EXPECT_EQ(board.squares()[i].has_value(), squaresBefore[i].has_value());
        if (squaresBefore[i]) {
            EXPECT_EQ(board.squares()[i]->id, squaresBefore[i]->id);
        }
    }
}

TEST(FenTest, SuccessfulLoadReplacesTheGame) {
    ChessBoard board;
    playAll(board, {"e2e4", "e7e5"});
    board.load("4k3/8/8/8/8/8/8/4K2R w K - 5 40");
    EXPECT_TRUE(board.history().empty());
    EXPECT_EQ(board.initialFEN(), "4k3/8/8/8/8/8/8/4K2R w K - 5 40");
    EXPECT_EQ(board.positionHistory().size(), 1U);
    EXPECT_EQ(board.halfmoveClock(), 5);
    EXPECT_EQ(board.fullmoveNumber(), 40);
    EXPECT_EQ(board.castlingRights(), (CastlingRights{true, false, false, false}));
}

TEST(FenTest, RepetitionKeyKeepsOnlyAUsableEnPassantSquare) {
    ChessBoard board;
    playAll(board, {"e2e4"});
    EXPECT_EQ(board.fen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(board.positionHashKey(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");

    const ChessBoard usable("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3");
    EXPECT_EQ(usable.positionHashKey(), "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6");

    // exd6 would open the e-file to the rook on e8.
    const ChessBoard pinned("4r1k1/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(pinned.positionHashKey(), "4r1k1/8/8/3pP3/8/8/8/4K3 w - -");

    // exd6 would take both pawns off the fifth rank between king and rook.
    const ChessBoard rankPinned("8/8/8/K2pP2r/8/8/8/7k w - d6 0 1");
    EXPECT_EQ(rankPinned.positionHashKey(), "8/8/8/K2pP2r/8/8/8/7k w - -");

    const ChessBoard blackToTake("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1");
    EXPECT_EQ(blackToTake.positionHashKey(), "4k3/8/8/8/3Pp3/8/8/4K3 b - d3");
}

// Random and mutated text: every load either succeeds and round-trips, or fails with one of
// the thirteen errors and leaves the board untouched.
TEST(FenTest, RandomTextNeverCrashesAndFailedLoadsChangeNothing) {
    std::mt19937 random(20240607);
    const std::string alphabet = "pnbrqkPNBRQK12345678/ -wbKQkqabcdefgh0+9xX\t\n";
    const std::vector<std::string> seeds = {
        std::string(standardStartingFEN),
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    };
    ChessBoard board;
    playAll(board, {"d2d4", "g8f6"});
    int accepted = 0;
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        if (round % 3 == 0) {
            const int length = static_cast<int>(random() % 80);
            for (int i = 0; i < length; ++i) {
                text += round % 2 == 0 ? alphabet[random() % alphabet.size()]
                                       : static_cast<char>(random() % 256);
            }
        } else {
            text = seeds[random() % seeds.size()];
            const int edits = 1 + static_cast<int>(random() % 3);
            for (int i = 0; i < edits && !text.empty(); ++i) {
                const std::size_t at = random() % text.size();
                const char character = alphabet[random() % alphabet.size()];
                switch (random() % 3) {
                case 0:
                    text[at] = character;
                    break;
                case 1:
                    text.insert(at, 1, character);
                    break;
                default:
                    text.erase(at, 1);
                    break;
                }
            }
        }
        ChessBoard candidate = board;
        try {
            candidate.load(text);
            ++accepted;
            EXPECT_EQ(ChessBoard(candidate.fen()).fen(), candidate.fen()) << text;
            EXPECT_TRUE(candidate.findKing(PieceColor::white)) << text;
            EXPECT_FALSE(candidate.isKingInCheck(opponent(candidate.turn()))) << text;
        } catch (const DomainError& error) {
            ++rejected;
            ASSERT_GE(error.code(), 1) << text;
            ASSERT_LE(error.code(), 13) << text;
            EXPECT_EQ(error.message(), messageFor(error.code()));
            ASSERT_EQ(candidate, board) << text;
        }
    }
    EXPECT_GT(accepted, 30);
    EXPECT_GT(rejected, 1000);
}

TEST(FenTest, SquareWritesChangeOnlyThatSquare) {
    ChessBoard board;
    const Piece knight(PieceType::knight, PieceColor::black);
    board.setPiece(Square(4, 3), knight);
    EXPECT_EQ(board[Square(4, 3)]->id, knight.id);
    board.setPiece(Square(4, 1), std::nullopt);
    EXPECT_EQ(board.fen(), "rnbqkbnr/pppppppp/8/8/4n3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(board.history().size(), 0U);
    EXPECT_THROW(board.setPiece(Square(8, 0), knight), std::out_of_range);
    EXPECT_FALSE(board.pieceAt(-1, 3));
    EXPECT_FALSE(board[Square(0, 8)]);
}

} // namespace
} // namespace velkor
