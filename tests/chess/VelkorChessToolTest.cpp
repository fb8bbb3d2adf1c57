#include "CommandLine.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace velkor::tool {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

void expectUsage(const std::vector<std::string>& args) {
    const ToolOutput output = runVelkorChess(args);
    EXPECT_EQ(output.status, 2);
    EXPECT_TRUE(output.out.empty());
    EXPECT_NE(output.err.find("usage: velkor-chess"), std::string::npos);
}

TEST(VelkorChessToolTest, LegalListsMovesInGenerationOrderWithSan) {
    const ToolOutput output = runVelkorChess({"legal", "startpos"});
    EXPECT_EQ(output.status, 0);
    const std::vector<std::string> moves = lines(output.out);
    ASSERT_EQ(moves.size(), 20U);
    EXPECT_EQ(moves.front(), "b1a3 Na3");
    EXPECT_EQ(moves[2], "g1f3 Nf3");
    EXPECT_EQ(moves.back(), "h2h4 h4");
    EXPECT_EQ(runVelkorChess({"legal"}).out, output.out) << "the start position is the default";

    const ToolOutput mated =
        runVelkorChess({"legal", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"});
    EXPECT_EQ(mated.status, 0);
    EXPECT_EQ(mated.out, "");
}

TEST(VelkorChessToolTest, PerftPrintsTheNodeCount) {
    EXPECT_EQ(runVelkorChess({"perft", "3"}).out, "8902\n");
    EXPECT_EQ(runVelkorChess({"perft", "0", "startpos"}).out, "1\n");
    EXPECT_EQ(runVelkorChess({"perft", "2",
                              "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w "
                              "KQkq - 0 1"})
                  .out,
              "2039\n");
    // The largest depth is accepted (a mated side has no moves, so the tree is empty).
    EXPECT_EQ(runVelkorChess(
                  {"perft", "64", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"})
                  .out,
              "0\n");
}

TEST(VelkorChessToolTest, PlayPrintsEachMoveThenTheState) {
    const ToolOutput output = runVelkorChess({"play", "startpos", "f2f3", "e7e5", "g2g4", "D8H4"});
    EXPECT_EQ(output.status, 0);
    EXPECT_EQ(lines(output.out),
              (std::vector<std::string>{
                  "f2f3 f3", "e7e5 e5", "g2g4 g4", "d8h4 Qh4#",
                  "fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
                  "key rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -",
                  "end checkmate black", "claim none"}));

    const ToolOutput repeated = runVelkorChess(
        {"play", "startpos", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(lines(repeated.out).back(), "claim threefoldRepetition");
    EXPECT_EQ(lines(repeated.out)[lines(repeated.out).size() - 2], "end none");

    const ToolOutput dead = runVelkorChess({"play", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"});
    EXPECT_EQ(lines(dead.out),
              (std::vector<std::string>{"fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1",
                                        "key 4k3/8/8/8/8/8/8/4K3 w - -", "end insufficientMaterial",
                                        "claim none"}));
}

TEST(VelkorChessToolTest, PlayStopsAtAnIllegalOrUnreadableMove) {
    const ToolOutput illegal = runVelkorChess({"play", "startpos", "e2e4", "e2e4", "d7d5"});
    EXPECT_EQ(illegal.status, 1);
    EXPECT_EQ(illegal.out, "e2e4 e4\nillegal e2e4\n");

    const ToolOutput unreadable = runVelkorChess({"play", "startpos", "nonsense"});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.out, "illegal nonsense\n");

    const ToolOutput noPromotion =
        runVelkorChess({"play", "1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8"});
    EXPECT_EQ(noPromotion.out, "illegal a7a8\n");
}

TEST(VelkorChessToolTest, CheckFenWritesBackOrReportsTheError) {
    const ToolOutput ok = runVelkorChess({"check-fen", " r3k3/8/8/8/8/8/8/4K2R  w qK e6 0 1"});
    EXPECT_EQ(ok.status, 1) << "e6 without a pawn on e5";
    EXPECT_EQ(ok.out, "error 12 Invalid FEN: en-passant pawn is missing\n");

    const ToolOutput normalised =
        runVelkorChess({"check-fen", " r3k3/8/8/8/8/8/8/4K2R  w qK - 0 1"});
    EXPECT_EQ(normalised.status, 0);
    EXPECT_EQ(normalised.out, "ok r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1\n");

    EXPECT_EQ(runVelkorChess({"check-fen", "startpos"}).out,
              "ok rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n");
    const ToolOutput bad = runVelkorChess({"check-fen", ""});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "error 1 Invalid FEN: insufficient components\n");
}

TEST(VelkorChessToolTest, ABadFenInOtherCommandsExitsWithOne) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"legal", "x"}, {"perft", "1", "x"}, {"play", "x"}}) {
        const ToolOutput output = runVelkorChess(args);
        EXPECT_EQ(output.status, 1);
        EXPECT_EQ(output.out, "");
        EXPECT_EQ(output.err, "error 1 Invalid FEN: insufficient components\n");
    }
}

TEST(VelkorChessToolTest, WrongArgumentsGiveTheUsageAndStatusTwo) {
    expectUsage({});
    expectUsage({"solve"});
    expectUsage({"perft"});
    expectUsage({"perft", "deep"});
    expectUsage({"perft", "-1"});
    expectUsage({"perft", "3x"});
    // Depths past the bound are refused rather than overflowing the stack.
    expectUsage({"perft", "65", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"});
    expectUsage({"perft", "100000", "8/8/8/8/8/8/8/K6k w - - 0 1"});
    expectUsage({"perft", "1", "startpos", "more"});
    expectUsage({"legal", "startpos", "more"});
    expectUsage({"play"});
    expectUsage({"check-fen"});
    expectUsage({"check-fen", "startpos", "more"});
}

} // namespace
} // namespace velkor::tool

namespace velkor::tool {
namespace {

// A file in the system's temporary folder, removed again at the end of the test.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& content)
        : m_path(std::filesystem::temp_directory_path() /
                 ("velkor-pgn-" + std::to_string(std::random_device{}()) + ".pgn")) {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~TemporaryFile() { std::filesystem::remove(m_path); }
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

TEST(VelkorChessToolTest, PgnPrintsResultMovesAndFinalFen) {
    const TemporaryFile file("[Result \"1-0\"]\n1. e4 {best} e5 (1... c5) 2. Qh5 Nc6 3. Bc4 Nf6 "
                             "4. Qxf7# 1-0\n");
    const ToolOutput output = runVelkorChess({"pgn", file.path()});
    EXPECT_EQ(output.status, 0);
    EXPECT_EQ(lines(output.out),
              (std::vector<std::string>{
                  "result 1-0", "moves e4 e5 Qh5 Nc6 Bc4 Nf6 Qxf7#",
                  "fen r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4"}));
}

TEST(VelkorChessToolTest, PgnReportsParseErrorsWithDomainAndCode) {
    const TemporaryFile badMove("1. e4 e5 2. Ke3 *");
    const ToolOutput move = runVelkorChess({"pgn", badMove.path()});
    EXPECT_EQ(move.status, 1);
    EXPECT_EQ(move.out, "error Brontil.PGN 1 Invalid or ambiguous PGN move 'Ke3' at ply 3.\n");

    const TemporaryFile badFen("[SetUp \"1\"]\n[FEN \"8/8/8 w - - 0 1\"]\n*");
    const ToolOutput fen = runVelkorChess({"pgn", badFen.path()});
    EXPECT_EQ(fen.status, 1);
    EXPECT_EQ(fen.out, "error Brontil 2 Invalid FEN: rank count != 8\n");
}

TEST(VelkorChessToolTest, PgnReadsEveryGameOfAFileWithAMarkOrInLatin1) {
    const TemporaryFile several("\xEF\xBB\xBF[White \"Jos\xE9\"]\n\n1. e4 e5 1-0\n\n"
                                "[White \"B\"]\n\n1. d4 Ke3 *\n\n[White \"C\"]\n\n1. c4 *\n");
    const ToolOutput output = runVelkorChess({"pgn", several.path()});
    EXPECT_EQ(output.status, 1) << "one game could not be read";
    EXPECT_EQ(
        lines(output.out),
        (std::vector<std::string>{
            "result 1-0", "moves e4 e5",
            "fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2", "",
            "error Brontil.PGN 1 Invalid or ambiguous PGN move 'Ke3' at ply 2.", "", "result *",
            "moves c4", "fen rnbqkbnr/pppppppp/8/8/2P5/8/PP1PPPPP/RNBQKBNR b KQkq c3 0 1"}));
    EXPECT_NE(output.err.find("not UTF-8 text; read as Latin-1"), std::string::npos);

    const TemporaryFile marked("\xEF\xBB\xBF[Result \"*\"]\n1. e4 *\n");
    const ToolOutput single = runVelkorChess({"pgn", marked.path()});
    EXPECT_EQ(single.status, 0);
    EXPECT_EQ(lines(single.out)[1], "moves e4");
    EXPECT_TRUE(single.err.empty());
}

TEST(VelkorChessToolTest, PgnWithUnreadableFileOrWrongArguments) {
    const ToolOutput missing = runVelkorChess({"pgn", "/nonexistent/velkor/game.pgn"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
    const ToolOutput folder =
        runVelkorChess({"pgn", std::filesystem::temp_directory_path().string()});
    EXPECT_EQ(folder.status, 1);
    expectUsage({"pgn"});
    expectUsage({"pgn", "a.pgn", "b.pgn"});
}

} // namespace
} // namespace velkor::tool
