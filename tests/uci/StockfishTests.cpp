#include "QtTestSupport.h"
#include "uci/EngineManager.h"
#include "uci/UCIEngineProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>
#include <unistd.h>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using testing::waitUntil;

const QString stockfish = QStringLiteral("/usr/games/stockfish");
// Queen's Gambit Declined after 6...Nbd7: 40 legal moves for White.
const std::string middlegame = "r1bq1rk1/pppnbppp/4pn2/3p2B1/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 2 7";

// Process ids of our children that run `name`.
QList<qint64> childProcesses(const QString& name) {
    QList<qint64> children;
    const auto entries = QDir("/proc").entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // "pid (comm) state ppid ..."; comm may hold blanks, so read after its closing bracket.
        const QString text = QString::fromUtf8(stat.readAll());
        const auto open = text.indexOf('(');
        const auto close = text.lastIndexOf(')');
        const QStringList rest = text.mid(close + 2).split(' ');
        if (rest.size() > 1 && text.mid(open + 1, close - open - 1) == name &&
            rest[1].toLongLong() == ::getpid()) {
            children.append(entry.toLongLong());
        }
    }
    return children;
}

class StockfishTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(stockfish).isExecutable()) {
            GTEST_SKIP() << "Stockfish is not installed (scripts/install-deps.sh installs it)";
        }
    }

    static EngineConfiguration config() {
        EngineConfiguration config = EngineConfiguration::makeNew("Stockfish", stockfish, {});
        config.limitElo = true;
        config.elo = 3190;
        return config;
    }
};

TEST_F(StockfishTest, CompletesTheHandshakeAndTakesItsOptionsInOrder) {
    UCIEngineProcess engine(config(), 5.0);
    ASSERT_TRUE(QCoro::waitFor(engine.start()));
    EXPECT_EQ(engine.canLimitStrength(), true);
    ASSERT_TRUE(waitUntil([&] { return engine.logLines().contains("< readyok"); }));
    const QStringList sent = engine.logLines().filter(QRegularExpression("^> "));
    EXPECT_EQ(sent, (QStringList{"> uci", "> setoption name Threads value 2",
                                 "> setoption name Hash value 64",
                                 "> setoption name UCI_LimitStrength value true",
                                 "> setoption name UCI_Elo value 2850",
                                 "> setoption name MultiPV value 3", "> isready"}));
    EXPECT_TRUE(QCoro::waitFor(engine.newGame()));
}

TEST_F(StockfishTest, FindsALegalMoveAtDepthEight) {
    UCIEngineProcess engine(config(), 5.0);
    ASSERT_TRUE(QCoro::waitFor(engine.start()));
    engine.sendPosition(middlegame, {});
    const SearchOutcome answer = QCoro::waitFor(engine.search({.depth = 8}));
    ASSERT_TRUE(answer);
    const std::string bestMove = answer->move;
    EXPECT_FALSE(engine.isThinking());
    EXPECT_EQ(engine.currentEvaluation().depth, 8);
    // Three lines were asked for; at limited strength the move may come from any of them.
    EXPECT_EQ(engine.analysisLines().size(), 3u);

    // The engine's own list of legal moves in that position must hold the move.
    engine.sendPosition(middlegame, {});
    engine.send("go perft 1");
    const QString perftLine = QString::fromStdString(bestMove) + ": 1";
    EXPECT_TRUE(waitUntil([&] { return engine.logLines().contains("< Nodes searched: 40"); }));
    EXPECT_TRUE(engine.logLines().contains("< " + perftLine)) << bestMove;
}

TEST_F(StockfishTest, StopDuringAnEndlessSearchBringsTheMove) {
    UCIEngineProcess engine(config(), 5.0);
    ASSERT_TRUE(QCoro::waitFor(engine.start()));
    engine.sendPosition(middlegame, {});
    // Depth 99 takes far longer than any test: the search ends only when stopped, so the
    // answer's arrival is the proof. The stopped search completes without a move at once; the
    // answer then ends the thinking and is only logged.
    auto search = engine.search({.depth = 99});
    ASSERT_TRUE(waitUntil([&] { return engine.currentEvaluation().depth >= 5; }));
    EXPECT_TRUE(engine.isThinking());
    engine.stop();
    EXPECT_FALSE(QCoro::waitFor(search));
    ASSERT_TRUE(waitUntil([&] { return !engine.isThinking(); }, 5s));
    EXPECT_FALSE(engine.logLines().filter(QRegularExpression("^< bestmove ")).isEmpty());
    EXPECT_FALSE(engine.hasUnhandledBestMove());
}

TEST_F(StockfishTest, TerminateAndDestructionLeaveNoProcessBehind) {
    auto engine = std::make_unique<UCIEngineProcess>(config(), 5.0);
    ASSERT_TRUE(QCoro::waitFor(engine->start()));
    ASSERT_EQ(childProcesses("stockfish").size(), 1);
    engine->terminate();
    EXPECT_TRUE(waitUntil([] { return childProcesses("stockfish").isEmpty(); }, 3s));

    auto second = std::make_unique<UCIEngineProcess>(config(), 5.0);
    ASSERT_TRUE(QCoro::waitFor(second->start()));
    ASSERT_EQ(childProcesses("stockfish").size(), 1);
    second.reset();
    EXPECT_TRUE(childProcesses("stockfish").isEmpty());
}

TEST_F(StockfishTest, EngineTestAndAddEngineAcceptStockfishAndRejectOtherPrograms) {
    EngineManagerEnvironment environment;
    environment.searchPaths = {};
    environment.engineTestTimeout = 1000ms;
    EngineManager manager(environment);

    const auto test = QCoro::waitFor(manager.testEngine(stockfish));
    EXPECT_TRUE(test.success);
    EXPECT_TRUE(test.engineName.value_or("").startsWith("Stockfish"));
    EXPECT_TRUE(test.author.value_or("").contains("Stockfish developers"));
    EXPECT_EQ(test.supportsLimitStrength, true);

    const auto added = QCoro::waitFor(manager.addEngine(stockfish, std::nullopt));
    ASSERT_TRUE(added.engine);
    EXPECT_EQ(added.engine->name, test.engineName);
    EXPECT_EQ(manager.availableEngines(), QList{*added.engine});

    // cat reads our lines and echoes them, but never says uciok.
    const auto rejected = QCoro::waitFor(manager.addEngine("/bin/cat", std::nullopt));
    EXPECT_EQ(rejected.message,
              "Engine failed UCI test: Engine did not reply with 'uciok' within 1 seconds");
    EXPECT_EQ(manager.availableEngines().size(), 1);
    EXPECT_TRUE(childProcesses("stockfish").isEmpty());
    EXPECT_TRUE(childProcesses("cat").isEmpty());
}

} // namespace
} // namespace velkor
