#include "ChessTestSupport.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

#include <gtest/gtest.h>
#include <random>

namespace velkor {
namespace {

std::vector<std::string> sansOf(const ChessBoard& board) {
    std::vector<std::string> sans;
    for (const MoveRecord& record : board.history()) {
        sans.push_back(record.san);
    }
    return sans;
}

// The message of the error the parse throws; fails the test when it does not throw.
DomainError parseError(std::string_view text) {
    try {
        PGNParser::parse(text);
    } catch (const DomainError& error) {
        return error;
    }
    ADD_FAILURE() << "parse accepted: " << text;
    return DomainError("none", 0, "none");
}

TEST(PgnReaderTest, TagsOnlyGiveTheStartPosition) {
    const ParsedPGN parsed = PGNParser::parse("[Event \"Casual\"]\n[Site \"Here\"]\n\n*\n");
    EXPECT_EQ(parsed.tags.at("Event"), "Casual");
    EXPECT_EQ(parsed.tags.at("Site"), "Here");
    EXPECT_EQ(parsed.board.fen(), standardStartingFEN);
    EXPECT_TRUE(parsed.board.history().empty());
    EXPECT_EQ(parsed.result, "*");
}

TEST(PgnReaderTest, UnescapesTagValues) {
    const ParsedPGN parsed = PGNParser::parse(
        "[Event \"The \\\"Big\\\" one\"]\n[Site \"C:\\\\games\"]\n[Round \"1\"]   \n");
    EXPECT_EQ(parsed.tags.at("Event"), "The \"Big\" one");
    EXPECT_EQ(parsed.tags.at("Site"), "C:\\games");
    EXPECT_EQ(parsed.tags.at("Round"), "1");
}

TEST(PgnReaderTest, RecognisesOnlyWellFormedTagLines) {
    EXPECT_TRUE(pgn::parseTagLine("[A_1 \"x\"]"));
    EXPECT_TRUE(pgn::parseTagLine("[A\t\"\"]  \t"));
    EXPECT_TRUE(pgn::parseTagLine("[A \"ends with backslash\\\"]"));
    EXPECT_FALSE(pgn::parseTagLine(" [A \"x\"]"));
    EXPECT_FALSE(pgn::parseTagLine("[A\"x\"]"));
    EXPECT_FALSE(pgn::parseTagLine("[A \"x\"] [B \"y\"]"));
    EXPECT_FALSE(pgn::parseTagLine("[A \"x\" \"y\"]"));
    EXPECT_FALSE(pgn::parseTagLine("[A-B \"x\"]"));
    EXPECT_FALSE(pgn::parseTagLine("[ \"x\"]"));
    EXPECT_FALSE(pgn::parseTagLine("[A \"x\"] trailing"));
}

TEST(PgnReaderTest, IndentedTagLineIsMovetextAndFailsAtPlyOne) {
    const DomainError error = parseError(" [Event \"x\"]\n1. e4\n");
    EXPECT_EQ(error.domain(), "Brontil.PGN");
    EXPECT_EQ(error.code(), 1);
    EXPECT_EQ(error.message(), "Invalid or ambiguous PGN move '[Event' at ply 1.");
}

TEST(PgnReaderTest, MoveNumbersWithAndWithoutBlanksReadTheSame) {
    EXPECT_EQ(sansOf(PGNParser::parse("1.e4 e5 2.Nf3").board),
              sansOf(PGNParser::parse("1. e4 e5 2. Nf3").board));
    EXPECT_EQ(sansOf(PGNParser::parse("1.e4 1...e5 2.Nf3").board),
              (std::vector<std::string>{"e4", "e5", "Nf3"}));
}

TEST(PgnReaderTest, GameFromFenWithBlackToMove) {
    const ParsedPGN parsed = PGNParser::parse(
        "[SetUp \"1\"]\n[FEN \"rnbqkbnr/pppppppp/8/8/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 7\"]\n\n"
        "7... Nf6 8. e5 Nd5 *");
    EXPECT_EQ(sansOf(parsed.board), (std::vector<std::string>{"Nf6", "e5", "Nd5"}));
    EXPECT_EQ(parsed.board.initialFEN(),
              "rnbqkbnr/pppppppp/8/8/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 7");
}

TEST(PgnReaderTest, ForgivesCommentsVariationsGlyphsAndSuffixes) {
    const ParsedPGN parsed = PGNParser::parse(
        "1. e4 {A comment {nested} that\nspans lines} e5 ; rest of line ignored Qh5\n"
        "2. Nf3 (2. Bc4 (2. d4 exd4) Nc6) Nc6 $1 3. Bb5!? a6?! 4. Ba4 Nf6 $14\n"
        "5. 0-0 Be7 *");
    EXPECT_EQ(sansOf(parsed.board), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6",
                                                              "Ba4", "Nf6", "O-O", "Be7"}));
}

TEST(PgnReaderTest, EnPassantMarkerGluedToTheMoveIsForgiven) {
    const ParsedPGN parsed = PGNParser::parse("1. e4 a6 2. e5 d5 3. exd6e.p. *");
    EXPECT_EQ(parsed.board.history().back().san, "exd6");
}

TEST(PgnReaderTest, LongCastlingWithZeros) {
    const ParsedPGN parsed =
        PGNParser::parse("1. d4 d5 2. Nc3 Nc6 3. Bf4 Bf5 4. Qd2 Qd7 5. 0-0-0 O-O-O *");
    EXPECT_EQ(parsed.board.history()[8].san, "O-O-O");
    EXPECT_EQ(parsed.board.history()[9].san, "O-O-O");
}

TEST(PgnReaderTest, RefusesWhatSanDoesNotWrite) {
    // A bishop check written without "+".
    EXPECT_EQ(parseError("1. e4 e5 2. Bc4 Nc6 3. Bxf7 *").message(),
              "Invalid or ambiguous PGN move 'Bxf7' at ply 5.");
    // A disambiguation where only one knight can go.
    EXPECT_EQ(parseError("1. d4 d5 2. Nbd2 *").message(),
              "Invalid or ambiguous PGN move 'Nbd2' at ply 3.");
    // Promotion without "=".
    EXPECT_EQ(
        parseError("[SetUp \"1\"]\n[FEN \"8/4P3/8/8/8/8/k7/7K w - - 0 1\"]\n1. e8Q *").message(),
        "Invalid or ambiguous PGN move 'e8Q' at ply 1.");
    // "e.p." standing alone normalises to nothing.
    EXPECT_EQ(parseError("1. e4 a6 2. e5 d5 3. exd6 e.p. *").message(),
              "Invalid or ambiguous PGN move 'e.p.' at ply 6.");
    // Coordinate notation and wrong case.
    EXPECT_EQ(parseError("1. e2e4").message(), "Invalid or ambiguous PGN move 'e2e4' at ply 1.");
    EXPECT_EQ(parseError("1. nf3").message(), "Invalid or ambiguous PGN move 'nf3' at ply 1.");
    // A stray closing brace stays in the text and fails as a move.
    EXPECT_EQ(parseError("1. e4 } e5").message(), "Invalid or ambiguous PGN move '}' at ply 2.");
}

TEST(PgnReaderTest, ErrorQuotesTheTokenAsWritten) {
    EXPECT_EQ(parseError("1. e4 e5 2.Qh9!? *").message(),
              "Invalid or ambiguous PGN move '2.Qh9!?' at ply 3.");
}

TEST(PgnReaderTest, ResultTokenOverridesTagAndLaterMovesAreStillRead) {
    const ParsedPGN parsed = PGNParser::parse("[Result \"1-0\"]\n1. e4 1/2-1/2 e5 *");
    EXPECT_EQ(parsed.result, "*");
    EXPECT_EQ(sansOf(parsed.board), (std::vector<std::string>{"e4", "e5"}));
    EXPECT_EQ(PGNParser::parse("[Result \"0-1\"]\n1. e4").result, "0-1");
}

TEST(PgnReaderTest, ATextWithTwoGamesGivesItsFirstGame) {
    // A tag line after the moves starts the next game; the first is read alone.
    for (const std::string second : {"1. e4 c5 0-1", "2. Nf3 Nc6 0-1"}) {
        const ParsedPGN parsed =
            PGNParser::parse("[Event \"One\"]\n1. e4 e5 1-0\n\n[Event \"Two\"]\n" + second + "\n");
        EXPECT_EQ(parsed.tags.at("Event"), "One");
        EXPECT_EQ(parsed.board.history().size(), 2u);
        EXPECT_EQ(parsed.result, "1-0");
    }
}

TEST(PgnReaderTest, SetUpPositionErrorsArePassedOnAndFenWithoutSetUpIsIgnored) {
    try {
        PGNParser::parse("[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/K7 w - - 0 1\"]\n*");
        FAIL() << "accepted a position without a black king";
    } catch (const DomainError& error) {
        EXPECT_EQ(error.domain(), "Brontil");
        EXPECT_EQ(error.code(), 10);
        EXPECT_EQ(error.message(), "Invalid FEN: exactly one king per side is required");
    }
    const ParsedPGN parsed = PGNParser::parse("[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]\n1. e4 *");
    EXPECT_EQ(parsed.board.initialFEN(), standardStartingFEN);
    EXPECT_EQ(parsed.board.history().size(), 1u);
}

TEST(PgnReaderTest, HandlesCarriageReturnLineEnds) {
    const ParsedPGN parsed = PGNParser::parse("[Event \"E\"]\r\n\r\n1. e4 e5\r\n2. Nf3 *\r\n");
    EXPECT_EQ(parsed.tags.at("Event"), "E");
    EXPECT_EQ(parsed.board.history().size(), 3u);
}

TEST(PgnReaderTest, UnicodeBlanksAndLineSeparatorsCountAsSuch) {
    // No-break spaces between tokens, tags on lines ended by U+2028, NEL and form feed, a
    // no-break space before the value and an ideographic space after the tag.
    const ParsedPGN parsed =
        PGNParser::parse("[Event\u00A0\"A\"]\u2028[Site \"B\"]\u3000\u0085[Round \"C\"]\f"
                         "1.\u00A0e4\u00A0e5\u20032.\u202FNf3\u2029Nc6\u00A0*");
    EXPECT_EQ(parsed.tags,
              (std::map<std::string, std::string>{{"Event", "A"}, {"Site", "B"}, {"Round", "C"}}));
    EXPECT_EQ(sansOf(parsed.board), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6"}));
    // A vertical tab also ends a line, so the second tag stands on a line of its own.
    EXPECT_EQ(PGNParser::parse("[A \"x\"]\v[B \"y\"]\n").tags.size(), 2u);
    // A character that only looks blank (zero-width space) is part of the token.
    EXPECT_EQ(parseError("1. e4\u200B e5").message(),
              "Invalid or ambiguous PGN move 'e4\u200B' at ply 1.");
}

TEST(PgnReaderTest, RandomGamesSurviveExportAndParse) {
    std::mt19937 random(2026);
    for (int game = 0; game < 60; ++game) {
        ChessBoard board = game % 3 == 0
                               ? testing::boardFrom("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 19")
                               : ChessBoard();
        for (int ply = 0; ply < 160 && !board.isGameOver(); ++ply) {
            const std::vector<Move> moves = board.generateLegalMoves();
            board.play(moves[random() % moves.size()]);
        }
        const PGNGame pgnGame{
            "E", "S", "2026.12.08", "1", "W", "B", "*", "-", board.initialFEN(), board.history()};
        const ParsedPGN parsed = PGNParser::parse(pgnGame.exportPGN());
        EXPECT_EQ(sansOf(parsed.board), sansOf(board));
        EXPECT_EQ(parsed.board.fen(), board.fen());
        EXPECT_EQ(parsed.board.initialFEN(), board.initialFEN());
    }
}

TEST(PgnReaderTest, ArbitraryBytesNeverCrash) {
    std::mt19937 random(99);
    const std::string alphabet = "[]{}();$!?.-=+#\"\\ \n\r\t0123456789abcdefghNBRQKOxe/*pP";
    for (int run = 0; run < 3000; ++run) {
        std::string text;
        const int length = static_cast<int>(random() % 120);
        for (int index = 0; index < length; ++index) {
            text += random() % 4 == 0 ? static_cast<char>(random() % 256)
                                      : alphabet[random() % alphabet.size()];
        }
        try {
            const ParsedPGN parsed = PGNParser::parse(text);
            // Whatever was accepted replays from its own starting position.
            ChessBoard replay(parsed.board.initialFEN());
            for (const MoveRecord& record : parsed.board.history()) {
                ASSERT_TRUE(replay.play(record.move));
            }
            EXPECT_EQ(replay.fen(), parsed.board.fen());
        } catch (const DomainError&) {
        }
    }
}

} // namespace
} // namespace velkor
