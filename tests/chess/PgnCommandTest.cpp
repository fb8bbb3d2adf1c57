#include "ChessTestSupport.h"
#include "chess/PGNCommands.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

#include <gtest/gtest.h>

namespace velkor {
namespace {

Square at(const char* name) {
    return *Square::parse(name);
}

TEST(PgnCommandTest, ShapesAreReadFromAmongOtherCommandsAndForeignEntriesAreSkipped) {
    const std::string comment =
        "a plan [%clk 0:04:59] [%cal Ge2e4,Rd2d4, Yg1f3 ,Xa1a2,Ge2e4,Gb1b1,Bh9h1] "
        "[%csl Bd4,Yz9] [%eval 0.31] [not a command] [% broken";
    const std::vector<DrawnShape> shapes = shapesInComment(comment);
    const std::vector<DrawnShape> expected{
        {ShapeColor::green, at("e2"), at("e4")},
        {ShapeColor::red, at("d2"), at("d4")},
        {ShapeColor::yellow, at("g1"), at("f3")},
        {ShapeColor::blue, at("d4"), at("d4")},
    };
    EXPECT_EQ(shapes, expected);

    const auto commands = commandsIn(comment);
    ASSERT_EQ(commands.size(), 4U);
    EXPECT_EQ(commands[0].name, "clk");
    EXPECT_EQ(commands[0].value, "0:04:59");
    EXPECT_EQ(commands[3].name, "eval");
    EXPECT_EQ(comment.substr(commands[3].begin, commands[3].end - commands[3].begin),
              "[%eval 0.31]");
}

TEST(PgnCommandTest, WritingShapesReplacesOnlyTheShapeCommands) {
    const std::string comment = "[%csl Rh1] good [%cal Ga2a4] [%eval -1.2] move";
    const std::vector<DrawnShape> shapes{{ShapeColor::yellow, at("c3"), at("c3")},
                                         {ShapeColor::green, at("e2"), at("e4")},
                                         {ShapeColor::blue, at("f1"), at("b5")}};
    const std::string written = commentWithShapes(comment, shapes);
    EXPECT_EQ(written, "[%csl Yc3] [%cal Ge2e4,Bf1b5] good [%eval -1.2] move");
    EXPECT_EQ(shapesInComment(written), (std::vector<DrawnShape>{shapes[0], shapes[1], shapes[2]}));
    // No shapes left: the comment is the person's text alone, and an empty one stays empty.
    EXPECT_EQ(commentWithShapes(written, {}), "good [%eval -1.2] move");
    EXPECT_EQ(commentWithShapes("", {}), "");
}

TEST(PgnCommandTest, ShapesSurviveAWrittenAndReadGame) {
    ChessBoard board;
    testing::playAll(board, {"e2e4", "e7e5", "g1f3"});
    PGNGame game{
        "E", "S", "2026.12.09", "1", "W", "B", "*", "-", board.initialFEN(), board.history()};
    game.gameComment = commentWithShapes("", {{ShapeColor::green, at("d4"), at("d4")}});
    game.annotations.resize(3);
    game.annotations[1].comment =
        commentWithShapes("the usual", {{ShapeColor::red, at("g1"), at("f3")},
                                        {ShapeColor::blue, at("b8"), at("c6")}});
    game.annotations[2].comment =
        "a long comment that runs past the end of the line before its command "
        "[%cal Ge1g1,Gf1c4,Gd2d4,Gc2c3,Gb1d2,Ga2a4,Gh2h3,Gg2g4]";
    const std::string text = game.exportPGN();
    // Wrapped at blanks, but never inside a command.
    EXPECT_NE(text.find("\n[%cal Ge1g1,Gf1c4,Gd2d4,Gc2c3,Gb1d2,Ga2a4,Gh2h3,Gg2g4]}"),
              std::string::npos)
        << text;
    const ParsedPGN parsed = PGNParser::parse(text);
    EXPECT_EQ(shapesInComment(parsed.gameComment),
              (std::vector<DrawnShape>{{ShapeColor::green, at("d4"), at("d4")}}));
    ASSERT_EQ(parsed.annotations.size(), 3U);
    EXPECT_EQ(parsed.annotations[1].comment, "[%cal Rg1f3,Bb8c6] the usual");
    EXPECT_EQ(shapesInComment(parsed.annotations[2].comment).size(), 8U);
}

} // namespace
} // namespace velkor
