#include "FakeEngine.h"
#include "FakeEngineConfig.h"
#include "QtTestSupport.h"
#include "game/GameReviewJob.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using review::Judgement;
using review::ReviewScore;
using testing::FakeEngine;
using testing::waitUntil;

ChessBoard played(std::string_view fen, std::initializer_list<std::string_view> moves) {
    ChessBoard board(fen);
    for (const std::string_view text : moves) {
        const std::optional<Move> move = Move::fromUci(text);
        EXPECT_TRUE(move && board.play(*move)) << text;
    }
    return board;
}

// One "go" answer per searched position, in the order the review asks: last position first.
QString answers(const QStringList& infoLines) {
    QString script = FakeEngine::handshake();
    for (const QString& info : infoLines) {
        const QString firstMove = info.section(" pv ", 1).section(' ', 0, 0);
        script += QStringLiteral("once go\nsay info depth 12 %1\nsay bestmove %2\n")
                      .arg(info, firstMove.isEmpty() ? QStringLiteral("a2a3") : firstMove);
    }
    return script;
}

TEST(GameReviewJob, ScoresEveryPositionFromLastToFirstInOneEngineGame) {
    // 1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6?? 4. Qxf7#: the final position and the standard start are
    // scored without the engine; scores arrive from the side to move's point of view.
    FakeEngine fake(
        answers({"score mate 1 pv h5f7", "score cp -10 pv g7g6 h5f3 g8f6", "score cp 20 pv g1f3",
                 "score cp -10 pv g8f6", "score cp 25 pv g1f3", "score cp -30 pv e7e5"}));
    const ChessBoard game =
        played(standardStartingFEN, {"e2e4", "e7e5", "d1h5", "b8c6", "f1c4", "g8f6", "h5f7"});
    GameReviewJob job(testing::fakeEngineConfig(fake), {});
    QList<int> progress;
    QObject::connect(&job, &GameReviewJob::progressChanged, [&progress](int scored, int total) {
        EXPECT_EQ(total, 8);
        progress.append(scored);
    });
    ASSERT_TRUE(QCoro::waitFor(job.run(game))) << job.errorMessage().toStdString();
    EXPECT_EQ(progress, (QList<int>{2, 3, 4, 5, 6, 7, 8}));

    QStringList positions;
    QStringList dialogue;
    for (const QString& command : fake.receivedCommands()) {
        if (command.startsWith("position")) {
            positions.append(command);
        }
        if (command.startsWith("position") || command.startsWith("go") || command == "ucinewgame") {
            dialogue.append(command.startsWith("position") ? "position" : command);
        }
    }
    EXPECT_EQ(positions.front(), "position startpos moves e2e4 e7e5 d1h5 b8c6 f1c4 g8f6");
    EXPECT_EQ(positions.back(), "position startpos moves e2e4");
    QStringList expected{"ucinewgame"};
    for (int i = 0; i < 6; ++i) {
        expected << "position"
                 << "go movetime 500";
    }
    EXPECT_EQ(dialogue, expected) << "one new game, then one search per position";

    const auto& scores = job.positions();
    EXPECT_EQ(scores[0]->score, ReviewScore::centipawns(15));
    EXPECT_EQ(scores[1]->score, ReviewScore::centipawns(30));
    EXPECT_EQ(scores[5]->score, ReviewScore::centipawns(10));
    EXPECT_EQ(scores[6]->score, ReviewScore::mateIn(1));
    EXPECT_EQ(scores[7]->score, ReviewScore::checkmatedBy(PieceColor::white));
    const review::GameReviewReport report = job.report();
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(report.moves[5].judgement, Judgement::blunder);
    EXPECT_EQ(report.moves[5].bestLineSan, (std::vector<std::string>{"g6", "Qf3", "Nf6"}));
    EXPECT_EQ(report.black.blunders, 1);
    EXPECT_EQ(report.white.averageCentipawnLoss, 6);
}

TEST(GameReviewJob, ASetUpStartIsSearchedTooAndNodeLimitsReachTheEngine) {
    FakeEngine fake(answers({"score mate 9 pv h7h8", "score cp -720 pv e8d7",
                             "score cp 700 pv h1h8", "score cp -550 pv e8d8"}));
    const ChessBoard game = played("4k3/8/8/8/8/8/4P3/4K2R b K - 0 30", {"e8d7", "h1h7", "d7e6"});
    GameReviewJob job(testing::fakeEngineConfig(fake), ReviewLimits{.nodes = 20000});
    ASSERT_TRUE(QCoro::waitFor(job.run(game)));
    EXPECT_EQ(fake.receivedCommands().filter("go").size(), 4);
    EXPECT_EQ(fake.receivedCommands().filter("go").front(), "go nodes 20000");
    EXPECT_EQ(job.positions().front()->score, ReviewScore::centipawns(550));
    EXPECT_EQ(job.positions()[2]->score, ReviewScore::centipawns(720)) << "Black's -720";
    EXPECT_EQ(job.positions().back()->score, ReviewScore::mateIn(9));
    EXPECT_EQ(job.report().moves[2].judgement, Judgement::mistake);
}

// Runs the review without waiting for it; `finished` turns true when it has ended.
QCoro::Task<> reviewInBackground(GameReviewJob& job, ChessBoard game, bool& complete,
                                 bool& finished) {
    complete = co_await job.run(std::move(game));
    finished = true;
}

TEST(GameReviewJob, StopEndsWithinASecondAndKeepsTheScoredPositions) {
    // The second search is never answered.
    FakeEngine fake(answers({"score cp 40 pv g8f6"}));
    const ChessBoard game = played(standardStartingFEN, {"e2e4", "e7e5", "g1f3"});
    GameReviewJob job(testing::fakeEngineConfig(fake), ReviewLimits{.moveTimeMs = 60000});
    bool finished = false;
    bool complete = true;
    QCoro::Task<> running = reviewInBackground(job, game, complete, finished);
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().filter("go").size() == 2; }));
    QElapsedTimer timer;
    timer.start();
    job.stop();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 2s));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(complete);
    EXPECT_TRUE(job.wasStopped());
    EXPECT_TRUE(job.errorMessage().isEmpty());
    EXPECT_FALSE(job.isRunning());
    EXPECT_EQ(job.positions()[3]->score, ReviewScore::centipawns(-40));
    EXPECT_FALSE(job.positions()[2].has_value());
    EXPECT_FALSE(job.report().complete);
}

TEST(GameReviewJob, AnEngineThatFailsItsHandshakeOrGivesNoScoreFailsTheReview) {
    const ChessBoard game = played(standardStartingFEN, {"e2e4"});
    FakeEngine broken(QStringLiteral("at-start\nexit 1\n"));
    GameReviewJob failing(testing::fakeEngineConfig(broken), {});
    EXPECT_FALSE(QCoro::waitFor(failing.run(game)));
    EXPECT_TRUE(failing.errorMessage().contains("handshake"))
        << failing.errorMessage().toStdString();

    FakeEngine silent(FakeEngine::handshake() + "on go\nsay bestmove e7e5\n");
    GameReviewJob scoreless(testing::fakeEngineConfig(silent), {});
    EXPECT_FALSE(QCoro::waitFor(scoreless.run(game)));
    EXPECT_TRUE(scoreless.errorMessage().contains("no score"))
        << scoreless.errorMessage().toStdString();
    EXPECT_FALSE(scoreless.isRunning());
}

} // namespace
} // namespace velkor
