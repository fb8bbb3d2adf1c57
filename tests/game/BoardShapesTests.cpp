#include "GameManagerFixture.h"
#include "game/BoardShapes.h"

namespace velkor {
namespace {

DrawnShape arrow(ShapeColor color, const char* from, const char* to) {
    return {color, sq(from), sq(to)};
}

DrawnShape circle(ShapeColor color, const char* square) {
    return {color, sq(square), sq(square)};
}

using BoardShapesTest = GameManagerTest;

TEST_F(BoardShapesTest, ShapesToggleRecolourAndBelongToTheirPosition) {
    startGame();
    BoardShapes& shapes = BoardShapes::of(manager);
    EXPECT_EQ(&BoardShapes::of(manager), &shapes) << "one set of shapes per game";

    shapes.toggle(circle(ShapeColor::green, "d4"));
    shapes.toggle(arrow(ShapeColor::green, "e2", "e4"));
    shapes.toggle(arrow(ShapeColor::red, "e2", "e4"));
    EXPECT_EQ(shapes.shown(),
              (std::vector{circle(ShapeColor::green, "d4"), arrow(ShapeColor::red, "e2", "e4")}))
        << "another colour on the same squares recolours";
    shapes.toggle(circle(ShapeColor::green, "d4"));
    EXPECT_EQ(shapes.shown(), std::vector{arrow(ShapeColor::red, "e2", "e4")})
        << "the same shape again removes it";

    move("e2", "e4");
    EXPECT_TRUE(shapes.shown().empty()) << "the new position has none yet";
    shapes.toggle(arrow(ShapeColor::blue, "g8", "f6"));
    move("e7", "e5");
    shapes.toggle(circle(ShapeColor::yellow, "f7"));

    // Stepping back shows each position's own shapes; play goes on underneath.
    manager.navigate(GameManager::NavigationStep::start);
    EXPECT_EQ(shapes.shown(), std::vector{arrow(ShapeColor::red, "e2", "e4")});
    manager.navigate(GameManager::NavigationStep::forward);
    EXPECT_EQ(shapes.shown(), std::vector{arrow(ShapeColor::blue, "g8", "f6")});
    shapes.clearShown();
    EXPECT_TRUE(shapes.shown().empty());
    EXPECT_EQ(shapes.atPly(2), std::vector{circle(ShapeColor::yellow, "f7")})
        << "clearing one position leaves the others";
    manager.navigate(GameManager::NavigationStep::end);

    // A move taken back takes its position's shapes with it, and they do not come back when
    // another move is played in its place.
    manager.undoMove();
    EXPECT_TRUE(shapes.atPly(2).empty());
    move("c7", "c5");
    EXPECT_TRUE(shapes.shown().empty());
    EXPECT_EQ(shapes.atPly(0), std::vector{arrow(ShapeColor::red, "e2", "e4")});

    startGame();
    EXPECT_TRUE(shapes.atPly(0).empty()) << "a new game starts without shapes";
}

TEST_F(BoardShapesTest, ShapesAreWrittenIntoThePgnAndReadBackWithTheComments) {
    manager.loadPGN(QStringLiteral("[Event \"Test\"]\n[Result \"*\"]\n\n"
                                   "{[%csl Gd4] start} 1. e4 {[%cal Ge7e5] a plan [%eval 0.2]} "
                                   "e5 2. Nf3 *\n"));
    BoardShapes& shapes = BoardShapes::of(manager);
    EXPECT_EQ(shapes.atPly(0), std::vector{circle(ShapeColor::green, "d4")});
    EXPECT_EQ(shapes.atPly(1), std::vector{arrow(ShapeColor::green, "e7", "e5")});
    // Unchanged shapes leave the game's text exactly as the game writes it.
    EXPECT_EQ(shapes.exportPGN(), manager.exportPGN());

    shapes.toggle(arrow(ShapeColor::yellow, "f1", "c4"));
    manager.navigate(GameManager::NavigationStep::back);
    manager.navigate(GameManager::NavigationStep::back);
    shapes.toggle(arrow(ShapeColor::green, "e7", "e5"));
    shapes.toggle(circle(ShapeColor::red, "f7"));
    const QString written = shapes.exportPGN();
    EXPECT_TRUE(written.contains("[Event \"Test\"]")) << written.toStdString();
    EXPECT_TRUE(written.contains("{ [%csl Gd4] start }")) << written.toStdString();
    EXPECT_TRUE(written.contains("{ [%csl Rf7] a plan [%eval 0.2] }")) << written.toStdString();
    EXPECT_TRUE(written.contains("{ [%cal Yf1c4] }")) << written.toStdString();

    // Read back into a fresh session, every position has what was drawn on it.
    GameManager other(sounds, engines, sleepGuard);
    other.loadPGN(written);
    BoardShapes& read = BoardShapes::of(other);
    EXPECT_EQ(read.atPly(0), std::vector{circle(ShapeColor::green, "d4")});
    EXPECT_EQ(read.atPly(1), std::vector{circle(ShapeColor::red, "f7")});
    EXPECT_EQ(read.atPly(3), std::vector{arrow(ShapeColor::yellow, "f1", "c4")});
    EXPECT_EQ(other.gameRecord().annotations.at(0).comment, "[%csl Rf7] a plan [%eval 0.2]");
}

} // namespace
} // namespace velkor
