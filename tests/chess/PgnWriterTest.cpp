#include "ChessTestSupport.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

#include <cctype>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace velkor {
namespace {

using testing::boardFrom;
using testing::playAll;

PGNGame gameOf(const ChessBoard& board, std::string result) {
    PGNGame game{"Event",
                 "Site",
                 "2026.12.08",
                 "1",
                 "White",
                 "Black",
                 std::move(result),
                 "300+3",
                 board.initialFEN(),
                 board.history()};
    return game;
}

// The lines after the empty line that ends the tag block.
std::vector<std::string> movetextLines(const std::string& pgn) {
    const std::size_t start = pgn.find("\n\n");
    std::vector<std::string> lines;
    std::istringstream stream(pgn.substr(start + 2));
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(PgnWriterTest, WritesTagsInFixedOrderAndMovetextWithoutResultForOngoingGame) {
    ChessBoard board;
    playAll(board, {"e2e4", "e7e5", "g1f3"});
    const std::string pgn = gameOf(board, "*").exportPGN();
    EXPECT_EQ(pgn, "[Event \"Event\"]\n"
                   "[Site \"Site\"]\n"
                   "[Date \"2026.12.08\"]\n"
                   "[Round \"1\"]\n"
                   "[White \"White\"]\n"
                   "[Black \"Black\"]\n"
                   "[Result \"*\"]\n"
                   "[TimeControl \"300+3\"]\n"
                   "\n"
                   "1. e4 e5 2. Nf3\n");
}

TEST(PgnWriterTest, AppendsDecisiveResultAsLastToken) {
    ChessBoard board;
    playAll(board, {"e2e4", "e7e5", "g1f3"});
    EXPECT_EQ(movetextLines(gameOf(board, "1-0").exportPGN()),
              std::vector<std::string>{"1. e4 e5 2. Nf3 1-0"});
    // An empty result, like "*", adds no token.
    EXPECT_EQ(movetextLines(gameOf(board, "").exportPGN()),
              std::vector<std::string>{"1. e4 e5 2. Nf3"});
}

TEST(PgnWriterTest, GameWithoutMovesEndsAfterTheEmptyLine) {
    const std::string pgn = gameOf(ChessBoard(), "*").exportPGN();
    EXPECT_TRUE(pgn.ends_with("[TimeControl \"300+3\"]\n\n"));
}

TEST(PgnWriterTest, GameStartedByBlackNumbersFromTheFen) {
    ChessBoard board = boardFrom("4k3/8/8/8/8/3q4/8/4K3 b - - 0 7");
    playAll(board, {"d3d4", "e1e2", "d4e4"});
    const std::string pgn = gameOf(board, "*").exportPGN();
    EXPECT_NE(pgn.find("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/3q4/8/4K3 b - - 0 7\"]\n"),
              std::string::npos);
    EXPECT_EQ(movetextLines(pgn), std::vector<std::string>{"7... Qd4 8. Ke2 Qe4+"});
}

TEST(PgnWriterTest, SetUpAndFenTagsOnlyForNonStandardStart) {
    PGNGame game = gameOf(ChessBoard(), "*");
    game.initialFEN = std::string(standardStartingFEN);
    EXPECT_EQ(game.exportPGN().find("SetUp"), std::string::npos);
    game.initialFEN.reset();
    EXPECT_EQ(game.exportPGN().find("FEN"), std::string::npos);
}

TEST(PgnWriterTest, UnreadableStartingFenIsStillWrittenAndNumberingStartsAtOne) {
    ChessBoard board;
    playAll(board, {"e2e4"});
    PGNGame game = gameOf(board, "*");
    game.initialFEN = "not a fen";
    const std::string pgn = game.exportPGN();
    EXPECT_NE(pgn.find("[SetUp \"1\"]\n[FEN \"not a fen\"]\n"), std::string::npos);
    EXPECT_EQ(movetextLines(pgn), std::vector<std::string>{"1. e4"});
}

TEST(PgnWriterTest, TagValuesAreEscapedSoTheyReadBackTheSame) {
    PGNGame game = gameOf(ChessBoard(), "*");
    game.event = "The \"Big\" one \\ final";
    game.site = "two\nlines";
    game.otherTags = {{"Annotator", "C:\\x\\"}, {"Result", "1-0"}, {"Bad Name", "x"}};
    const std::string pgn = game.exportPGN();
    EXPECT_NE(pgn.find("[Event \"The \\\"Big\\\" one \\\\ final\"]\n"), std::string::npos);
    // Result, SetUp and FEN follow from the game itself; a name the reader would not take is
    // left out rather than written as a broken line.
    EXPECT_EQ(pgn.find("1-0"), std::string::npos);
    EXPECT_EQ(pgn.find("Bad Name"), std::string::npos);
    const ParsedPGN parsed = PGNParser::parse(pgn);
    EXPECT_EQ(parsed.tags.at("Event"), game.event);
    EXPECT_EQ(parsed.tags.at("Site"), "two lines");
    EXPECT_EQ(parsed.tags.at("Annotator"), "C:\\x\\");
    EXPECT_EQ(parsed.tagOrder.back(), "Annotator");
}

// Movetext tokens of one line: a token starts at each word that begins with a digit (a move
// number or the result); SAN never does.
std::vector<std::string> tokensOf(const std::string& line) {
    std::vector<std::string> tokens;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        if (std::isdigit(static_cast<unsigned char>(word.front())) || tokens.empty()) {
            tokens.push_back(word);
        } else {
            tokens.back() += ' ' + word;
        }
    }
    return tokens;
}

TEST(PgnWriterTest, LongGamesWrapAtEightyColumnsWithoutBreakingTokens) {
    std::mt19937 random(7);
    for (int game = 0; game < 20; ++game) {
        ChessBoard board;
        for (int ply = 0; ply < 200 && !board.isGameOver(); ++ply) {
            const std::vector<Move> moves = board.generateLegalMoves();
            board.play(moves[random() % moves.size()]);
        }
        const std::vector<std::string> lines = movetextLines(gameOf(board, "1/2-1/2").exportPGN());
        std::vector<std::string> sans;
        for (std::size_t index = 0; index < lines.size(); ++index) {
            const std::vector<std::string> tokens = tokensOf(lines[index]);
            ASSERT_FALSE(tokens.empty());
            // Each line starts with a whole token and is as full as the next token allows.
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(lines[index].front())));
            EXPECT_LE(lines[index].size(), 80u);
            if (index + 1 < lines.size()) {
                EXPECT_GT(lines[index].size() + 1 + tokensOf(lines[index + 1]).front().size(), 80u);
            }
            for (const std::string& token : tokens) {
                std::istringstream words(token);
                std::string word;
                words >> word;
                while (words >> word) {
                    sans.push_back(word);
                }
            }
        }
        EXPECT_EQ(tokensOf(lines.back()).back(), "1/2-1/2");
        ASSERT_EQ(sans.size(), board.history().size());
        for (std::size_t ply = 0; ply < sans.size(); ++ply) {
            EXPECT_EQ(sans[ply], board.history()[ply].san);
        }
    }
}

TEST(PgnWriterTest, CurrentDateHasPgnForm) {
    const std::string date = PGNGame::currentDateString();
    ASSERT_EQ(date.size(), 10u);
    EXPECT_EQ(date[4], '.');
    EXPECT_EQ(date[7], '.');
    EXPECT_TRUE(date.starts_with("20"));
}

} // namespace
} // namespace velkor
