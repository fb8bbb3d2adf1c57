#include "uci/UciProtocol.h"

#include <gtest/gtest.h>

namespace velkor::uci {
namespace {

TEST(UciCommands, PositionUsesStartposOnlyForTheExactStandardFen) {
    EXPECT_EQ(positionCommand(std::nullopt, {}), "position startpos");
    EXPECT_EQ(positionCommand(std::string(standardStartingFEN), {"e2e4", "e7e5"}),
              "position startpos moves e2e4 e7e5");
    const std::string laterCounter = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 2";
    EXPECT_EQ(positionCommand(laterCounter, {}), "position fen " + laterCounter);
    EXPECT_EQ(positionCommand("8/8/8/8/8/8/8/K1k5 b - - 3 60", {"c1c2"}),
              "position fen 8/8/8/8/8/8/8/K1k5 b - - 3 60 moves c1c2");
}

TEST(UciCommands, GoTakesTheFirstMatchingLimit) {
    constexpr std::nullopt_t none = std::nullopt;
    // wtime, btime, winc, binc, movetime, depth, nodes.
    const std::pair<SearchLimits, std::string> cases[] = {
        {{none, none, 2000, none, none, none}, "go winc 2000 movetime 1000"},
        {{none, none, none, none, 500, 10}, "go movetime 500"},
        {{none, none, none, none, none, 10}, "go depth 10"},
        {{none, none, none, none, none, 10, 5000}, "go depth 10"},
        {{60000, 60000, none, none, none, none, 5000}, "go nodes 5000"},
        {{60000, 59000, 1000, 1000, none, none}, "go wtime 60000 btime 59000 winc 1000 binc 1000"},
        {{none, 5, none, none, none, none}, "go btime 5"},
        {{.wtime = 30000, .btime = 31000, .movestogo = 12},
         "go wtime 30000 btime 31000 movestogo 12"},
        {{.movetime = 500, .movestogo = 12}, "go movetime 500"},
        {{-20, none, none, none, none, none}, "go wtime -20"},
        {{}, "go movetime 1000"},
        {{.wtime = 60000, .btime = 59000, .movetime = 500, .depth = 10, .infinite = true},
         "go infinite"},
        {{.wtime = 1000, .btime = 1000, .nodes = 5000}, "go nodes 5000"},
        {{.depth = 3, .nodes = 5000}, "go depth 3"},
    };
    for (const auto& [limits, expected] : cases) {
        EXPECT_EQ(goCommand(limits), expected);
    }
    // An analysis runs until it is stopped: no move-time reminder may cut it short.
    EXPECT_EQ(requestedMoveTime(SearchLimits{.movetime = 500, .infinite = true}), std::nullopt);
    // A node search has no time of its own: it must not be stopped after the default second.
    EXPECT_EQ(requestedMoveTime({.nodes = 5000}), std::nullopt);
}

TEST(UciCommands, StrengthLinesClampTheEloIntoTheAnnouncedRange) {
    const SpinRange stockfish{1350, 2850};
    EXPECT_EQ(strengthCommands(true, 3190, stockfish),
              (std::vector<std::string>{"setoption name UCI_LimitStrength value true",
                                        "setoption name UCI_Elo value 2850"}));
    EXPECT_EQ(strengthCommands(true, 800, stockfish)[1], "setoption name UCI_Elo value 1350");
    EXPECT_EQ(strengthCommands(true, 2000, stockfish)[1], "setoption name UCI_Elo value 2000");
    EXPECT_EQ(strengthCommands(true, 3190, SpinRange{std::nullopt, 3000})[1],
              "setoption name UCI_Elo value 3000");
    EXPECT_EQ(strengthCommands(true, 3190, std::nullopt)[1], "setoption name UCI_Elo value 3190");
    EXPECT_EQ(strengthCommands(false, 3190, stockfish),
              (std::vector<std::string>{"setoption name UCI_LimitStrength value false"}));
}

TEST(UciOptionLines, NameEndsAtTheFirstTypeAndIsLowerCased) {
    EXPECT_EQ(optionName("option name Skill Level type spin default 20 min 0 max 20"),
              "skill level");
    EXPECT_EQ(optionName("option name UCI_LimitStrength type check default false"),
              "uci_limitstrength");
    EXPECT_EQ(optionName("option name Odd Option Without Type"), "odd option without type");
    EXPECT_EQ(optionName("option name A type B type spin"), "a");
}

TEST(UciOptionLines, RangeComesFromMinAndMaxAfterTheType) {
    const auto range = optionRange("option name UCI_Elo type spin default 1350 min 1350 max 2850");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->min, 1350);
    EXPECT_EQ(range->max, 2850);
    const auto onlyMax = optionRange("option name UCI_Elo type spin max 3000");
    ASSERT_TRUE(onlyMax);
    EXPECT_FALSE(onlyMax->min);
    EXPECT_FALSE(optionRange("option name UCI_Elo type spin default 1500"));
    EXPECT_FALSE(optionRange("option name min 5 max 9"));
}

TEST(UciInfoLines, LineNumberFollowsTheFirstMultipv) {
    EXPECT_EQ(infoLineNumber({"info", "multipv", "3", "multipv", "2"}), 3);
    EXPECT_EQ(infoLineNumber({"info", "depth", "4", "multipv"}), 1);
    EXPECT_EQ(infoLineNumber({"info", "multipv", "two"}), 1);
    EXPECT_EQ(infoLineNumber({"info", "depth", "4"}), 1);
}

TEST(UciInfoLines, BestMoveIsTheSecondTokenAsSent) {
    EXPECT_EQ(bestMoveText("bestmove e2e4 ponder e7e5"), "e2e4");
    EXPECT_EQ(bestMoveText("bestmove (none)"), "(none)");
    EXPECT_EQ(bestMoveText("bestmove  e2e4"), "");
    EXPECT_FALSE(bestMoveText("bestmove"));
}

} // namespace
} // namespace velkor::uci
