#include "GameManagerFixture.h"
#include "game/AnalysisEngine.h"
#include "game/AnalysisFollower.h"
#include "game/AnalysisVariation.h"

namespace velkor {
namespace {

AnalysisLine lineOf(std::int64_t centipawns, const char* move) {
    AnalysisLine line;
    line.score = WhiteScore::fromCentipawns(centipawns);
    line.pv = {move};
    return line;
}

TEST(AnalysisArrowsTest, WorseLinesArePalerAndFarWorseOnesGetNone) {
    const std::vector<AnalysisLine> forWhite{lineOf(50, "e2e4"), lineOf(10, "d2d4"),
                                             lineOf(40, "e2e4"), lineOf(-160, "c2c3")};
    const auto arrows = analysisArrows(forWhite, PieceColor::white);
    ASSERT_EQ(arrows.size(), 2U) << "one arrow per move; two pawns worse draws none";
    EXPECT_EQ(arrows[0], (AnalysisArrow{sq("e2"), sq("e4"), 1.0}));
    EXPECT_EQ(arrows[1].to, sq("d4"));
    EXPECT_LT(arrows[1].weight, 0.8);
    EXPECT_GT(arrows[1].weight, 0.0);

    // Scores are White's view: for Black a higher score is the worse line.
    const std::vector<AnalysisLine> forBlack{lineOf(-50, "e7e5"), lineOf(0, "c7c5"),
                                             lineOf(300, "g7g5")};
    const auto blackArrows = analysisArrows(forBlack, PieceColor::black);
    ASSERT_EQ(blackArrows.size(), 2U);
    EXPECT_EQ(blackArrows[1].to, sq("c5"));
    EXPECT_GT(blackArrows[1].weight, 0.5);
}

TEST_F(GameManagerTest, TheAnalysisFollowsTheShownBoardAndTheAnalysisBoardLeavesTheGameAlone) {
    AnalysisEngine engine;
    AnalysisVariation variation;
    AnalysisFollower follower(manager, engine, variation);
    startGame();
    move("e2", "e4");
    move("e7", "e5");
    move("g1", "f3");
    EXPECT_EQ(engine.position().fen(), manager.board().fen());
    EXPECT_EQ(engine.position().history().size(), 3U) << "with the moves, for repetitions";

    manager.navigate(GameManager::NavigationStep::back);
    EXPECT_EQ(engine.position().fen(), manager.board().history()[1].fenAfter);

    // A line played on the analysis board up to its second move, then one move by clicks.
    variation.enter(engine.position(), {"g1f3", "b8c6", "f1b5"}, 2);
    ASSERT_TRUE(variation.isActive());
    EXPECT_EQ(variation.playedSan(), (std::vector<std::string>{"Nf3", "Nc6"}));
    variation.clickSquare(sq("f1"));
    EXPECT_EQ(variation.selectedSquare(), sq("f1"));
    variation.clickSquare(sq("c4"));
    EXPECT_EQ(variation.playedSan().back(), "Bc4");
    EXPECT_EQ(engine.position().fen(), variation.board()->fen());
    variation.clickSquare(sq("e5")) /* Black's own pawn, not White's */;
    variation.clickSquare(sq("a2")) /* a white man, but Black is to move */;
    EXPECT_EQ(variation.selectedSquare(), std::nullopt);
    EXPECT_EQ(manager.board().history().size(), 3U) << "the game record is untouched";
    EXPECT_EQ(manager.displayedMoveIndex(), 1);

    variation.leave();
    EXPECT_EQ(engine.position().fen(), manager.board().history()[1].fenAfter);
    manager.navigate(GameManager::NavigationStep::end);
    EXPECT_EQ(engine.position().fen(), manager.board().fen());

    // Another game on the board closes the analysis board and is followed.
    variation.enter(engine.position(), {"b8c6"}, 1);
    manager.loadFEN(QStringLiteral("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_FALSE(variation.isActive());
    EXPECT_EQ(engine.position().fen(), "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
}

} // namespace
} // namespace velkor
