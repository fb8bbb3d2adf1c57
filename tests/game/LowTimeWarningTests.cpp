#include "ManualTime.h"
#include "QtTestSupport.h"
#include "RecordingSoundPlayer.h"
#include "game/ChessClock.h"
#include "game/LowTimeWarning.h"
#include "platform/SoundManager.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

using platform::SoundEffect;

// One minute and five seconds a move: White runs down to the mark, climbs back over it with the
// increment and falls below it again; a paused or muted clock says nothing.
TEST(LowTimeWarning, WarnsOncePerCrossingOfTheRunningClock) {
    velkor::testing::ManualTime time;
    velkor::testing::RecordingSoundPlayer player;
    platform::SoundManager sounds(player);
    ChessClock clock(
        TimeControlConfig{TimeControlPreset::custom, 1, 5, EngineThinkingMode::gameClock()},
        time.source());
    LowTimeWarning warning(clock, sounds);
    const auto warnings = [&] {
        velkor::testing::processEventsFor(std::chrono::milliseconds(5));
        return std::count(player.played.begin(), player.played.end(), SoundEffect::lowTime);
    };

    clock.start(PieceColor::white);
    time.advance(49.0);
    clock.tick();
    EXPECT_EQ(warnings(), 0) << "11 s left";
    time.advance(1.5);
    clock.tick();
    EXPECT_EQ(warnings(), 1) << "9.5 s left";
    time.advance(1.0);
    clock.tick();
    EXPECT_EQ(warnings(), 1) << "once per crossing, not per tick";

    // The increment lifts White over the mark; Black's full clock stays silent.
    clock.switchTurn(PieceColor::black);
    EXPECT_GE(clock.whiteRemainingMs(), LowTimeWarning::thresholdMs);
    time.advance(5.0);
    clock.tick();
    clock.switchTurn(PieceColor::white);
    time.advance(4.0);
    clock.tick();
    EXPECT_EQ(warnings(), 2) << "below the mark again after climbing over it";

    clock.pause();
    sounds.setIsMuted(true);
    clock.switchTurn(PieceColor::black);
    time.advance(56.0);
    clock.resume();
    clock.tick();
    EXPECT_EQ(warnings(), 2) << "muted with the other sounds";
    sounds.setIsMuted(false);
}

} // namespace
} // namespace velkor
