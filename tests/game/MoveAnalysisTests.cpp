#include "game/MoveAnalysis.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace velkor {
namespace {

TEST(MoveAnalysis, LossIsWhatTheMoveCostItsMover) {
    // mover, before, after (both from White's side), expected loss, expected text
    const std::vector<std::tuple<PieceColor, double, double, double, const char*>> cases{
        {PieceColor::white, 35, -20, 55, "Ungenauigkeit"},
        {PieceColor::white, 35, 60, 0, "Best"},
        {PieceColor::black, 10, 250, 240, "Patzer"},
        {PieceColor::black, 10, -40, 0, "Best"},
        {PieceColor::black, -10000, 10000, 20000, "Patzer"},
    };
    for (const auto& [mover, before, after, loss, text] : cases) {
        const MoveAnalysis graded = gradeEngineMove({7, "Nf3", mover, before}, after);
        EXPECT_EQ(graded.centipawnLoss, loss) << before << " -> " << after;
        EXPECT_EQ(graded.scoreFromWhiteCp, after);
        EXPECT_EQ(graded.classification(), text);
        EXPECT_EQ(graded.ply, 7);
        EXPECT_EQ(graded.san, "Nf3");
        EXPECT_FALSE(graded.id.isNull());
    }
    EXPECT_NE(gradeEngineMove({1, "e4", PieceColor::white, 0}, 0).id,
              gradeEngineMove({1, "e4", PieceColor::white, 0}, 0).id);
}

TEST(MoveAnalysis, ClassificationBoundaries) {
    const std::vector<std::pair<double, const char*>> cases{
        {0, "Best"},    {29.99, "Best"},    {30, "Ungenauigkeit"}, {79.99, "Ungenauigkeit"},
        {80, "Fehler"}, {179.99, "Fehler"}, {180, "Patzer"},       {9700, "Patzer"}};
    for (const auto& [loss, text] : cases) {
        EXPECT_EQ((MoveAnalysis{{}, 1, "e4", 0, loss}.classification()), text) << loss;
    }
}

} // namespace
} // namespace velkor
