#include "game/MoveAnalysis.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace velkor {
namespace {

WhiteScore cp(std::int64_t centipawns) {
    return WhiteScore::fromCentipawns(centipawns);
}

WhiteScore whiteMates(std::int64_t moves) {
    return WhiteScore::mate(PieceColor::white, moves);
}

WhiteScore blackMates(std::int64_t moves) {
    return WhiteScore::mate(PieceColor::black, moves);
}

// Losses are measured on scores within ±1000 centipawns; a forced mate kept is never a fault,
// and a mate let go or walked into is judged by where the move leaves (or found) the mover.
TEST(MoveAnalysis, LossesAndMatesAreJudgedForTheMover) {
    // mover, before, after (both from White's side), loss, label, loss as shown
    const std::vector<
        std::tuple<PieceColor, WhiteScore, WhiteScore, double, const char*, const char*>>
        cases{
            {PieceColor::white, cp(35), cp(-20), 55, "Ungenauigkeit", "−55 cp"},
            {PieceColor::white, cp(35), cp(60), 0, "Best", "0 cp"},
            {PieceColor::black, cp(10), cp(250), 240, "Patzer", "−240 cp"},
            {PieceColor::white, cp(500), cp(300), 200, "Patzer", "−200 cp"},
            // Beyond the cap nothing more is lost.
            {PieceColor::white, cp(2500), cp(1100), 0, "Best", "0 cp"},
            // A forced mate kept, shortened or merely delayed.
            {PieceColor::white, whiteMates(3), whiteMates(2), 0, "Best", "0 cp"},
            {PieceColor::white, whiteMates(3), whiteMates(5), 0, "Best", "0 cp"},
            {PieceColor::black, blackMates(4), blackMates(3), 0, "Best", "0 cp"},
            // A mate let go: by what is left of the advantage.
            {PieceColor::white, whiteMates(2), cp(1200), 0, "Ungenauigkeit", "0 cp"},
            {PieceColor::white, whiteMates(2), cp(800), 200, "Fehler", "−200 cp"},
            {PieceColor::white, whiteMates(2), cp(300), 700, "Patzer", "−700 cp"},
            {PieceColor::black, blackMates(3), cp(400), 1400, "Patzer", "−1400 cp"},
            {PieceColor::black, blackMates(1), whiteMates(1), 2000, "Patzer", "−2000 cp"},
            // A mate walked into: by how lost the mover already was.
            {PieceColor::white, cp(-1200), blackMates(5), 0, "Ungenauigkeit", "0 cp"},
            {PieceColor::white, cp(-800), blackMates(5), 200, "Fehler", "−200 cp"},
            {PieceColor::white, cp(-300), blackMates(1), 700, "Patzer", "−700 cp"},
            {PieceColor::black, cp(900), whiteMates(4), 100, "Fehler", "−100 cp"},
            // Mated by force before and after: nothing the move could have changed.
            {PieceColor::white, blackMates(3), blackMates(2), 0, "Best", "0 cp"},
        };
    for (const auto& [mover, before, after, loss, label, shown] : cases) {
        const MoveAnalysis graded = gradeEngineMove({7, "Nf3", mover, before, 4}, after);
        const std::string context = before.formatted() + " -> " + after.formatted();
        EXPECT_EQ(graded.centipawnLoss, loss) << context;
        EXPECT_EQ(graded.classification(), label) << context;
        EXPECT_EQ(graded.lossText(), QString::fromUtf8(shown)) << context;
        EXPECT_EQ(graded.ply, 7);
        EXPECT_EQ(graded.numberedSan(),
                  mover == PieceColor::white ? QStringLiteral("4. Nf3") : QStringLiteral("4… Nf3"));
        EXPECT_FALSE(graded.id.isNull());
    }
    EXPECT_EQ(
        gradeEngineMove({1, "e4", PieceColor::white, cp(0), 1}, blackMates(2)).scoreFromWhiteCp,
        -10000);
    EXPECT_NE(gradeEngineMove({1, "e4", PieceColor::white, cp(0), 1}, cp(0)).id,
              gradeEngineMove({1, "e4", PieceColor::white, cp(0), 1}, cp(0)).id);
}

TEST(MoveAnalysis, ClassificationBoundaries) {
    const std::vector<std::pair<double, MoveQuality>> cases{
        {0, MoveQuality::best},        {29.99, MoveQuality::best},
        {30, MoveQuality::inaccuracy}, {79.99, MoveQuality::inaccuracy},
        {80, MoveQuality::mistake},    {179.99, MoveQuality::mistake},
        {180, MoveQuality::blunder},   {2000, MoveQuality::blunder}};
    for (const auto& [loss, quality] : cases) {
        EXPECT_EQ(qualityOfLoss(loss), quality) << loss;
    }
}

} // namespace
} // namespace velkor
