#include "uci/EngineEvaluation.h"

#include <cmath>
#include <gtest/gtest.h>

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

} // namespace
} // namespace velkor
