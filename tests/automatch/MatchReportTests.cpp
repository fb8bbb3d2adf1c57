// The summary and per-game lines of a full-speed match, in the layout engine-testing tools parse.
#include "automatch/MatchReport.h"

#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

MoveLimit clock(int moves, std::int64_t baseMs, std::int64_t incrementMs) {
    MoveLimit limit;
    limit.kind = MoveLimit::Kind::Clock;
    limit.movesPerPeriod = moves;
    limit.baseMs = baseMs;
    limit.incrementMs = incrementMs;
    return limit;
}

TEST(MatchReportTest, SummaryBlockHasTheToolsLineFormats) {
    MatchSummary summary;
    summary.first = {"Velkor-dev", clock(0, 10000, 100), "1", "16"};
    summary.second = {"Velkor-base", clock(0, 10000, 100), std::nullopt, "16"};
    summary.counts.wins = 136;
    summary.counts.losses = 96;
    summary.counts.draws = 111;
    summary.sprt = Sprt({0, 5, 0.05, 0.05, SprtModel::Normalized});
    EXPECT_EQ(summaryBlock(summary), "--------------------------------------------------\n"
                                     "Results of Velkor-dev vs Velkor-base (10+0.1, 1t - NULL, "
                                     "16MB):\n"
                                     "Elo: 40.70 +/- 30.43, nElo: 49.77 +/- 36.77\n"
                                     "LOS: 99.60 %, DrawRatio: 32.36 %\n"
                                     "Games: 343, Wins: 136, Losses: 96, Draws: 111, Points: "
                                     "191.5 (55.83 %)\n"
                                     "LLR: 0.66 (22.6%) (-2.94, 2.94) [0.00, 5.00]\n"
                                     "--------------------------------------------------\n");

    // Paired: Elo from the pairs, their draw share, the pair counts and the pentanomial test;
    // the opening file is named without its folder.
    summary.first = {"A", clock(0, 10000, 100), std::nullopt, std::nullopt};
    summary.second = {"B", clock(0, 10000, 100), std::nullopt, std::nullopt};
    summary.openingFile = "/home/tester/books/UHO_Lichess_4852_v1.epd";
    summary.counts = MatchCounts{};
    summary.counts.pairs = {379, 10170, 10000, 11828, 10640, 343};
    summary.counts.wins = 2 * 343 + 10640 + 10000;
    summary.counts.losses = 2 * 379 + 10170 + 10000;
    summary.counts.draws = 2 * 11828 + 10640 + 10170;
    summary.pentanomial = true;
    summary.sprt = Sprt({0, 2, 0.05, 0.05, SprtModel::Normalized});
    EXPECT_EQ(summaryLines(summary),
              "Results of A vs B (10+0.1, NULL, NULL, UHO_Lichess_4852_v1.epd):\n"
              "Elo: 1.59 +/- 1.21, nElo: 3.05 +/- 2.31\n"
              "LOS: 99.51 %, DrawRatio: 50.34 %, PairsRatio: 1.04\n"
              "Games: 86720, Wins: 21326, Losses: 20928, Draws: 44466, Points: 43559.0 (50.23 %)\n"
              "Ptnml(0-2): [379, 10170, 21828, 10640, 343], WL/DD Ratio: 0.85\n"
              "LLR: 2.95 (100.0%) (-2.94, 2.94) [0.00, 2.00]\n");

    // Before the first game, and after a clean sweep, every figure is a number or "n/a".
    for (const MatchCounts& counts : {MatchCounts{}, MatchCounts{40, 0, 0, {0, 0, 0, 0, 0, 20}}}) {
        summary.counts = counts;
        for (const bool pentanomial : {false, true}) {
            summary.pentanomial = pentanomial;
            const std::string lines = summaryLines(summary);
            EXPECT_EQ(lines.find("inf"), std::string::npos) << lines;
            EXPECT_EQ(lines.find("nan"), std::string::npos) << lines;
        }
    }
    summary.counts = MatchCounts{};
    summary.pentanomial = true;
    EXPECT_NE(summaryLines(summary).find("Elo: n/a +/- n/a, nElo: n/a +/- n/a\n"
                                         "LOS: n/a %, DrawRatio: n/a %, PairsRatio: n/a\n"
                                         "Games: 0, Wins: 0, Losses: 0, Draws: 0, Points: 0.0 "
                                         "(n/a %)\n"),
              std::string::npos);
}

TEST(MatchReportTest, TimeControlsAndGameLines) {
    EXPECT_EQ(timeControlText(clock(40, 60000, 600)), "40/60+0.6");
    EXPECT_EQ(timeControlText(clock(0, 8000, 80)), "8+0.08");
    EXPECT_EQ(timeControlText(clock(0, 2500, 0)), "2.5");
    MoveLimit limit;
    limit.kind = MoveLimit::Kind::TimePerMove;
    limit.moveTimeMs = 500;
    EXPECT_EQ(timeControlText(limit), "0.5/move");
    limit.kind = MoveLimit::Kind::Depth;
    limit.depth = 12;
    EXPECT_EQ(timeControlText(limit), "12 plies");
    limit.kind = MoveLimit::Kind::Nodes;
    limit.nodes = 5000;
    EXPECT_EQ(timeControlText(limit), "5000 nodes");

    EXPECT_EQ(startedGameLine(3, 200, "Stockfish", "Toga II"),
              "Started game 3 of 200 (Stockfish vs Toga II)");
    EXPECT_EQ(finishedGameLine(3, "Stockfish", "Toga II", "1/2-1/2", "Draw by adjudication"),
              "Finished game 3 (Stockfish vs Toga II): 1/2-1/2 {Draw by adjudication}");
}

} // namespace
} // namespace velkor::automatch
