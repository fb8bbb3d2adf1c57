#include "game/PlayerColorChoice.h"
#include "game/TimeControlConfig.h"
#include "game/TurnSearchLimits.h"

#include <gtest/gtest.h>
#include <limits>
#include <set>

namespace velkor {
namespace {

TEST(TimeControlPreset, TableInChipOrder) {
    struct Row {
        const char* id;
        std::int64_t base;
        std::int64_t increment;
        std::int64_t effectiveBaseSeconds;
    };
    const Row rows[] = {
        {"bullet_1_0", 1, 0, 60},   {"bullet_2_1", 2, 1, 120},    {"blitz_3_0", 3, 0, 180},
        {"blitz_3_2", 3, 2, 180},   {"blitz_5_0", 5, 0, 300},     {"blitz_5_3", 5, 3, 300},
        {"rapid_10_0", 10, 0, 600}, {"rapid_15_10", 15, 10, 900}, {"classical_30_0", 30, 0, 1800},
        {"custom", 5, 0, 7 * 60},   {"unlimited", 0, 0, 0},
    };
    ASSERT_EQ(std::size(rows), allTimeControlPresets.size());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const TimeControlPreset preset = allTimeControlPresets[i];
        SCOPED_TRACE(rows[i].id);
        EXPECT_EQ(id(preset), rows[i].id);
        EXPECT_EQ(locKey(preset), QStringLiteral("time_") + rows[i].id);
        EXPECT_EQ(baseMinutes(preset), rows[i].base);
        EXPECT_EQ(incrementSeconds(preset), rows[i].increment);
        EXPECT_EQ(timeControlPresetFromId(rows[i].id), preset);
        const TimeControlConfig config{preset, 7, 0, EngineThinkingMode::gameClock()};
        EXPECT_EQ(config.effectiveBaseSeconds(), rows[i].effectiveBaseSeconds);
        EXPECT_EQ(config.isUnlimited(), preset == TimeControlPreset::unlimited);
    }
    EXPECT_FALSE(timeControlPresetFromId("Blitz_5_3"));
    EXPECT_FALSE(timeControlPresetFromId("blitz_5_3 "));
}

TEST(TimeControlConfig, DefaultsAndPgnString) {
    const TimeControlConfig initial;
    EXPECT_EQ(initial.preset, TimeControlPreset::blitz5_3);
    EXPECT_EQ(initial.customBaseMinutes, 5);
    EXPECT_EQ(initial.customIncrementSeconds, 3);
    EXPECT_EQ(initial.engineThinkingMode, EngineThinkingMode::gameClock());
    EXPECT_EQ(initial.pgnString(), "300+3");

    const auto pgn = [](TimeControlPreset preset, std::int64_t minutes, std::int64_t increment) {
        return TimeControlConfig{preset, minutes, increment, EngineThinkingMode::gameClock()}
            .pgnString();
    };
    EXPECT_EQ(pgn(TimeControlPreset::blitz3_2, 5, 3), "180+2");
    EXPECT_EQ(pgn(TimeControlPreset::rapid10_0, 5, 3), "600");
    EXPECT_EQ(pgn(TimeControlPreset::custom, 7, 0), "420");
    EXPECT_EQ(pgn(TimeControlPreset::custom, 7, 4), "420+4");
    EXPECT_EQ(pgn(TimeControlPreset::unlimited, 7, 4), "-");
    // The custom increment applies only to the custom preset.
    EXPECT_EQ(
        (TimeControlConfig{TimeControlPreset::bullet1_0, 9, 9, EngineThinkingMode::gameClock()}
             .effectiveIncrementSeconds()),
        0);
}

// What an engine is asked for on its turn: the clock with the game's increment, or the fixed
// time in whole milliseconds, or the depth; user-chosen extremes stay in range.
TEST(TurnSearchLimits, FollowTheThinkingModeAndStayInRange) {
    const auto limits = [](TimeControlPreset preset, std::int64_t increment,
                           EngineThinkingMode mode) {
        return searchLimitsForTurn(TimeControlConfig{preset, 5, increment, mode}, 61'500, 59'000);
    };
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(limits(TimeControlPreset::blitz3_2, 0, EngineThinkingMode::gameClock()),
              (uci::SearchLimits{.wtime = 61'500, .btime = 59'000, .winc = 2000, .binc = 2000}));
    EXPECT_EQ(limits(TimeControlPreset::custom, most / 10, EngineThinkingMode::gameClock()).winc,
              most);
    EXPECT_EQ(limits(TimeControlPreset::blitz3_2, 0, EngineThinkingMode::fixedMoveTime(2.5009)),
              (uci::SearchLimits{.movetime = 2500}));
    EXPECT_EQ(limits(TimeControlPreset::blitz3_2, 0, EngineThinkingMode::fixedMoveTime(-1)),
              (uci::SearchLimits{.movetime = 0}));
    EXPECT_EQ(limits(TimeControlPreset::blitz3_2, 0, EngineThinkingMode::fixedMoveTime(1e300)),
              (uci::SearchLimits{.movetime = most}));
    EXPECT_EQ(limits(TimeControlPreset::unlimited, 0, EngineThinkingMode::fixedDepth(12)),
              (uci::SearchLimits{.depth = 12}));
}

TEST(PlayerColorChoice, ResolvesFixedColoursAndDrawsBothAtRandom) {
    EXPECT_EQ(resolve(PlayerColorChoice::white), PieceColor::white);
    EXPECT_EQ(resolve(PlayerColorChoice::black), PieceColor::black);
    std::set<PieceColor> drawn;
    // Missing one colour in 64 fair draws has a chance of 2^-63.
    for (int i = 0; i < 64; ++i) {
        drawn.insert(resolve(PlayerColorChoice::random));
    }
    EXPECT_EQ(drawn.size(), 2u);
}

} // namespace
} // namespace velkor
