#include "uci/EngineEvaluation.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace velkor {
namespace {

EngineEvaluation centipawns(std::int64_t cp) {
    EngineEvaluation evaluation;
    evaluation.scoreCp = cp;
    return evaluation;
}

EngineEvaluation mate(std::int64_t moves) {
    EngineEvaluation evaluation;
    evaluation.mateIn = moves;
    return evaluation;
}

TEST(EngineEvaluation, EmptyValueHasNoScore) {
    const EngineEvaluation empty;
    EXPECT_EQ(empty.multiPV, 1);
    EXPECT_EQ(empty.depth, 0);
    EXPECT_EQ(empty.formattedScore(), "0.00");
    EXPECT_FALSE(empty.scoreFromWhite(PieceColor::white));
    EXPECT_DOUBLE_EQ(empty.evalBarFraction(PieceColor::black), 0.5);
}

TEST(EngineEvaluation, FormatsScores) {
    const std::pair<EngineEvaluation, std::string> cases[] = {
        {centipawns(35), "+0.35"},
        {centipawns(-120), "-1.20"},
        {centipawns(0), "+0.00"},
        {mate(3), "+M3"},
        {mate(-3), "-M3"},
        {mate(0), "-M0"},
        {mate(INT64_MIN), "-M9223372036854775808"},
    };
    for (const auto& [evaluation, text] : cases) {
        EXPECT_EQ(evaluation.formattedScore(), text);
    }
}

TEST(EngineEvaluation, ScoresFromWhitesPointOfView) {
    EXPECT_EQ(mate(-3).scoreFromWhite(PieceColor::black), 10000.0);
    EXPECT_EQ(mate(0).scoreFromWhite(PieceColor::white), -10000.0);
    EXPECT_EQ(mate(2).scoreFromWhite(PieceColor::white), 10000.0);
    EXPECT_EQ(centipawns(-45).scoreFromWhite(PieceColor::white), -45.0);
    EXPECT_EQ(centipawns(-45).scoreFromWhite(PieceColor::black), 45.0);
}

TEST(EngineEvaluation, BarFractionFollowsTheLogisticCurveWithinLimits) {
    EXPECT_NEAR(centipawns(400).evalBarFraction(PieceColor::white), 1.0 / (1.0 + std::exp(-1.0)),
                1e-12);
    EXPECT_NEAR(centipawns(400).evalBarFraction(PieceColor::black), 1.0 / (1.0 + std::exp(1.0)),
                1e-12);
    EXPECT_DOUBLE_EQ(mate(2).evalBarFraction(PieceColor::white), 0.95);
    EXPECT_DOUBLE_EQ(mate(-2).evalBarFraction(PieceColor::black), 0.95);
    EXPECT_DOUBLE_EQ(mate(2).evalBarFraction(PieceColor::black), 0.05);
    EXPECT_DOUBLE_EQ(mate(0).evalBarFraction(PieceColor::white), 0.5);
    EXPECT_DOUBLE_EQ(mate(INT64_MAX).evalBarFraction(PieceColor::white), 0.95);
}

// Engines speak for the side to move; a person reads every score from White's side, whichever
// engine gave it: one position, one sign.
TEST(EngineEvaluation, ScoresReadFromWhitesSide) {
    // evaluation, side to move, text, bar fraction
    const std::vector<std::tuple<EngineEvaluation, PieceColor, std::string, double>> cases{
        {centipawns(35), PieceColor::white, "+0.35", 1.0 / (1.0 + std::exp(-35.0 / 400.0))},
        {centipawns(35), PieceColor::black, "-0.35", 1.0 / (1.0 + std::exp(35.0 / 400.0))},
        {centipawns(0), PieceColor::black, "0.00", 0.5},
        {centipawns(-5000), PieceColor::black, "+50.00", 0.95},
        {mate(3), PieceColor::black, "-M3", 0.05},
        {mate(-2), PieceColor::black, "+M2", 0.95},
        {mate(0), PieceColor::white, "-M0", 0.05},
        {mate(1), PieceColor::white, "+M1", 0.95},
    };
    for (const auto& [evaluation, turn, text, fraction] : cases) {
        const std::optional<WhiteScore> score = evaluation.whiteScore(turn);
        ASSERT_TRUE(score) << text;
        EXPECT_EQ(score->formatted(), text);
        EXPECT_DOUBLE_EQ(score->barFraction(), fraction) << text;
    }
    EXPECT_FALSE(EngineEvaluation().whiteScore(PieceColor::black));
    EXPECT_EQ(centipawns(-5000).whiteScore(PieceColor::black)->cappedCentipawns(), 1000);
    EXPECT_EQ(mate(-2).whiteScore(PieceColor::white)->cappedCentipawns(), -1000);
    // A mate is a move closer once the mating side has played the expected move.
    EXPECT_EQ(mate(3).whiteScore(PieceColor::white)->afterExpectedMove(PieceColor::white),
              WhiteScore::mate(PieceColor::white, 2));
    EXPECT_EQ(mate(3).whiteScore(PieceColor::white)->afterExpectedMove(PieceColor::black),
              WhiteScore::mate(PieceColor::white, 3));
    EXPECT_EQ(mate(INT64_MIN).whiteScore(PieceColor::white)->matingSide, PieceColor::black);
}

} // namespace
} // namespace velkor
