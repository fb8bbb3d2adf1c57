// The figures of a full-speed match against results published by the engine-testing frameworks
// for the same counts, and their behaviour on counts that leave nothing to estimate.
#include "automatch/MatchStatistics.h"

#include <array>
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

TEST(MatchStatisticsTest, OneSidedAndEmptyCountsStayFinite) {
    const std::array<MatchCounts, 4> oneSided{games(1, 726, 1), games(40, 0, 0), games(0, 0, 40),
                                              pairs(0, 0, 0, 0, 0, 20)};
    for (const MatchCounts& counts : oneSided) {
        const auto estimate = trinomialEstimate(counts);
        ASSERT_TRUE(estimate);
        for (const auto& figure : {estimate->elo, estimate->eloMargin95, estimate->normalizedElo,
                                   estimate->normalizedEloMargin95}) {
            EXPECT_TRUE(!figure || std::isfinite(*figure));
        }
        EXPECT_TRUE(std::isfinite(estimate->likelihoodOfSuperiority));
        for (const SprtModel model :
             {SprtModel::Normalized, SprtModel::Logistic, SprtModel::Bayesian}) {
            EXPECT_TRUE(std::isfinite(llr(model, 0, 5, counts, false)));
            EXPECT_TRUE(std::isfinite(llr(model, 0, 5, counts, true)));
        }
    }

    // Heavily lost: a finite, very negative difference, and the test rejects the engine.
    const auto lost = trinomialEstimate(games(1, 726, 1));
    ASSERT_TRUE(lost && lost->elo);
    EXPECT_LT(*lost->elo, -800);
    EXPECT_LT(lost->likelihoodOfSuperiority, 1e-6);
    EXPECT_LT(llr(SprtModel::Normalized, 0, 5, games(1, 726, 1), false), -2.95);

    // Every game won: no finite Elo, certain superiority, and the test leans towards the engine.
    const auto sweep = trinomialEstimate(games(40, 0, 0));
    ASSERT_TRUE(sweep);
    EXPECT_FALSE(sweep->elo);
    EXPECT_FALSE(sweep->normalizedElo);
    EXPECT_DOUBLE_EQ(sweep->likelihoodOfSuperiority, 1.0);
    EXPECT_GT(llr(SprtModel::Logistic, 0, 5, games(40, 0, 0), false), 0.0);

    // Only draws: level, but no spread to scale a normalized figure by.
    const auto draws = trinomialEstimate(games(0, 0, 40));
    ASSERT_TRUE(draws && draws->elo);
    EXPECT_NEAR(*draws->elo, 0.0, 1e-9);
    EXPECT_FALSE(draws->normalizedElo);
    EXPECT_DOUBLE_EQ(draws->likelihoodOfSuperiority, 0.5);

    // Nothing played: no estimate and a neutral test.
    EXPECT_FALSE(trinomialEstimate(MatchCounts{}));
    EXPECT_FALSE(pentanomialEstimate(PairCounts{}));
    EXPECT_FALSE(drawRatioPercent(MatchCounts{}));
    EXPECT_FALSE(pairsRatio(PairCounts{}));
    EXPECT_FALSE(winLossToDrawDrawRatio(PairCounts{}));
    EXPECT_EQ(llr(SprtModel::Normalized, 0, 5, MatchCounts{}, true), 0.0);
    EXPECT_EQ(llr(SprtModel::Bayesian, 0, 5, MatchCounts{}, false), 0.0);
}

TEST(MatchStatisticsTest, SequentialTestStopsAtTheFirstCrossing) {
    const Sprt sprt({0, 10, 0.05, 0.05, SprtModel::Normalized});
    EXPECT_NEAR(sprt.lowerBound(), std::log(0.05 / 0.95), 1e-12);
    EXPECT_NEAR(sprt.upperBound(), std::log(0.95 / 0.05), 1e-12);

    // Pairs where the first engine wins one game in three and draws the rest: the ratio climbs
    // until it reaches the upper bound, and the decision changes exactly there.
    MatchCounts counts;
    int pairsPlayed = 0;
    double previous = 0;
    SprtDecision decision = SprtDecision::Continue;
    while (decision == SprtDecision::Continue && pairsPlayed < 10000) {
        const bool win = pairsPlayed % 3 == 0;
        counts.addPair(win ? GameScore::Win : GameScore::Draw,
                       pairsPlayed % 5 == 4 ? GameScore::Loss : GameScore::Draw);
        ++pairsPlayed;
        const double ratio = sprt.llr(counts, true);
        decision = sprt.decision(ratio);
        if (decision == SprtDecision::Continue) {
            previous = ratio;
        } else {
            EXPECT_GE(ratio, sprt.upperBound());
        }
    }
    EXPECT_EQ(decision, SprtDecision::AcceptH1);
    EXPECT_LT(previous, sprt.upperBound());
    EXPECT_GT(pairsPlayed, 10);
    EXPECT_NEAR(sprt.progressTowardsBound(sprt.upperBound()), 1.0, 1e-12);
    EXPECT_NEAR(sprt.progressTowardsBound(sprt.lowerBound() / 2), -0.5, 1e-12);

    // The mirror image is rejected at the lower bound.
    const MatchCounts mirrored = games(counts.losses, counts.wins, counts.draws);
    EXPECT_EQ(sprt.decision(sprt.llr(mirrored, false)), SprtDecision::AcceptH0);

    // Pair bookkeeping: a win and a loss, and two draws, are one-point pairs kept apart.
    MatchCounts bookkeeping;
    bookkeeping.addPair(GameScore::Win, GameScore::Loss);
    bookkeeping.addPair(GameScore::Loss, GameScore::Win);
    bookkeeping.addPair(GameScore::Draw, GameScore::Draw);
    bookkeeping.addPair(GameScore::Loss, GameScore::Draw);
    EXPECT_EQ(bookkeeping.pairs.winLoss, 2);
    EXPECT_EQ(bookkeeping.pairs.drawDraw, 1);
    EXPECT_EQ(bookkeeping.pairs.lossDraw, 1);
    EXPECT_EQ(bookkeeping.wins, 2);
    EXPECT_EQ(bookkeeping.losses, 3);
    EXPECT_EQ(bookkeeping.draws, 3);
    EXPECT_NEAR(*winLossToDrawDrawRatio(bookkeeping.pairs), 2.0, 1e-12);
    EXPECT_NEAR(*pairDrawRatioPercent(bookkeeping.pairs), 75.0, 1e-12);
    EXPECT_FALSE(pairsRatio(PairCounts{0, 0, 1, 1, 1, 0}));
    EXPECT_NEAR(*pairsRatio(PairCounts{1, 1, 0, 0, 3, 1}), 2.0, 1e-12);

    EXPECT_TRUE(sprtSettingsProblem({5, 5, 0.05, 0.05, SprtModel::Normalized}));
    EXPECT_TRUE(sprtSettingsProblem({0, 5, 0.6, 0.5, SprtModel::Normalized}));
    EXPECT_TRUE(sprtSettingsProblem({0, 5, 0, 0.05, SprtModel::Normalized}));
    EXPECT_FALSE(sprtSettingsProblem({-1.75, 0.25, 0.05, 0.1, SprtModel::Bayesian}));
}

} // namespace
} // namespace velkor::automatch
