// The figures of a full-speed match against results published by the engine-testing frameworks
// for the same counts, and their behaviour on counts that leave nothing to estimate.
#include "automatch/MatchStatistics.h"

#include <cmath>
#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

MatchCounts games(std::int64_t wins, std::int64_t losses, std::int64_t draws) {
    MatchCounts counts;
    counts.wins = wins;
    counts.losses = losses;
    counts.draws = draws;
    return counts;
}

MatchCounts pairs(std::int64_t ll, std::int64_t ld, std::int64_t wl, std::int64_t dd,
                  std::int64_t wd, std::int64_t ww) {
    MatchCounts counts;
    counts.pairs = {ll, ld, wl, dd, wd, ww};
    counts.wins = 2 * ww + wd + wl;
    counts.losses = 2 * ll + ld + wl;
    counts.draws = 2 * dd + wd + ld;
    return counts;
}

double llr(SprtModel model, double elo0, double elo1, const MatchCounts& counts, bool pentanomial) {
    return Sprt({elo0, elo1, 0.05, 0.05, model}).llr(counts, pentanomial);
}

TEST(MatchStatisticsTest, MeetsTheFrameworksPublishedFigures) {
    EXPECT_NEAR(llr(SprtModel::Normalized, 0, 2, games(36433, 36027, 68692), false), 0.92, 0.01);
    EXPECT_NEAR(llr(SprtModel::Normalized, -1.75, 0.25, games(10871, 10650, 20431), false), 2.30,
                0.01);
    EXPECT_NEAR(llr(SprtModel::Logistic, 0.5, 2.5, games(21404, 21184, 40708), false), -1.57, 0.01);
    EXPECT_NEAR(llr(SprtModel::Bayesian, 0, 2, games(68965, 68526, 128429), false), -1.26, 0.01);

    // The pentanomial form: one point per pair, whether as a win and a loss or two draws, the
    // same figure.
    const MatchCounts paired = pairs(379, 10170, 10000, 11828, 10640, 343);
    EXPECT_NEAR(llr(SprtModel::Normalized, 0, 2, paired, true), 2.95, 0.01);
    EXPECT_NEAR(llr(SprtModel::Normalized, 0, 2, pairs(379, 10170, 0, 21828, 10640, 343), true),
                2.95, 0.01);
    const auto penta = pentanomialEstimate(paired.pairs);
    ASSERT_TRUE(penta && penta->normalizedElo && penta->normalizedEloMargin95);
    EXPECT_NEAR(*penta->normalizedElo, 3.05, 0.01);
    EXPECT_NEAR(*penta->normalizedEloMargin95, 2.31, 0.01);

    const auto trinomial = trinomialEstimate(games(136, 96, 111));
    ASSERT_TRUE(trinomial && trinomial->elo && trinomial->eloMargin95);
    ASSERT_TRUE(trinomial->normalizedElo && trinomial->normalizedEloMargin95);
    EXPECT_NEAR(*trinomial->elo, 40.70, 0.01);
    EXPECT_NEAR(*trinomial->eloMargin95, 30.43, 0.01);
    EXPECT_NEAR(*trinomial->normalizedElo, 49.77, 0.01);
    EXPECT_NEAR(*trinomial->normalizedEloMargin95, 36.77, 0.01);
    EXPECT_NEAR(trinomial->likelihoodOfSuperiority * 100, 99.60, 0.01);
}

} // namespace
} // namespace velkor::automatch
