#include "uci/UciOutputState.h"

#include <gtest/gtest.h>

namespace velkor::uci {
namespace {

using Kind = LineEffect::Kind;

// The evaluation of `line` after feeding `lines` to a fresh state.
std::optional<EngineEvaluation> lineAfter(std::initializer_list<std::string_view> lines,
                                          std::int64_t line = 1) {
    UciOutputState state;
    for (const auto text : lines) {
        state.consumeLine(text, 0);
    }
    const auto pending = state.takePending().evaluation;
    if (!pending) {
        return std::nullopt;
    }
    for (const auto& evaluation : pending->lines) {
        if (evaluation.multiPV == line) {
            return evaluation;
        }
    }
    return std::nullopt;
}

TEST(UciInfoParsing, ReadsEveryKnownFieldOfAMultiPvLine) {
    UciOutputState state;
    state.consumeLine("info depth 12 seldepth 18 multipv 2 score cp -35 nodes 52000 nps 910000 "
                      "time 125 pv e2e4 e7e5",
                      0);
    const auto pending = state.takePending().evaluation;
    ASSERT_TRUE(pending);
    const EngineEvaluation expected{2, 12, -35, std::nullopt, 52000, 910000, 125, {"e2e4", "e7e5"}};
    EXPECT_EQ(pending->lines, std::vector{expected});
    EXPECT_EQ(pending->latest, expected);
    EXPECT_FALSE(pending->principal);
}

TEST(UciInfoParsing, LaterLinesUpdateOnlyWhatTheyMention) {
    const auto evaluation = lineAfter({"info depth 19 score cp 40 nodes 9 pv d2d4 d7d5",
                                       "info depth 20 currmove g1f3 currmovenumber 1"});
    ASSERT_TRUE(evaluation);
    EXPECT_EQ(evaluation->depth, 20);
    EXPECT_EQ(evaluation->scoreCp, 40);
    EXPECT_EQ(evaluation->nodes, 9);
    EXPECT_EQ(evaluation->pv, (std::vector<std::string>{"d2d4", "d7d5"}));
}

TEST(UciInfoParsing, EachScoreKindClearsTheOther) {
    const auto mate = lineAfter({"info score cp 250", "info score mate -3"});
    EXPECT_EQ(mate->mateIn, -3);
    EXPECT_FALSE(mate->scoreCp);
    const auto cp = lineAfter({"info score mate 2", "info score cp 900"});
    EXPECT_EQ(cp->scoreCp, 900);
    EXPECT_FALSE(cp->mateIn);
}

TEST(UciInfoParsing, OddTokensAreSkippedAsTheWalkDefines) {
    // A bound marker after the score is an unknown token.
    const auto bound = lineAfter({"info score cp 15 lowerbound depth 9"});
    EXPECT_EQ(bound->scoreCp, 15);
    EXPECT_EQ(bound->depth, 9);
    // A score of an unknown kind still skips three tokens, so this "depth" is passed over.
    const auto unknownKind = lineAfter({"info score wdl depth 8"});
    EXPECT_FALSE(unknownKind->scoreCp);
    EXPECT_EQ(unknownKind->depth, 0);
    // A score with fewer than two tokens after it moves on by one.
    EXPECT_FALSE(lineAfter({"info depth 3 score cp"})->scoreCp);
    // A non-integer value moves on by one, so the next pair is read.
    EXPECT_EQ(lineAfter({"info depth x depth 6"})->depth, 6);
    EXPECT_FALSE(lineAfter({"info nodes 1e9"})->nodes);
    // "multipv" as the last token: line 1.
    EXPECT_TRUE(lineAfter({"info depth 4 multipv"}, 1));
}

TEST(UciInfoParsing, PvTakesTheRestWithoutEmptyTokens) {
    EXPECT_EQ(lineAfter({"info depth 3 pv  e2e4  e7e5 "})->pv,
              (std::vector<std::string>{"e2e4", "e7e5"}));
    EXPECT_TRUE(lineAfter({"info pv e2e4", "info depth 5 pv"})->pv.empty());
    // Nothing after pv is read as a field.
    EXPECT_EQ(lineAfter({"info pv e2e4 depth 9"})->depth, 0);
}

TEST(UciInfoParsing, PrincipalIsLineOneWhilePending) {
    UciOutputState state;
    state.consumeLine("info depth 5 multipv 1 score cp 20 pv e2e4", 0);
    state.consumeLine("info depth 5 multipv 2 score cp 10 pv d2d4", 0);
    auto pending = state.takePending().evaluation;
    ASSERT_TRUE(pending && pending->principal);
    EXPECT_EQ(pending->principal->scoreCp, 20);
    EXPECT_EQ(pending->latest.multiPV, 2);
    ASSERT_EQ(pending->lines.size(), 2u);
    EXPECT_EQ(pending->lines[0].multiPV, 1);

    // After a delivery, a report of line 2 alone carries no principal.
    state.consumeLine("info depth 6 multipv 2 score cp 12", 0);
    pending = state.takePending().evaluation;
    EXPECT_FALSE(pending->principal);
    EXPECT_EQ(pending->lines.size(), 2u);
}

TEST(UciInfoParsing, ASearchHoldsABoundedNumberOfLines) {
    UciOutputState state;
    const auto limit = static_cast<std::int64_t>(UciOutputState::maxLinesPerSearch);
    // An engine that numbers every report anew.
    for (std::int64_t number = 1; number <= limit + 100; ++number) {
        state.consumeLine("info multipv " + std::to_string(number) + " depth 3", 0);
    }
    // A line already shown still takes updates.
    state.consumeLine("info multipv 7 depth 9", 0);
    const auto pending = state.takePending();
    ASSERT_TRUE(pending.evaluation);
    ASSERT_EQ(pending.evaluation->lines.size(), UciOutputState::maxLinesPerSearch);
    EXPECT_EQ(pending.evaluation->lines.back().multiPV, limit);
    EXPECT_EQ(pending.evaluation->lines[6].depth, 9);
    EXPECT_EQ(pending.evaluation->principal->multiPV, 1);
    // Every line is still logged.
    EXPECT_EQ(pending.log.back(), "< info multipv 7 depth 9");

    // A new search starts with an empty table.
    state.resetForSearch();
    state.consumeLine("info multipv " + std::to_string(limit + 50) + " depth 1", 0);
    EXPECT_EQ(state.takePending().evaluation->lines.size(), 1u);
}

TEST(UciOutputLines, LogsEveryLineAndSortsThemByKind) {
    UciOutputState state;
    EXPECT_EQ(state.consumeLine("uciok", 0).kind, Kind::uciOk);
    EXPECT_EQ(state.consumeLine("readyok", 0).kind, Kind::readyOk);
    EXPECT_EQ(state.consumeLine("UCIOK", 0).kind, Kind::other);
    EXPECT_EQ(state.consumeLine("info", 0).kind, Kind::other);
    EXPECT_EQ(state.consumeLine("bestmove", 0).kind, Kind::other);
    EXPECT_EQ(state.consumeLine("id name Fake", 0).kind, Kind::other);
    EXPECT_EQ(state.takePending().log,
              (std::vector<std::string>{"< uciok", "< readyok", "< UCIOK", "< info", "< bestmove",
                                        "< id name Fake"}));
    EXPECT_FALSE(state.hasUnhandledBestMove());
}

TEST(UciOutputLines, OptionNamesAreRememberedLowerCased) {
    UciOutputState state;
    state.consumeLine("option name uci_LIMITSTRENGTH type check default false", 0);
    state.consumeLine("option name UCI_Elo type spin default 1350 min 1350 max 2850", 0);
    state.consumeLine("option name Skill Level", 0);
    EXPECT_EQ(state.offeredOptions(),
              (std::set<std::string>{"uci_limitstrength", "uci_elo", "skill level"}));
    ASSERT_TRUE(state.eloRange());
    EXPECT_EQ(state.eloRange()->max, 2850);
}

TEST(UciOutputLines, BestMoveTakesEverythingPendingWithIt) {
    UciOutputState state;
    state.consumeLine("info depth 8 score cp 31 pv g1f3", 0);
    const LineEffect effect = state.consumeLine("bestmove g1f3 ponder d7d5", 12.5);
    EXPECT_EQ(effect.kind, Kind::bestMove);
    EXPECT_EQ(effect.bestMove, "g1f3");
    EXPECT_EQ(effect.arrivalTime, 12.5);
    EXPECT_EQ(effect.batch.log, (std::vector<std::string>{"< info depth 8 score cp 31 pv g1f3",
                                                          "< bestmove g1f3 ponder d7d5"}));
    ASSERT_TRUE(effect.batch.evaluation);
    EXPECT_EQ(effect.batch.evaluation->principal->depth, 8);
    EXPECT_TRUE(state.takePending().isEmpty());

    EXPECT_TRUE(state.hasUnhandledBestMove());
    state.markBestMoveHandled();
    EXPECT_FALSE(state.hasUnhandledBestMove());
}

TEST(UciOutputLines, ANewSearchForgetsTheLinesButALateInfoStillCounts) {
    UciOutputState state;
    state.consumeLine("info multipv 2 depth 9", 0);
    state.consumeLine("bestmove e2e4", 1);
    state.consumeLine("info multipv 3 depth 9", 0);
    EXPECT_EQ(state.takePending().evaluation->lines.size(), 2u);

    state.consumeLine("info multipv 2 depth 9", 0);
    state.resetForSearch();
    EXPECT_FALSE(state.hasUnhandledBestMove());
    EXPECT_FALSE(state.takePending().evaluation);
    state.consumeLine("info depth 1", 0);
    EXPECT_EQ(state.takePending().evaluation->lines.size(), 1u);
}

// Every "go" gets one "bestmove", in order: a stopped search's answer that comes after the next
// search began, and its reports, are only logged; a best move that answers no search too.
TEST(UciOutputLines, EachBestMoveAnswersTheOldestOpenSearch) {
    UciOutputState state;
    EXPECT_FALSE(state.hasUnansweredSearch());
    EXPECT_EQ(state.beginSearch(), 1u);
    EXPECT_EQ(state.beginSearch(), 2u);
    state.consumeLine("info depth 20 score cp 900 pv a2a3", 0);
    EXPECT_EQ(state.consumeLine("bestmove a2a3", 1).kind, Kind::other);
    EXPECT_FALSE(state.hasUnhandledBestMove());
    EXPECT_FALSE(state.takePending().evaluation) << "the stopped search's report is not shown";
    EXPECT_TRUE(state.hasUnansweredSearch());

    state.consumeLine("info depth 3 score cp 12 pv b2b3", 0);
    const LineEffect answer = state.consumeLine("bestmove b2b3", 2);
    EXPECT_EQ(answer.kind, Kind::bestMove);
    EXPECT_EQ(answer.searchSerial, 2u);
    EXPECT_EQ(answer.batch.evaluation->principal->scoreCp, 12);
    EXPECT_FALSE(state.hasUnansweredSearch());

    EXPECT_EQ(state.consumeLine("bestmove c2c3", 3).kind, Kind::other);
    EXPECT_EQ(state.takePending().log, std::vector<std::string>{"< bestmove c2c3"});
}

// Free text after "string" holds no keywords, and a huge line is logged as its start and its
// length while the parser still sees all of it.
TEST(UciOutputLines, InfoStringIsFreeTextAndHugeLinesAreLoggedShort) {
    const auto evaluation =
        lineAfter({"info depth 4 score cp 20", "info string multipv 2 score cp 100 depth 40"});
    ASSERT_TRUE(evaluation);
    EXPECT_EQ(evaluation->scoreCp, 20);
    EXPECT_EQ(evaluation->depth, 4);

    UciOutputState state;
    std::string pv = "info depth 1 pv";
    while (pv.size() < 3'000'000) {
        pv += " e2e4 e7e5";
    }
    pv += " g1f3";
    state.consumeLine(pv, 0);
    std::string longCommand = "> ";
    longCommand.append(10'000, 'p');
    state.appendLog(longCommand);
    const OutputBatch batch = state.takePending();
    ASSERT_EQ(batch.log.size(), 2u);
    EXPECT_LT(batch.log[0].size(), UciOutputState::maxLoggedLineBytes + 100);
    EXPECT_EQ(batch.log[0].rfind("< info depth 1 pv e2e4 e7e5", 0), 0u);
    std::string note = "[";
    note += std::to_string(pv.size());
    note += " bytes in all]";
    EXPECT_NE(batch.log[0].find(note), std::string::npos);
    EXPECT_LT(batch.log[1].size(), UciOutputState::maxLoggedLineBytes + 100);
    EXPECT_EQ(batch.evaluation->principal->pv.back(), "g1f3") << "parsing saw the whole line";
    // A cut never splits a character.
    std::string accented(UciOutputState::maxLoggedLineBytes - 1, 'a');
    accented += "\xc3\xa9" + std::string(10, 'b');
    const std::string cut = shortenedForLog({}, accented);
    EXPECT_EQ(cut.substr(0, UciOutputState::maxLoggedLineBytes - 1),
              std::string(UciOutputState::maxLoggedLineBytes - 1, 'a'));
    EXPECT_EQ(cut[UciOutputState::maxLoggedLineBytes - 1], '.');
}

TEST(UciOutputLines, PendingLogKeepsOnlyWhatTheViewCanShow) {
    UciOutputState state;
    for (int i = 0; i < 1000; ++i) {
        state.appendLog(std::to_string(i));
    }
    const auto log = state.takePending().log;
    ASSERT_EQ(log.size(), UciOutputState::maxPendingLogLines);
    EXPECT_EQ(log.back(), "999");
    EXPECT_EQ(log.front(), "699");
}

} // namespace
} // namespace velkor::uci
