#include "FakeEngine.h"
#include "QtTestSupport.h"
#include "game/AnalysisEngine.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using testing::FakeEngine;
using testing::processEventsFor;
using testing::waitUntil;

const QStringList declaredOptions{"option name Threads type spin default 1 min 1 max 512",
                                  "option name Hash type spin default 16 min 1 max 33554432",
                                  "option name MultiPV type spin default 1 min 1 max 500"};

// Thinks without end at a shallow depth until told to stop, then, a little late, reports a
// score for the position it was searching before its best move, as real engines do.
const QString endlessSearch = QStringLiteral("on go\n"
                                             "say info depth 10 multipv 1 score cp 25 nps "
                                             "90000 pv e2e4\n"
                                             "on stop\n"
                                             "sleep 30\n"
                                             "say info depth 11 multipv 1 score cp 999 pv a2a3\n"
                                             "say bestmove a2a3\n");

// A Ruy Lopez of 40 plies with captures, castling and quiet moves.
const char* const fortyPlies[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6",
                                  "e1g1", "f8e7", "f1e1", "b7b5", "a4b3", "d7d6", "c2c3", "e8g8",
                                  "h2h3", "c6a5", "b3c2", "c7c5", "d2d4", "d8c7", "b1d2", "c5d4",
                                  "c3d4", "a5c6", "d2b3", "a6a5", "c1e3", "a5a4", "b3d2", "c8d7",
                                  "a1c1", "c7b7", "d2f1", "f8c8", "f1g3", "c6b4", "c2b1", "b4c6"};

ChessBoard afterPlies(std::size_t plies) {
    ChessBoard board;
    for (std::size_t ply = 0; ply < plies; ++ply) {
        const bool played = board.play(*Move::fromUci(fortyPlies[ply]));
        EXPECT_TRUE(played) << fortyPlies[ply];
    }
    return board;
}

class AnalysisEngineTest : public ::testing::Test {
protected:
    AnalysisEngineTest() {
        options.handshakeTimeoutSeconds = 2.0;
        options.killGrace = 200ms;
    }
    // An engine ended during a search answers that search from the event loop: it runs here, so
    // no search is left waiting when the test ends.
    ~AnalysisEngineTest() override {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<AnalysisEngine> analysing(const FakeEngine& fake, std::int64_t lines = 1,
                                              std::int64_t threads = 1) {
        auto engine = std::make_unique<AnalysisEngine>(options);
        EngineConfiguration config =
            EngineConfiguration::makeNew(QStringLiteral("Fake"), fake.path(), {});
        config.optionValues.insert(QStringLiteral("Threads"), QStringLiteral("7"));
        engine->setEngine(config);
        engine->setLineCount(lines);
        engine->setThreads(threads);
        engine->setHashMB(16);
        return engine;
    }

    static qsizetype count(const QStringList& commands, const QString& prefix) {
        return static_cast<qsizetype>(
            std::count_if(commands.begin(), commands.end(), [&prefix](const QString& command) {
                return command.startsWith(prefix);
            }));
    }

    // Commands after the handshake's final "isready".
    static QStringList afterHandshake(const QStringList& commands) {
        return commands.mid(commands.lastIndexOf(QStringLiteral("isready")) + 1);
    }

    EngineSessionOptions options;
};

TEST(AnalysisPositionTest, StartsAfterTheLastIrreversibleMoveSoRepetitionsAreSeen) {
    ChessBoard board;
    for (const char* move : {"e2e4", "e7e5", "g1f3", "b8c6", "f3g1", "c6b8"}) {
        ASSERT_TRUE(board.play(*Move::fromUci(move)));
    }
    const AnalysisPosition position = analysisPosition(board);
    EXPECT_EQ(position.fen, board.history()[1].fenAfter);
    EXPECT_EQ(position.moves, (std::vector<std::string>{"g1f3", "b8c6", "f3g1", "c6b8"}));

    // A set-up position with a running fifty-move count and no capture since: all moves count.
    ChessBoard setUp("4k3/8/8/8/8/8/8/4K2R w K - 12 40");
    ASSERT_TRUE(setUp.play(*Move::fromUci("h1h2")));
    EXPECT_EQ(analysisPosition(setUp),
              (AnalysisPosition{"4k3/8/8/8/8/8/8/4K2R w K - 12 40", {"h1h2"}}));

    EXPECT_EQ(analysisScoreText(WhiteScore::mate(PieceColor::black, 3)), "#-3");
    EXPECT_EQ(analysisScoreText(WhiteScore::mate(PieceColor::white, 3)), "#3");
    EXPECT_EQ(analysisTargetDepth(8, 1), 28);
    EXPECT_EQ(analysisTargetDepth(2, 5), 22);
}

TEST_F(AnalysisEngineTest, FortyStepsKeepOneProcessAndStopEachSearchBeforeTheNext) {
    // Deaf to SIGTERM, so that it lives to read the "quit" sent before the signal.
    const FakeEngine fake("ignore-term\n" + FakeEngine::handshake(declaredOptions) + endlessSearch);
    auto engine = analysing(fake);
    bool staleScoreShown = false;
    QObject::connect(engine.get(), &AnalysisEngine::linesChanged,
                     [&](const std::vector<AnalysisLine>& lines) {
                         for (const AnalysisLine& line : lines) {
                             staleScoreShown |= line.score == WhiteScore::fromCentipawns(999) ||
                                                line.score == WhiteScore::fromCentipawns(-999);
                         }
                     });
    engine->follow(ChessBoard());
    engine->setActive(true);
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().contains("go infinite"); }));
    const std::optional<qint64> pid = fake.pid();
    ASSERT_TRUE(pid);
    const QStringList start = fake.receivedCommands();
    // The start sends the analysis's own thread count, not the one stored for games.
    EXPECT_FALSE(start.contains("setoption name Threads value 7"));

    for (std::size_t ply = 1; ply <= 40; ++ply) {
        const ChessBoard board = afterPlies(ply);
        engine->follow(board);
        const auto position = analysisPosition(board);
        const QString expected =
            QString::fromStdString(uci::positionCommand(position.fen, position.moves));
        ASSERT_TRUE(waitUntil([&] {
            const QStringList received = fake.receivedCommands();
            return received.size() >= 2 && received.last() == "go infinite" &&
                   received[received.size() - 2] == expected && !engine->lines().empty();
        })) << "ply "
            << ply;
        EXPECT_EQ(engine->lines().front().score,
                  WhiteScore::fromCentipawns(board.turn() == PieceColor::white ? 25 : -25));
        // The process's log shows the order on the wire: the new position goes out only after
        // the best move that answered the stop.
        const QStringList log = engine->process()->logLines();
        const qsizetype stop = log.lastIndexOf(QStringLiteral("> stop"));
        const qsizetype bestMove = log.lastIndexOf(QStringLiteral("< bestmove a2a3"));
        const qsizetype newPosition = log.lastIndexOf("> " + expected);
        ASSERT_GE(stop, 0);
        EXPECT_LT(stop, bestMove);
        EXPECT_LT(bestMove, newPosition);
    }
    EXPECT_FALSE(staleScoreShown);
    EXPECT_EQ(fake.pid(), pid) << "never restarted";

    const QStringList steps = afterHandshake(fake.receivedCommands());
    EXPECT_EQ(count(steps, "ucinewgame"), 0);
    EXPECT_EQ(count(steps, "setoption"), 0);
    EXPECT_EQ(count(steps, "stop"), 40);
    EXPECT_EQ(count(steps, "position"), 41);
    EXPECT_EQ(count(steps, "go"), 41);
    ASSERT_EQ(steps.size(), 3 * 40 + 2);
    for (qsizetype step = 0; step < 40; ++step) {
        EXPECT_EQ(steps[2 + 3 * step], "stop");
        EXPECT_TRUE(steps[3 + 3 * step].startsWith("position "));
        EXPECT_EQ(steps[4 + 3 * step], "go infinite");
    }

    engine.reset();
    EXPECT_EQ(fake.receivedCommands().last(), "quit");
    EXPECT_TRUE(testing::waitUntilGone(*pid));
}

TEST_F(AnalysisEngineTest, QuickStepsSearchOnlyTheLastPositionAndOptionsWaitForIdle) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions) + endlessSearch);
    auto engine = analysing(fake);
    engine->follow(ChessBoard());
    engine->setActive(true);
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().contains("go infinite"); }));

    // A held arrow key: many positions within one step of the event loop.
    for (std::size_t ply = 1; ply <= 10; ++ply) {
        engine->follow(afterPlies(ply));
    }
    engine->setLineCount(4);
    engine->setHashMB(32);
    const auto last = analysisPosition(afterPlies(10));
    const QString lastPosition = QString::fromStdString(uci::positionCommand(last.fen, last.moves));
    ASSERT_TRUE(waitUntil([&] {
        return fake.receivedCommands().last() == "go infinite" &&
               fake.receivedCommands().contains(lastPosition);
    }));
    processEventsFor(100ms);
    const QStringList steps = afterHandshake(fake.receivedCommands());
    EXPECT_EQ(steps, (QStringList{steps[0], "go infinite", "stop", "setoption name MultiPV value 4",
                                  "setoption name Threads value 1", "setoption name Hash value 32",
                                  lastPosition, "go infinite"}));

    // Stopping the analysis stops the search and nothing follows it.
    engine->setActive(false);
    ASSERT_TRUE(waitUntil([&] { return !engine->isSearching(); }));
    processEventsFor(100ms);
    EXPECT_EQ(fake.receivedCommands().last(), "stop");
    EXPECT_EQ(count(afterHandshake(fake.receivedCommands()), "stop"), 2);
}

TEST_F(AnalysisEngineTest, TheTargetDepthEndsTheSearchAndTheResultIsKeptPerPosition) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions) +
                          "on go\nsay info depth 22 multipv 1 score mate -3 nps 1000 pv e7e5 g1f3\n"
                          "say info depth 22 multipv 2 score cp -50 nps 1000 pv c7c5\n"
                          "on stop\nsay bestmove e7e5\n");
    auto engine = analysing(fake, 2, 1);
    ChessBoard afterE4;
    ASSERT_TRUE(afterE4.play(*Move::fromUci("e2e4")));
    engine->follow(afterE4);
    engine->setActive(true);
    ASSERT_TRUE(waitUntil([&] { return engine->reachedTarget() && !engine->isSearching(); }));
    ASSERT_EQ(engine->lines().size(), 2U);
    const AnalysisLine best = engine->lines().front();
    EXPECT_EQ(analysisScoreText(*best.score), "#3") << "mated Black means White mates";
    EXPECT_EQ(best.san, "1… e5 2. Nf3");
    EXPECT_EQ(best.pv, (std::vector<std::string>{"e7e5", "g1f3"}));
    EXPECT_EQ(count(fake.receivedCommands(), "stop"), 1);

    // Back to a position done to the target: shown from what was kept, not searched again.
    engine->follow(ChessBoard());
    ASSERT_TRUE(waitUntil([&] { return engine->reachedTarget() && !engine->isSearching(); }));
    const qsizetype searches = count(fake.receivedCommands(), "go");
    engine->follow(afterE4);
    processEventsFor(100ms);
    EXPECT_EQ(engine->lines().front(), best);
    EXPECT_TRUE(engine->reachedTarget());
    EXPECT_EQ(count(fake.receivedCommands(), "go"), searches);

    // "Go deeper" searches on past the target, as does the infinite switch.
    engine->goDeeper();
    ASSERT_TRUE(waitUntil([&] { return count(fake.receivedCommands(), "go") == searches + 1; }));
    processEventsFor(100ms);
    EXPECT_TRUE(engine->isSearching());
    EXPECT_EQ(fake.receivedCommands().last(), "go infinite");
}

TEST_F(AnalysisEngineTest, AnEngineThatDiesIsReportedAndNotRestartedInALoop) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions) + "on go\nexit 3\n");
    auto engine = analysing(fake);
    engine->follow(ChessBoard());
    engine->setActive(true);
    ASSERT_TRUE(waitUntil([&] { return engine->failure().has_value(); }));
    EXPECT_FALSE(engine->isActive());
    EXPECT_EQ(engine->process(), nullptr);
    processEventsFor(300ms);
    EXPECT_EQ(count(fake.receivedCommands(), "uci"), 1);
}

} // namespace
} // namespace velkor
