#include "ManualTime.h"
#include "QtTestSupport.h"
#include "game/ChessClock.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace velkor {
namespace {

using velkor::testing::ManualTime;

TimeControlConfig preset(TimeControlPreset choice) {
    return TimeControlConfig{choice, 5, 3, EngineThinkingMode::gameClock()};
}

TimeControlConfig customMinutes(std::int64_t minutes, std::int64_t incrementSeconds = 0) {
    return TimeControlConfig{TimeControlPreset::custom, minutes, incrementSeconds,
                             EngineThinkingMode::gameClock()};
}

class ChessClockTest : public ::testing::Test {
protected:
    void build(const TimeControlConfig& config) {
        clock = std::make_unique<ChessClock>(config, time.source());
        clock->setOnTimeout([this](PieceColor color) { timeouts.push_back(color); });
    }

    ManualTime time;
    std::unique_ptr<ChessClock> clock;
    std::vector<PieceColor> timeouts;
};

TEST_F(ChessClockTest, FivePlusThreeCreditsTheMoverAndStartsTheOpponent) {
    build(preset(TimeControlPreset::blitz5_3));
    clock->start(PieceColor::white);
    time.advance(4.0);
    EXPECT_TRUE(clock->switchTurn(PieceColor::black));
    EXPECT_EQ(clock->whiteRemainingMs(), 299'000);
    EXPECT_EQ(clock->activeColor(), PieceColor::black);
    time.advance(1.0);
    clock->tick();
    EXPECT_EQ(clock->blackRemainingMs(), 299'000);
    EXPECT_EQ(clock->whiteRemainingMs(), 299'000);
}

TEST_F(ChessClockTest, MoveWithExactlyZeroLeftIsInTimeButOneMillisecondLateIsNot) {
    build(preset(TimeControlPreset::blitz3_2));
    clock->start(PieceColor::white);
    EXPECT_TRUE(clock->switchTurn(PieceColor::black, 180.0));
    EXPECT_EQ(clock->whiteRemainingMs(), 2'000);

    build(preset(TimeControlPreset::blitz3_2));
    clock->start(PieceColor::white);
    // 180 000.5 ms rounds away from zero to 180 001: one millisecond late, no increment.
    EXPECT_FALSE(clock->switchTurn(PieceColor::black, 180.0005));
    EXPECT_EQ(clock->whiteRemainingMs(), 0);
    EXPECT_EQ(clock->activeColor(), PieceColor::black);
}

TEST_F(ChessClockTest, WouldFlagOnlyForTheRunningSideStrictlyBelowZero) {
    build(preset(TimeControlPreset::blitz3_0));
    EXPECT_FALSE(clock->wouldFlag(PieceColor::white, 500.0));
    clock->start(PieceColor::white);
    EXPECT_FALSE(clock->wouldFlag(PieceColor::white, 180.0));
    EXPECT_FALSE(clock->wouldFlag(PieceColor::white, 180.0004));
    EXPECT_TRUE(clock->wouldFlag(PieceColor::white, 180.0005));
    EXPECT_FALSE(clock->wouldFlag(PieceColor::black, 500.0));
    clock->pause();
    EXPECT_FALSE(clock->wouldFlag(PieceColor::white, 500.0));
}

TEST_F(ChessClockTest, TickFlagsAtZeroOnceAndStops) {
    build(preset(TimeControlPreset::bullet1_0));
    clock->start(PieceColor::white);
    time.advance(59.999);
    clock->tick();
    EXPECT_EQ(clock->whiteRemainingMs(), 1);
    EXPECT_TRUE(timeouts.empty());
    time.advance(0.001);
    clock->tick();
    EXPECT_EQ(timeouts, std::vector{PieceColor::white});
    EXPECT_FALSE(clock->isRunning());
    EXPECT_FALSE(clock->activeColor());
    EXPECT_FALSE(clock->hasTimer());
    time.advance(5.0);
    clock->tick();
    EXPECT_EQ(timeouts.size(), 1u);
    EXPECT_EQ(clock->whiteRemainingMs(), 0);
}

TEST_F(ChessClockTest, PendingMoveHoldsTheFlagAtZero) {
    build(preset(TimeControlPreset::bullet1_0));
    bool pending = true;
    clock->setHasPendingMove(
        [&](PieceColor color) { return pending && color == PieceColor::white; });
    clock->start(PieceColor::white);
    time.advance(61.0);
    clock->tick();
    EXPECT_TRUE(timeouts.empty());
    EXPECT_TRUE(clock->isRunning());
    EXPECT_EQ(clock->whiteRemainingMs(), 0);
    pending = false;
    clock->tick();
    EXPECT_EQ(timeouts, std::vector{PieceColor::white});
}

TEST_F(ChessClockTest, PauseChargesUpToThePauseAndNeverWhilePaused) {
    build(preset(TimeControlPreset::blitz5_0));
    clock->start(PieceColor::black);
    time.advance(10.0);
    clock->pause();
    EXPECT_EQ(clock->blackRemainingMs(), 290'000);
    EXPECT_FALSE(clock->isRunning());
    EXPECT_EQ(clock->activeColor(), PieceColor::black);
    time.advance(1000.0);
    clock->tick();
    clock->resume();
    EXPECT_EQ(clock->activeColor(), PieceColor::black);
    time.advance(2.0);
    clock->tick();
    EXPECT_EQ(clock->blackRemainingMs(), 288'000);
    EXPECT_EQ(clock->whiteRemainingMs(), 300'000);

    // Time used up during the turn: the pause shows zero but reports nothing.
    time.advance(400.0);
    clock->pause();
    EXPECT_EQ(clock->blackRemainingMs(), 0);
    EXPECT_TRUE(timeouts.empty());
}

TEST_F(ChessClockTest, SwitchTurnWithoutARunningTurn) {
    build(preset(TimeControlPreset::blitz5_3));
    // Before any start: only the side changes.
    time.advance(30.0);
    EXPECT_TRUE(clock->switchTurn(PieceColor::black));
    EXPECT_EQ(clock->activeColor(), PieceColor::black);
    EXPECT_EQ(clock->blackRemainingMs(), 300'000);
    EXPECT_FALSE(clock->isRunning());
    // Paused: the mover gets its increment and is charged nothing.
    time.advance(30.0);
    EXPECT_TRUE(clock->switchTurn(PieceColor::white));
    EXPECT_EQ(clock->blackRemainingMs(), 303'000);
}

TEST_F(ChessClockTest, BeginTurnKeepsTickedTimeAndDropsTheUntickedRest) {
    build(preset(TimeControlPreset::blitz5_0));
    clock->start(PieceColor::white);
    time.advance(1.02);
    clock->tick();
    EXPECT_EQ(clock->whiteRemainingMs(), 298'980);
    time.advance(0.02);
    clock->beginTurn();
    time.advance(1.0);
    clock->tick();
    EXPECT_EQ(clock->whiteRemainingMs(), 297'980);
}

TEST_F(ChessClockTest, TimeRunningBackwardsNeverAddsTime) {
    build(preset(TimeControlPreset::blitz5_0));
    time.now = 50.0;
    clock->start(PieceColor::white);
    time.now = 40.0;
    clock->tick();
    EXPECT_EQ(clock->whiteRemainingMs(), 300'000);
    EXPECT_TRUE(clock->switchTurn(PieceColor::black));
    EXPECT_EQ(clock->whiteRemainingMs(), 300'000);
}

TEST_F(ChessClockTest, RestoreRunsOnlyWhatWasRunning) {
    build(preset(TimeControlPreset::blitz5_0));
    clock->start(PieceColor::white);
    time.advance(5.0);
    clock->switchTurn(PieceColor::black);
    const ChessClock::Snapshot running = clock->snapshot();
    EXPECT_EQ(running, (ChessClock::Snapshot{295'000, 300'000, PieceColor::black, true}));

    time.advance(20.0);
    clock->switchTurn(PieceColor::white);
    clock->stop();
    const ChessClock::Snapshot stopped = clock->snapshot();

    time.advance(100.0);
    clock->restore(running);
    EXPECT_EQ(clock->snapshot(), running);
    EXPECT_TRUE(clock->hasTimer());
    time.advance(1.0);
    clock->tick();
    // Time between snapshot and restore is charged to nobody.
    EXPECT_EQ(clock->blackRemainingMs(), 299'000);

    clock->restore(stopped);
    EXPECT_EQ(clock->snapshot(), stopped);
    EXPECT_FALSE(clock->isRunning());
    EXPECT_FALSE(clock->hasTimer());
    EXPECT_EQ(clock->blackRemainingMs(), 280'000);
}

TEST_F(ChessClockTest, AHeldTurnChargesWhatWasUsedAndNothingUntilItBegins) {
    build(preset(TimeControlPreset::blitz5_3));
    clock->start(PieceColor::white);
    time.advance(2.0);
    clock->holdTurn();
    EXPECT_TRUE(clock->isTurnHeld());
    EXPECT_EQ(clock->whiteRemainingMs(), 298'000);
    // Held: no time runs, no flag falls, and a late answer is not judged against it.
    time.advance(400.0);
    clock->tick();
    EXPECT_EQ(clock->whiteRemainingMs(), 298'000);
    EXPECT_FALSE(clock->wouldFlag(PieceColor::white, time.now.load()));
    EXPECT_TRUE(timeouts.empty());
    EXPECT_TRUE(clock->isRunning());

    clock->beginTurn();
    EXPECT_FALSE(clock->isTurnHeld());
    time.advance(1.5);
    EXPECT_TRUE(clock->switchTurn(PieceColor::black));
    EXPECT_EQ(clock->whiteRemainingMs(), 299'500);
    // A held first move: the mover keeps its time and gets the increment.
    clock->holdTurn();
    time.advance(30.0);
    EXPECT_TRUE(clock->switchTurn(PieceColor::white));
    EXPECT_EQ(clock->blackRemainingMs(), 303'000);
    time.advance(1.0);
    clock->tick();
    EXPECT_EQ(clock->whiteRemainingMs(), 298'500);
}

TEST_F(ChessClockTest, UnlimitedNeverCounts) {
    build(preset(TimeControlPreset::unlimited));
    clock->start(PieceColor::white);
    EXPECT_TRUE(clock->isRunning());
    EXPECT_FALSE(clock->hasTimer());
    time.advance(10'000.0);
    clock->tick();
    EXPECT_FALSE(clock->wouldFlag(PieceColor::white, time.now));
    EXPECT_TRUE(clock->switchTurn(PieceColor::black));
    EXPECT_EQ(clock->activeColor(), PieceColor::black);
    EXPECT_EQ(clock->whiteRemainingMs(), 0);
    EXPECT_EQ(clock->blackRemainingMs(), 0);
    EXPECT_EQ(clock->formattedTime(PieceColor::white), "--:--");
    EXPECT_EQ(clock->formattedTime(PieceColor::black), "--:--");
    EXPECT_TRUE(timeouts.empty());
}

TEST_F(ChessClockTest, FormattedTimeShowsTenthsBelowTenSeconds) {
    build(customMinutes(12));
    EXPECT_EQ(clock->formattedTime(PieceColor::white), "12:00");
    clock->start(PieceColor::white);
    const auto showsAfter = [&](double elapsed) {
        time.now = elapsed;
        clock->tick();
        return clock->formattedTime(PieceColor::white).toStdString();
    };
    EXPECT_EQ(showsAfter(475.0), "4:05");
    EXPECT_EQ(showsAfter(710.0), "0:10");
    EXPECT_EQ(showsAfter(710.001), "0:09.9");
    EXPECT_EQ(showsAfter(719.95), "0:00.0");
    EXPECT_EQ(showsAfter(720.0), "0:00.0");
}

TEST_F(ChessClockTest, AnnouncesOnlyRealChanges) {
    build(preset(TimeControlPreset::blitz5_0));
    std::vector<qint64> whiteTimes;
    int runningChanges = 0;
    int activeChanges = 0;
    QObject::connect(clock.get(), &ChessClock::whiteRemainingMsChanged,
                     [&](qint64 ms) { whiteTimes.push_back(ms); });
    QObject::connect(clock.get(), &ChessClock::isRunningChanged, [&] { ++runningChanges; });
    QObject::connect(clock.get(), &ChessClock::activeColorChanged, [&] { ++activeChanges; });
    clock->start(PieceColor::white);
    clock->tick();
    time.advance(0.05);
    clock->tick();
    clock->tick();
    clock->reset(preset(TimeControlPreset::blitz5_0));
    EXPECT_EQ(whiteTimes, (std::vector<qint64>{299'950, 300'000}));
    EXPECT_EQ(runningChanges, 2);
    EXPECT_EQ(activeChanges, 2);
}

// Absurd custom values must neither wrap around nor leave a negative time on the clock.
TEST_F(ChessClockTest, NegativeOrHugeCustomTimesStayInRange) {
    build(customMinutes(-3, -2));
    EXPECT_EQ(clock->whiteRemainingMs(), 0);
    EXPECT_EQ(clock->incrementMs(), 0);
    build(customMinutes(std::numeric_limits<std::int64_t>::max() / 10, 1));
    EXPECT_EQ(clock->whiteRemainingMs(), std::numeric_limits<std::int64_t>::max());
    clock->start(PieceColor::white);
    time.advance(1.0);
    EXPECT_TRUE(clock->switchTurn(PieceColor::black));
    EXPECT_GT(clock->whiteRemainingMs(), 0);
}

// The clock's own timer drives the tick from the event loop.
TEST_F(ChessClockTest, TimerTicksOnTheEventLoop) {
    build(preset(TimeControlPreset::bullet1_0));
    clock->start(PieceColor::white);
    EXPECT_TRUE(clock->hasTimer());
    time.advance(60.0);
    ASSERT_TRUE(
        velkor::testing::waitUntil([&] { return !timeouts.empty(); }, std::chrono::seconds(5)));
    EXPECT_EQ(timeouts, std::vector{PieceColor::white});
}

} // namespace
} // namespace velkor
