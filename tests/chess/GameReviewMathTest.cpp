#include "chess/GameReviewMath.h"

#include <gtest/gtest.h>

namespace velkor::review {
namespace {

constexpr double tolerance = 0.01;

// The start score, then the score after each move, all in centipawns from White's side.
std::vector<ReviewScore> centipawnList(std::initializer_list<std::int64_t> afterMoves,
                                       std::int64_t start = standardStartCentipawns) {
    std::vector<ReviewScore> scores{ReviewScore::centipawns(start)};
    for (const std::int64_t cp : afterMoves) {
        scores.push_back(ReviewScore::centipawns(cp));
    }
    return scores;
}

// `pattern` repeated `times` times after the standard start.
std::vector<ReviewScore> repeated(std::initializer_list<std::int64_t> pattern, int times) {
    std::vector<ReviewScore> scores{ReviewScore::centipawns(standardStartCentipawns)};
    for (int i = 0; i < times; ++i) {
        for (const std::int64_t cp : pattern) {
            scores.push_back(ReviewScore::centipawns(cp));
        }
    }
    return scores;
}

TEST(GameReviewMathTest, WinPercentAndMoveAccuracyFollowTheirCurves) {
    EXPECT_NEAR(winPercent(0), 50.00, tolerance);
    EXPECT_NEAR(winPercent(100), 59.10, tolerance);
    EXPECT_NEAR(winPercent(300), 75.11, tolerance);
    EXPECT_NEAR(winPercent(500), 86.31, tolerance);
    EXPECT_NEAR(winPercent(1000), 97.54, tolerance);
    // Beyond the cap, and a mate, count as the cap; the curve is symmetric.
    EXPECT_NEAR(winPercent(25000), 97.54, tolerance);
    EXPECT_NEAR(winPercent(ReviewScore::mateIn(3)), 97.54, tolerance);
    EXPECT_NEAR(winPercent(ReviewScore::mateIn(-2)), 2.46, tolerance);
    EXPECT_NEAR(winPercent(ReviewScore::checkmatedBy(PieceColor::black)), 2.46, tolerance);
    EXPECT_NEAR(winPercent(-300), 100.0 - 75.11, tolerance);

    EXPECT_NEAR(moveAccuracy(60, 60), 100.00, tolerance);
    EXPECT_NEAR(moveAccuracy(60, 55), 80.82, tolerance);
    EXPECT_NEAR(moveAccuracy(60, 50), 64.58, tolerance);
    EXPECT_NEAR(moveAccuracy(60, 40), 41.02, tolerance);
    EXPECT_NEAR(moveAccuracy(60, 20), 15.91, tolerance);
    EXPECT_DOUBLE_EQ(moveAccuracy(40, 70), 100.0) << "a gain is a perfect move";
    EXPECT_DOUBLE_EQ(moveAccuracy(100, 0), 0.0) << "the curve is clamped at 0";
}

TEST(GameReviewMathTest, GameAccuracyWeighsVolatileMovesAndPunishesSingleBlunders) {
    const ColorAccuracy quiet = gameAccuracy(centipawnList({15, 15}), PieceColor::white);
    EXPECT_NEAR(*quiet.white, 100.00, tolerance);
    EXPECT_NEAR(*quiet.black, 100.00, tolerance);

    EXPECT_NEAR(*gameAccuracy(centipawnList({-900, -900}), PieceColor::white).white, 10.66,
                tolerance);

    std::vector<ReviewScore> lateBlunder = repeated({15}, 20);
    lateBlunder.push_back(ReviewScore::centipawns(-900));
    EXPECT_NEAR(*gameAccuracy(lateBlunder, PieceColor::white).white, 46.85, tolerance);

    // Windows of 2 (10 moves) and of 8 (100 moves, the first window serving six more moves).
    const ColorAccuracy seesaw = gameAccuracy(repeated({-50, 15}, 5), PieceColor::white);
    EXPECT_NEAR(*seesaw.white, 77.38, tolerance);
    EXPECT_NEAR(*seesaw.black, 77.38, tolerance);
    const ColorAccuracy longSmall = gameAccuracy(repeated({-135, 15}, 50), PieceColor::white);
    EXPECT_NEAR(*longSmall.white, 55.00, tolerance);
    EXPECT_NEAR(*longSmall.black, 55.00, tolerance);
    const ColorAccuracy longLarge = gameAccuracy(repeated({-435, 15}, 50), PieceColor::white);
    EXPECT_NEAR(*longLarge.white, 20.69, tolerance);
    EXPECT_NEAR(*longLarge.black, 20.69, tolerance);

    // Black moving first: the first move's accuracy is Black's, and White has none.
    const ColorAccuracy blackFirst = gameAccuracy(centipawnList({900}, 0), PieceColor::black);
    EXPECT_FALSE(blackFirst.white.has_value());
    EXPECT_NEAR(*blackFirst.black, *gameAccuracy(centipawnList({-900}, 0), PieceColor::white).white,
                1e-9)
        << "mirrored scores, mirrored accuracy";
    EXPECT_FALSE(gameAccuracy(centipawnList({}), PieceColor::white).white.has_value());
}

TEST(GameReviewMathTest, JudgementsFollowTheDropInWinningChancesAndTheMateRules) {
    using C = ReviewScore;
    const auto judge = [](C before, C after, PieceColor mover) {
        return judgeMove(before, after, mover);
    };
    constexpr PieceColor white = PieceColor::white;
    constexpr PieceColor black = PieceColor::black;
    EXPECT_EQ(judge(C::centipawns(50), C::centipawns(-50), white), Judgement::inaccuracy);
    EXPECT_EQ(judge(C::centipawns(50), C::centipawns(-150), white), Judgement::blunder);
    EXPECT_EQ(judge(C::centipawns(500), C::centipawns(300), white), Judgement::mistake);
    EXPECT_EQ(judge(C::centipawns(50), C::centipawns(20), white), std::nullopt);
    // The same drops seen from Black: a White gain is Black's loss.
    EXPECT_EQ(judge(C::centipawns(-500), C::centipawns(-300), black), Judgement::mistake);
    EXPECT_EQ(judge(C::centipawns(50), C::centipawns(-150), black), std::nullopt);
    // A won position stays won: +1500 to +1200 loses nothing above the cap.
    EXPECT_EQ(judge(C::centipawns(1500), C::centipawns(1200), white), std::nullopt);

    // Walking into a mate: how bad depends on how lost the position already was.
    EXPECT_EQ(judge(C::centipawns(-1200), C::mateIn(-4), white), Judgement::inaccuracy);
    EXPECT_EQ(judge(C::centipawns(-800), C::mateIn(-4), white), Judgement::mistake);
    EXPECT_EQ(judge(C::centipawns(-300), C::mateIn(-4), white), Judgement::blunder);
    EXPECT_EQ(judge(C::centipawns(800), C::mateIn(4), black), Judgement::mistake);
    // Letting one's own mate go: how much is still left of the win.
    EXPECT_EQ(judge(C::mateIn(3), C::centipawns(1200), white), Judgement::inaccuracy);
    EXPECT_EQ(judge(C::mateIn(3), C::centipawns(800), white), Judgement::mistake);
    EXPECT_EQ(judge(C::mateIn(3), C::centipawns(200), white), Judgement::blunder);
    EXPECT_EQ(judge(C::mateIn(3), C::mateIn(-5), white), Judgement::blunder);
    EXPECT_EQ(judge(C::mateIn(-3), C::centipawns(-800), black), Judgement::mistake);
    // A slower mate, and delivering mate, are not judged.
    EXPECT_EQ(judge(C::mateIn(2), C::mateIn(6), white), std::nullopt);
    EXPECT_EQ(judge(C::mateIn(-1), C::checkmatedBy(black), black), std::nullopt);
    EXPECT_EQ(judge(C::centipawns(400), C::checkmatedBy(white), white), std::nullopt);
}

TEST(GameReviewMathTest, AverageCentipawnLossCountsOnlyLossesFromTheStartScore) {
    using C = ReviewScore;
    // White: 15 -> -50 loses 65, then keeps -40. Black: -50 -> -40 loses 10, then allows a mate,
    // which counts as +1000 for a loss of 1040.
    const std::vector<ReviewScore> scores{C::centipawns(15), C::centipawns(-50), C::centipawns(-40),
                                          C::centipawns(-40), C::mateIn(2)};
    EXPECT_EQ(averageCentipawnLoss(scores, PieceColor::white, PieceColor::white), 33);
    EXPECT_EQ(averageCentipawnLoss(scores, PieceColor::white, PieceColor::black), 525);
    EXPECT_EQ(averageCentipawnLoss(centipawnList({}), PieceColor::white, PieceColor::white),
              std::nullopt);
}

TEST(GameReviewMathTest, EvalCommandsReadBackWhatIsWritten) {
    using C = ReviewScore;
    for (const C score : {C::centipawns(17), C::centipawns(-5), C::centipawns(-150),
                          C::centipawns(0), C::centipawns(1234), C::mateIn(3), C::mateIn(-3)}) {
        const std::optional<std::string> text = score.evalText();
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(scoreFromComment("[%eval " + *text + "]"), score) << *text;
    }
    EXPECT_EQ(C::centipawns(17).evalText(), "0.17");
    EXPECT_EQ(C::centipawns(-5).evalText(), "-0.05");
    EXPECT_EQ(C::mateIn(-3).evalText(), "#-3");
    EXPECT_EQ(C::checkmatedBy(PieceColor::white).evalText(), std::nullopt);

    // Other writers: a depth after a comma, one decimal, words around the command.
    EXPECT_EQ(scoreFromComment("Good. [%eval -1.5,22] [%clk 0:01:00]"), C::centipawns(-150));
    EXPECT_EQ(scoreFromComment("[%eval +2]"), C::centipawns(200));
    for (const std::string_view bad :
         {"[%eval]", "[%eval x]", "[%eval #0]", "[%eval 1.234]", "[%eval #1.5]", "[%eval 0.5",
          "[%evaluate 1]", "eval 1", "[%eval 99999999999999999999]"}) {
        EXPECT_EQ(scoreFromComment(bad), std::nullopt) << bad;
    }
}

} // namespace
} // namespace velkor::review
