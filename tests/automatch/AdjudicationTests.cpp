// Draw, resign and move-limit adjudication over scripted engine moves.
#include "automatch/Adjudication.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace velkor::automatch {
namespace {

struct Ply {
    std::optional<EngineScore> score;
    bool irreversible = false;
};

Ply cp(int value, bool irreversible = false) {
    return {EngineScore{EngineScore::Kind::Centipawns, value}, irreversible};
}
Ply mate(int moves) {
    return {EngineScore{EngineScore::Kind::Mate, moves}, false};
}
Ply noScore() {
    return {std::nullopt, false};
}

struct Ending {
    int ply = 0; // 1-based; 0 when the game was never adjudicated
    std::optional<AdjudicationVerdict> verdict;
};

Ending play(const AdjudicationSettings& settings, const std::vector<Ply>& plies,
            bool whiteFirst = true, int fullmove = 1) {
    Adjudicator adjudicator(settings, whiteFirst, fullmove);
    for (std::size_t i = 0; i < plies.size(); ++i) {
        if (auto verdict = adjudicator.afterMove(plies[i].score, plies[i].irreversible)) {
            return {static_cast<int>(i) + 1, verdict};
        }
    }
    return {};
}

std::vector<Ply> repeated(const Ply& ply, int count) {
    return std::vector<Ply>(count, ply);
}

std::vector<Ply> operator+(std::vector<Ply> a, const std::vector<Ply>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(AdjudicationTest, DrawCountsLevelPliesFromTheStartingCounters) {
    AdjudicationSettings settings;
    settings.draw = DrawAdjudication{10, 2, 10};

    // From an opening that ends at move 9 with White to move, the fourth level ply is Black's
    // tenth move: fullmove 11, and 11 - 1 reaches 10.
    const Ending fromOpening = play(settings, repeated(cp(5), 8), true, 9);
    EXPECT_EQ(fromOpening.ply, 4);
    ASSERT_TRUE(fromOpening.verdict);
    EXPECT_EQ(fromOpening.verdict->result, AdjudicatedResult::Draw);
    EXPECT_EQ(fromOpening.verdict->reason, "Draw by adjudication");

    // From Black's ninth move the same four plies end on White's eleventh: fullmove 11 again.
    EXPECT_EQ(play(settings, repeated(cp(-5), 8), false, 9).ply, 4);
    // From the initial position the count is long enough early, but move 10 is only reached
    // after Black's tenth move: ply 20.
    EXPECT_EQ(play(settings, repeated(cp(0), 30)).ply, 20);
    // A score outside the window breaks the run.
    EXPECT_EQ(
        play(settings, repeated(cp(5), 3) + std::vector{cp(11)} + repeated(cp(5), 8), true, 20).ply,
        8);

    settings.draw = DrawAdjudication{0, 2, 10};
    // A capture or pawn move restarts the count and then counts itself: three level plies,
    // the capture (1), then three more reach four at ply 7.
    EXPECT_EQ(
        play(settings, repeated(cp(3), 3) + std::vector{cp(3, true)} + repeated(cp(3), 5)).ply, 7);
    // A mate score restarts it without counting, and so does a move without a score.
    EXPECT_EQ(play(settings, repeated(cp(0), 3) + std::vector{mate(7)} + repeated(cp(0), 5)).ply,
              8);
    EXPECT_EQ(play(settings, repeated(cp(0), 3) + std::vector{noScore()} + repeated(cp(0), 5)).ply,
              8);
    // An absurd score from an engine is simply far from level.
    EXPECT_EQ(play(settings, repeated(cp(0), 3) + std::vector{cp(std::numeric_limits<int>::min())} +
                                 repeated(cp(0), 5))
                  .ply,
              8);
}

TEST(AdjudicationTest, OnlyTheMoverResignsAndOnlyWhenBehind) {
    AdjudicationSettings settings;
    settings.resign = ResignAdjudication{3, 500, false};

    // White sees itself lost on three of its own moves in a row; Black's confident scores in
    // between do not interrupt that, and White resigns on its third.
    const Ending whiteResigns = play(settings, {cp(-600), cp(650), cp(-700), cp(640), mate(-9)});
    EXPECT_EQ(whiteResigns.ply, 5);
    ASSERT_TRUE(whiteResigns.verdict);
    EXPECT_EQ(whiteResigns.verdict->result, AdjudicatedResult::BlackWins);
    EXPECT_EQ(whiteResigns.verdict->reason, "Black wins by adjudication");

    // One hopeful move restarts that side's own count.
    EXPECT_EQ(play(settings,
                   {cp(-600), cp(0), cp(-499), cp(0), cp(-600), cp(0), cp(-600), cp(0), cp(-600)})
                  .ply,
              9);
    // Black resigning from a position that started with Black to move.
    const Ending blackResigns =
        play(settings, {cp(-800), cp(800), cp(-800), cp(800), cp(-800)}, false, 30);
    EXPECT_EQ(blackResigns.ply, 5);
    ASSERT_TRUE(blackResigns.verdict);
    EXPECT_EQ(blackResigns.verdict->result, AdjudicatedResult::WhiteWins);
    // A threshold of zero counts level scores but never resigns on them.
    settings.resign = ResignAdjudication{2, 0, false};
    EXPECT_EQ(play(settings, repeated(cp(0), 10)).ply, 0);

    // Two-sided: both engines agree the game is decided on four plies in a row, and the side
    // that is behind resigns on its own move, never the winner on its move.
    settings.resign = ResignAdjudication{2, 500, true};
    const Ending agreed = play(settings, {cp(600), cp(-600), mate(4), cp(-900), cp(900)});
    EXPECT_EQ(agreed.ply, 4);
    ASSERT_TRUE(agreed.verdict);
    EXPECT_EQ(agreed.verdict->result, AdjudicatedResult::WhiteWins);
    const Ending winnerMovedLast = play(settings, {cp(-600), cp(600), cp(-600), cp(600), cp(-600)});
    EXPECT_EQ(winnerMovedLast.ply, 5);
    ASSERT_TRUE(winnerMovedLast.verdict);
    EXPECT_EQ(winnerMovedLast.verdict->result, AdjudicatedResult::BlackWins);
    EXPECT_EQ(play(settings, {cp(600), cp(-600), cp(300), cp(-600), cp(600), cp(-600)}).ply, 0);
}

TEST(AdjudicationTest, MoveLimitCountsEngineMovesOnly) {
    AdjudicationSettings settings;
    settings.maxMoves = 3;
    // Deep into an opening line: still six engine plies.
    const Ending limit = play(settings, repeated(cp(250), 10), false, 40);
    EXPECT_EQ(limit.ply, 6);
    ASSERT_TRUE(limit.verdict);
    EXPECT_EQ(limit.verdict->result, AdjudicatedResult::Draw);

    // Resignation takes precedence over a draw decided on the same move.
    settings.maxMoves = 2;
    settings.resign = ResignAdjudication{2, 100, false};
    const Ending both = play(settings, {cp(50), cp(-200), cp(50), cp(-200)});
    EXPECT_EQ(both.ply, 4);
    ASSERT_TRUE(both.verdict);
    EXPECT_EQ(both.verdict->result, AdjudicatedResult::WhiteWins);

    // Nothing configured: nothing ends the game.
    EXPECT_EQ(play(AdjudicationSettings{}, repeated(cp(0), 400)).ply, 0);
}

} // namespace
} // namespace velkor::automatch
