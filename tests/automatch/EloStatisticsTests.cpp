// The strength figures beside the series score, checked against results worked out by hand.
#include "automatch/EloStatistics.h"

#include <cmath>
#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

TEST(EloStatisticsTest, MatchesFiguresWorkedByHand) {
    // +6 -2 =2: score 0.7, so -400 log10(3/7) = 147.19. Per game the results spread with
    // variance 0.6·0.3² + 0.2·0.7² + 0.2·0.2² = 0.16, so the standard error is 0.4 / sqrt(10) and
    // the 95 % interval of the score 0.4521 to 0.9479, i.e. -33.40 to +504.03 Elo: ±268.72.
    // Decisive games 6 against 2: 0.5 (1 + erf(4 / sqrt(16))) = 0.92135.
    const auto estimate = eloEstimate(6, 2, 2);
    ASSERT_TRUE(estimate);
    EXPECT_NEAR(estimate->difference, 147.19, 0.01);
    ASSERT_TRUE(estimate->errorMargin95);
    EXPECT_NEAR(*estimate->errorMargin95, 268.72, 0.01);
    EXPECT_NEAR(estimate->likelihoodOfSuperiority, 0.92135, 0.00001);

    // The mirror image: the same margin, the difference and the likelihood turned round.
    const auto mirrored = eloEstimate(2, 6, 2);
    ASSERT_TRUE(mirrored);
    EXPECT_NEAR(mirrored->difference, -147.19, 0.01);
    EXPECT_NEAR(*mirrored->errorMargin95, 268.72, 0.01);
    EXPECT_NEAR(mirrored->likelihoodOfSuperiority, 1 - 0.92135, 0.00001);

    // +3 -3 =4: level, variance 0.3·0.25 + 0.3·0.25 = 0.15, interval 0.5 ± 0.24005: ±181.74.
    const auto level = eloEstimate(3, 3, 4);
    ASSERT_TRUE(level);
    EXPECT_NEAR(level->difference, 0.0, 1e-9);
    EXPECT_NEAR(*level->errorMargin95, 181.74, 0.01);
    EXPECT_DOUBLE_EQ(level->likelihoodOfSuperiority, 0.5);
}

TEST(EloStatisticsTest, OneSidedOrEmptySeriesGiveNoFalseFigures) {
    EXPECT_FALSE(eloEstimate(0, 0, 0));
    EXPECT_FALSE(eloEstimate(-1, 2, 0));

    // Every point to engine 1: the difference has no finite value and no interval.
    const auto sweep = eloEstimate(4, 0, 0);
    ASSERT_TRUE(sweep);
    EXPECT_TRUE(std::isinf(sweep->difference) && sweep->difference > 0);
    EXPECT_FALSE(sweep->errorMargin95);
    EXPECT_NEAR(sweep->likelihoodOfSuperiority, 0.5 * (1 + std::erf(4 / std::sqrt(8.0))), 1e-12);

    // Only draws: level, but one game's result never varies, so the interval has no width...
    const auto draws = eloEstimate(0, 0, 3);
    ASSERT_TRUE(draws);
    EXPECT_DOUBLE_EQ(draws->difference, 0.0);
    EXPECT_DOUBLE_EQ(draws->likelihoodOfSuperiority, 0.5);
    EXPECT_DOUBLE_EQ(draws->errorMargin95.value_or(-1), 0.0);
    // ...and +1 =1 reaches past a 100 % score within the interval: no margin is claimed, only
    // the lower end, 0.75 - 1.96 · 0.25 / sqrt(2) = 0.40352, i.e. -67.89 Elo.
    const auto nearlySwept = eloEstimate(1, 0, 1);
    EXPECT_FALSE(nearlySwept->errorMargin95);
    EXPECT_NEAR(nearlySwept->lowerBound95.value_or(0), -67.89, 0.01);
    EXPECT_FALSE(nearlySwept->upperBound95);

    // A sweep bounds the difference on one side only: the score p with p^n = 2.5 %. Four wins
    // allow even a slightly weaker engine 1 (at least -72.15); ten wins exclude that (+140.22).
    EXPECT_NEAR(sweep->lowerBound95.value_or(0), -72.15, 0.01);
    EXPECT_FALSE(sweep->upperBound95);
    const auto lostAll = eloEstimate(0, 10, 0);
    EXPECT_NEAR(lostAll->upperBound95.value_or(0), -140.22, 0.01);
    EXPECT_FALSE(lostAll->lowerBound95);
    EXPECT_FALSE(eloEstimate(6, 2, 2)->lowerBound95);
}

} // namespace
} // namespace velkor::automatch
