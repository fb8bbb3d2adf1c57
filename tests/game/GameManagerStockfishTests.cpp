// Games against Debian's Stockfish (installed by scripts/install-deps.sh).
#include "GameManagerFixture.h"

#include <QFileInfo>

namespace velkor {
namespace {

using namespace std::chrono_literals;

const QString stockfish = QStringLiteral("/usr/games/stockfish");

class StockfishGameTest : public GameManagerTest {
protected:
    void SetUp() override {
        if (!QFileInfo(stockfish).isExecutable()) {
            GTEST_SKIP() << "Stockfish is not installed (scripts/install-deps.sh installs it)";
        }
    }

    ~StockfishGameTest() override {
        // A stopped game ends the engine coroutines' waits; they return in the next steps.
        manager.stopCurrentGame();
        velkor::testing::processEventsFor(20ms);
    }

    static EngineConfiguration engine(const QString& name) {
        EngineConfiguration config = EngineConfiguration::makeNew(name, stockfish, {});
        config.threads = 1;
        config.hashMB = 16;
        return config;
    }

    void useDepth(std::int64_t depth) {
        manager.setTimeControlConfig(
            {TimeControlPreset::blitz5_3, 5, 3, EngineThinkingMode::fixedDepth(depth)});
    }

    // The user plays White against Stockfish searching to `depth`; returns once the clock runs.
    void playWhiteAgainstStockfish(std::int64_t depth) {
        engines.setSelectedBlackEngine(engine("Stockfish"));
        manager.setGameMode(GameMode::humanVsEngine);
        useDepth(depth);
        manager.startNewGame();
        ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    }

    // The user's move: the first legal move of the position, made with two clicks (a promotion
    // becomes a queen).
    void clickAMove() {
        const std::vector<Move> legal = manager.board().generateLegalMoves();
        ASSERT_FALSE(legal.empty());
        click(legal.front().from);
        click(legal.front().to);
        if (manager.clicks().pendingPromotion()) {
            manager.confirmPromotion(PieceType::queen);
        }
    }
    void click(Square square) { manager.handleSquareClick(square); }
};

TEST_F(StockfishGameTest, TheUserClicksMovesAndStockfishAnswers) {
    playWhiteAgainstStockfish(8);

    for (std::size_t round = 1; round <= 4 && !manager.isGameOver(); ++round) {
        clickAMove();
        ASSERT_EQ(manager.board().history().size(), 2 * round - 1);
        EXPECT_EQ(manager.currentlyThinkingColor(), PieceColor::black);
        ASSERT_TRUE(waitUntil(
            [&] { return manager.board().history().size() == 2 * round || manager.isGameOver(); }));
        EXPECT_EQ(manager.lastMove(), manager.board().history().back().move);
        EXPECT_EQ(manager.engineStatusText(), "Ready");
        EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    }
    EXPECT_EQ(manager.board().history().size(), 8u);
    EXPECT_GT(manager.liveAnalysis().liveEvaluation().depth, 0);
    EXPECT_TRUE(manager.liveAnalysis().liveEvaluation().scoreCp ||
                manager.liveAnalysis().liveEvaluation().mateIn);
    EXPECT_TRUE(manager.liveAnalysis().moveAnalyses().empty());
    EXPECT_TRUE(manager.exportPGN().contains("[Black \"Stockfish\"]"));
}

// Pausing and resuming in one step, and changing the strength, while Stockfish thinks: each
// stopped search's answer arrives after the next search began and is never played.
TEST_F(StockfishGameTest, PausesAndStrengthChangesWhileStockfishThinksNeverCostTheGame) {
    engines.setSelectedBlackEngine(engine("Stockfish"));
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setTimeControlConfig(
        {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedMoveTime(0.3)});
    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return !manager.hasEngineStartTask(); }));

    for (std::size_t round = 1; round <= 4 && !manager.isGameOver(); ++round) {
        clickAMove();
        UCIEngineProcess* black = manager.engineSeat(PieceColor::black).process();
        ASSERT_TRUE(waitUntil([&] { return black->isThinking(); }));
        manager.togglePause();
        manager.togglePause();
        if (round % 2 == 0) {
            manager.updateBlackElo(true, 1500 + static_cast<std::int64_t>(round) * 100);
        }
        ASSERT_TRUE(waitUntil(
            [&] { return manager.board().history().size() == 2 * round || manager.isGameOver(); }));
        EXPECT_FALSE(manager.engineFailureMessage()) << manager.engineStatusText().toStdString();
        velkor::testing::processEventsFor(50ms);
        EXPECT_EQ(manager.board().history().size(), 2 * round) << "one answer per turn";
        EXPECT_FALSE(black->isThinking());
    }
    EXPECT_FALSE(manager.isGameOver());
}

// Two rooks against a king: the engines play to the end on their own, every move but the last
// graded.
TEST_F(StockfishGameTest, TwoEnginesPlayAnEndgameToItsEnd) {
    series.active = false;
    engines.setSelectedWhiteEngine(engine("Stockfish White"));
    engines.setSelectedBlackEngine(engine("Stockfish Black"));
    manager.setGameMode(GameMode::engineVsEngine);
    useDepth(10);
    manager.loadFEN("8/3k4/8/8/8/8/R7/4K2R w - - 0 1");

    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }, 60s));
    const ChessBoard& board = manager.board();
    const std::optional<GameEndReason> byRules =
        board.gameEndReason() ? board.gameEndReason() : board.claimableDrawReason();
    ASSERT_TRUE(byRules);
    EXPECT_EQ(manager.gameEndReason(), byRules);
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::checkmate(PieceColor::white));
    EXPECT_FALSE(manager.engineFailureMessage());

    const std::vector<MoveAnalysis>& graded = manager.liveAnalysis().moveAnalyses();
    ASSERT_EQ(graded.size(), board.history().size() - 1);
    for (std::size_t i = 0; i < graded.size(); ++i) {
        EXPECT_EQ(graded[i].ply, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(graded[i].san.toStdString(), board.history()[i].san);
        EXPECT_GE(graded[i].centipawnLoss, 0);
    }
    EXPECT_EQ(sleepLog.acquired, 1);
    EXPECT_EQ(sleepLog.released, 1);
}

TEST_F(StockfishGameTest, UndoTakesBackTheReplyTooAndRestartsTheEngine) {
    playWhiteAgainstStockfish(6);
    time.advance(2);
    click(sq("e2"));
    click(sq("e4"));
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    const ChessClock::Snapshot beforeUsersMove = manager.clockHistory().front();
    const QPointer<UCIEngineProcess> first(manager.engineSeat(PieceColor::black).process());

    manager.undoMove();
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_FALSE(manager.lastMove());
    EXPECT_TRUE(manager.clockHistory().empty());
    EXPECT_FALSE(manager.clock().isRunning()) << "the clock waits for the fresh engine";
    EXPECT_NE(manager.engineSeat(PieceColor::black).process(), first.data());
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    EXPECT_EQ(manager.clock().snapshot(), beforeUsersMove);
    EXPECT_TRUE(waitUntil([&] { return first.isNull(); }));

    click(sq("d2"));
    click(sq("d4"));
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    EXPECT_EQ(manager.board().history().front().san, "d4");
}

} // namespace
} // namespace velkor
