#include "FakeEngine.h"
#include "ReviewCommand.h"
#include "chess/GameReviewReport.h"
#include "chess/PGNParser.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace velkor::tool {
namespace {

using testing::FakeEngine;

// Answers to the review's searches, last position first; each score is the side to move's.
QString scripted(const QStringList& scores, const QStringList& optionLines = {}) {
    QString script = FakeEngine::handshake(optionLines);
    for (const QString& score : scores) {
        script += QStringLiteral("once go\nsay info depth 9 score %1 pv a2a3\nsay bestmove a2a3\n")
                      .arg(score);
    }
    return script;
}

class ReviewTool : public ::testing::Test {
protected:
    std::string writeGame(const std::string& text, const std::string& name = "game.pgn") {
        const std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static ToolOutput review(std::vector<std::string> args) {
        return runReview(std::span<const std::string>(args));
    }

    QTemporaryDir m_dir;
};

// Exactly one line on standard error, nothing on standard output.
void expectOneErrorLine(const ToolOutput& output, int status, const std::string& containing) {
    EXPECT_EQ(output.status, status) << output.err;
    EXPECT_TRUE(output.out.empty());
    EXPECT_EQ(std::count(output.err.begin(), output.err.end(), '\n'), 1) << output.err;
    EXPECT_NE(output.err.find(containing), std::string::npos) << output.err;
}

TEST_F(ReviewTool, JsonCarriesTheFiguresOfTheScoredGame) {
    // Ten plies whose scores swing between -50 and +15 for White: both sides lose the same, and
    // each swing costs just over a tenth of the winning chances.
    const std::string shuffle = writeGame("[White \"A\"]\n[Black \"B\"]\n\n1. Nf3 Nf6 2. Ng1 Ng8 "
                                          "3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 *\n");
    FakeEngine swinging(scripted({"cp 15", "cp 50", "cp 15", "cp 50", "cp 15", "cp 50", "cp 15",
                                  "cp 50", "cp 15", "cp 50"}));
    const ToolOutput output =
        review({shuffle, "--engine", swinging.path().toStdString(), "--json"});
    ASSERT_EQ(output.status, 0) << output.err;
    EXPECT_EQ(output.out.substr(0, output.out.find("\n \"moves\"")),
              "{\"white\": {\"accuracy\": 77.38, \"acpl\": 65, \"inaccuracies\": 5, \"mistakes\": "
              "0, \"blunders\": 0},\n \"black\": {\"accuracy\": 77.38, \"acpl\": 65, "
              "\"inaccuracies\": 5, \"mistakes\": 0, \"blunders\": 0},");
    EXPECT_NE(output.out.find("{\"ply\": 1, \"san\": \"Nf3\", \"cp\": -50, \"win_percent\": "
                              "45.41, \"accuracy\": 77.38, \"judgement\": \"inaccuracy\"}"),
              std::string::npos)
        << output.out;
    EXPECT_NE(output.out.find("{\"ply\": 10, \"san\": \"Nf6\", \"cp\": 15"), std::string::npos);
    EXPECT_EQ(swinging.receivedCommands().filter("go movetime 500").size(), 10)
        << "the default limit, and no search of the standard start";

    // A blunder on the first move: +15 to -900 for White.
    const std::string blunder = writeGame("1. f3 e5 *\n", "blunder.pgn");
    FakeEngine losing(
        scripted({"cp -900", "cp 900"}, {"option name Threads type spin default 1 min 1 max 64",
                                         "option name Hash type spin default 16 min 1 max 1024"}));
    const ToolOutput lost = review({blunder, "--engine", losing.path().toStdString(), "--depth",
                                    "7", "--threads", "2", "--hash", "32", "--json"});
    ASSERT_EQ(lost.status, 0) << lost.err;
    EXPECT_NE(lost.out.find("{\"white\": {\"accuracy\": 10.66, \"acpl\": 915, \"inaccuracies\": "
                            "0, \"mistakes\": 0, \"blunders\": 1}"),
              std::string::npos)
        << lost.out;
    EXPECT_NE(lost.out.find("\"judgement\": \"blunder\""), std::string::npos);
    const QStringList sent = losing.receivedCommands();
    EXPECT_TRUE(sent.contains("setoption name Threads value 2"));
    EXPECT_TRUE(sent.contains("setoption name Hash value 32"));
    EXPECT_EQ(sent.filter("go").front(), "go depth 7");
}

TEST_F(ReviewTool, AnnotatedPgnReadsBackToTheSameReviewWithoutAnEngine) {
    const std::string games = writeGame(
        "[Event \"First\"]\n\n1. e4 *\n\n[Event \"Second\"]\n[SetUp \"1\"]\n"
        "[FEN \"4k3/8/8/8/8/8/4P3/4K2R b K - 0 30\"]\n\n30... Kd7 {keeps near} 31. Rh7+ Ke6 *\n");
    FakeEngine engine(scripted({"mate 9", "cp -720", "cp 700", "cp -550"}));
    const ToolOutput output =
        review({games, "--engine", engine.path().toStdString(), "--game", "2", "--nodes", "900"});
    ASSERT_EQ(output.status, 0) << output.err;
    EXPECT_EQ(engine.receivedCommands().filter("go nodes 900").size(), 4);
    EXPECT_NE(output.out.find("[Event \"Second\"]"), std::string::npos);
    EXPECT_NE(output.out.find("{ [%eval 5.50] } 30... Kd7 { [%eval 7.00] keeps near }"),
              std::string::npos)
        << output.out;
    EXPECT_NE(output.out.find("Ke6 $2 { [%eval #9] }"), std::string::npos) << output.out;

    const ParsedPGN parsed = PGNParser::parse(output.out);
    const auto positions =
        review::positionsFromAnnotations(parsed.board, parsed.gameComment, parsed.annotations);
    ASSERT_TRUE(positions.has_value());
    const review::GameReviewReport read = review::buildReport(parsed.board, *positions);
    EXPECT_EQ(read.moves[2].judgement, review::Judgement::mistake);
    EXPECT_EQ(read.black.averageCentipawnLoss, 215) << "(150 + 280) / 2: +720 to a mate";
}

TEST_F(ReviewTool, WrongUsageAndFailuresSayWhyInOneLine) {
    const std::string game = writeGame("1. e4 e5 *\n");
    FakeEngine engine(scripted({"cp 20", "cp -20"}));
    const std::string path = engine.path().toStdString();
    expectOneErrorLine(review({game}), 2, "--engine");
    expectOneErrorLine(review({game, "--engine", path, "--ponder"}), 2, "unknown option --ponder");
    expectOneErrorLine(review({game, "--engine", path, "--depth", "5", "--nodes", "9"}), 2,
                       "exclude");
    expectOneErrorLine(review({game, "--engine", path, "--movetime", "-5"}), 2, "\"-5\"");
    expectOneErrorLine(review({game, "--engine"}), 2, "needs a value");
    expectOneErrorLine(review({"--engine", path}), 2, "no game file");

    expectOneErrorLine(review({m_dir.filePath("missing.pgn").toStdString(), "--engine", path}), 1,
                       "No such file or directory");
    expectOneErrorLine(review({m_dir.path().toStdString(), "--engine", path}), 1, "folder");
    expectOneErrorLine(review({writeGame("1. e4 e5 2. Ke3 *\n", "bad.pgn"), "--engine", path}), 1,
                       "'Ke3' at ply 3");
    expectOneErrorLine(review({game, "--engine", path, "--game", "3"}), 1, "no game 3");
    FakeEngine crashing(QStringLiteral("on uci\nsay id name Crash\nexit 3\n"));
    expectOneErrorLine(review({game, "--engine", crashing.path().toStdString()}), 1, "handshake");
    EXPECT_TRUE(engine.receivedCommands().filter("go").isEmpty()) << "no review was begun";
}

} // namespace
} // namespace velkor::tool
