#include "chess/GameReviewReport.h"

#include "ChessTestSupport.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace velkor::review {
namespace {

using testing::boardFrom;
using testing::playAll;

PositionReview cp(std::int64_t centipawns, std::vector<std::string> line = {}) {
    return {ReviewScore::centipawns(centipawns), std::move(line)};
}

PGNGame pgnOf(const ChessBoard& board, std::string result) {
    return PGNGame{"Review",
                   "Here",
                   "2026.12.09",
                   "1",
                   "White",
                   "Black",
                   std::move(result),
                   "-",
                   board.initialFEN(),
                   board.history()};
}

// A quick mate: Black's 3... Nf6 lets White mate at once.
struct ScholarsMate {
    ChessBoard board;
    std::vector<std::optional<PositionReview>> positions;

    ScholarsMate() {
        playAll(board, {"e2e4", "e7e5", "d1h5", "b8c6", "f1c4", "g8f6", "h5f7"});
        positions = {cp(15),
                     cp(30),
                     cp(25),
                     cp(10),
                     cp(20),
                     cp(10, {"g7g6", "h5f3", "g8f6"}),
                     PositionReview{ReviewScore::mateIn(1), {"h5f7"}},
                     PositionReview{*scoreWithoutSearch(ChessBoard(board.fen()), false), {}}};
    }
};

// The PGN text on one line, so that wrapping does not matter.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void expectSameGrades(const GameReviewReport& read, const GameReviewReport& written) {
    ASSERT_EQ(read.moves.size(), written.moves.size());
    for (std::size_t i = 0; i < read.moves.size(); ++i) {
        EXPECT_EQ(read.moves[i].score, written.moves[i].score) << "ply " << i + 1;
        EXPECT_EQ(read.moves[i].accuracy, written.moves[i].accuracy) << "ply " << i + 1;
        EXPECT_EQ(read.moves[i].judgement, written.moves[i].judgement) << "ply " << i + 1;
    }
    EXPECT_EQ(read.white.accuracy, written.white.accuracy);
    EXPECT_EQ(read.black.accuracy, written.black.accuracy);
    EXPECT_EQ(read.white.averageCentipawnLoss, written.white.averageCentipawnLoss);
    EXPECT_EQ(read.black.averageCentipawnLoss, written.black.averageCentipawnLoss);
}

TEST(GameReviewReportTest, GradesAMateAndWritesAnAnnotatedRecordThatReadsBackTheSame) {
    const ScholarsMate game;
    ASSERT_EQ(game.positions.back()->score, ReviewScore::checkmatedBy(PieceColor::white));
    const GameReviewReport report = buildReport(game.board, game.positions);
    ASSERT_TRUE(report.complete);
    ASSERT_EQ(report.moves.size(), 7U);
    const MoveReview& knight = report.moves[5];
    EXPECT_EQ(knight.san, "Nf6");
    EXPECT_EQ(knight.mover, PieceColor::black);
    EXPECT_EQ(knight.judgement, Judgement::blunder) << "walking into a mate from an even game";
    EXPECT_EQ(knight.bestLineSan, (std::vector<std::string>{"g6", "Qf3", "Nf6"}));
    EXPECT_EQ(report.moves[6].judgement, std::nullopt) << "delivering mate";
    EXPECT_NEAR(*report.moves[6].winPercent, 97.54, 0.01);
    EXPECT_EQ(report.black.blunders, 1);
    EXPECT_EQ(report.white.blunders + report.white.mistakes + report.white.inaccuracies, 0);
    // 15 -> 30, 25 -> 10, 20 -> 10 and the mate: (0 + 15 + 10 + 0) / 4.
    EXPECT_EQ(report.white.averageCentipawnLoss, 6);
    EXPECT_LT(*report.black.accuracy, *report.white.accuracy);

    PGNGame pgn = pgnOf(game.board, "1-0");
    pgn.annotations.resize(2);
    pgn.annotations[1] = MoveAnnotation{{1}, "A classical reply."};
    annotate(pgn, report, game.positions.front()->score);
    const std::string pgnText = pgn.exportPGN();
    const std::string text = oneLine(pgnText);
    EXPECT_NE(text.find("1. e4 { [%eval 0.30] } 1... e5 $1 { [%eval 0.25] A classical reply. }"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("3... Nf6 $4 { [%eval #1] } (3... g6 4. Qf3 Nf6) 4. Qxf7# 1-0"),
              std::string::npos)
        << text;

    const ParsedPGN parsed = PGNParser::parse(pgnText);
    EXPECT_EQ(parsed.annotations[1].comment, "[%eval 0.25] A classical reply.");
    EXPECT_EQ(parsed.annotations[1].nags, std::vector<int>{1});
    const auto readPositions =
        positionsFromAnnotations(parsed.board, parsed.gameComment, parsed.annotations);
    ASSERT_TRUE(readPositions.has_value());
    expectSameGrades(buildReport(parsed.board, *readPositions), report);

    // Without its evaluations the record is no review.
    std::vector<MoveAnnotation> stripped = parsed.annotations;
    stripped[3].comment.clear();
    EXPECT_FALSE(positionsFromAnnotations(parsed.board, "", stripped).has_value());
}

TEST(GameReviewReportTest, ASetUpStartKeepsItsEvaluationAndAReviewAgainReplacesTheOldOne) {
    ChessBoard board = boardFrom("4k3/8/8/8/8/8/4P3/4K2R b K - 0 30");
    playAll(board, {"e8d7", "h1h7", "d7e6"});
    const std::vector<std::optional<PositionReview>> positions{
        cp(550), cp(700, {"h1h8"}), cp(720), PositionReview{ReviewScore::mateIn(9), {}}};
    const GameReviewReport report = buildReport(board, positions);
    EXPECT_EQ(report.moves[0].mover, PieceColor::black);

    PGNGame pgn = pgnOf(board, "*");
    annotate(pgn, report, positions.front()->score);
    annotate(pgn, report, positions.front()->score); // a second review leaves one of each
    const std::string pgnText = pgn.exportPGN();
    const std::string text = oneLine(pgnText);
    EXPECT_NE(text.find("{ [%eval 5.50] } 30... Kd7 { [%eval 7.00] } 31. Rh7+ { [%eval 7.20] } "
                        "31... Ke6 $2 { [%eval #9] }"),
              std::string::npos)
        << text;
    const ParsedPGN parsed = PGNParser::parse(pgnText);
    const auto readPositions =
        positionsFromAnnotations(parsed.board, parsed.gameComment, parsed.annotations);
    ASSERT_TRUE(readPositions.has_value());
    EXPECT_EQ(readPositions->front()->score, ReviewScore::centipawns(550));
    expectSameGrades(buildReport(parsed.board, *readPositions), report);
    EXPECT_FALSE(positionsFromAnnotations(parsed.board, "", parsed.annotations).has_value())
        << "a set-up start needs its own evaluation";
}

TEST(GameReviewReportTest, EvaluationCommandsAreNeverSplitAcrossLines) {
    ChessBoard board;
    std::vector<std::optional<PositionReview>> positions{cp(15)};
    for (int i = 0; i < 10; ++i) {
        playAll(board, {"g1f3", "g8f6", "f3g1", "f6g8"});
        for (const std::int64_t score : {-29, -1234, 8, -77}) {
            positions.push_back(cp(score));
        }
    }
    PGNGame pgn = pgnOf(board, "*");
    annotate(pgn, buildReport(board, positions), std::nullopt);
    std::istringstream lines(pgn.exportPGN());
    int commands = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80U);
        for (std::size_t at = line.find("[%eval"); at != std::string::npos;
             at = line.find("[%eval", at + 1)) {
            EXPECT_NE(line.find(']', at), std::string::npos) << line;
            ++commands;
        }
    }
    EXPECT_EQ(commands, 40);
}

TEST(GameReviewReportTest, AStoppedReviewGradesOnlyTheMovesWhoseBothPositionsItReached) {
    const ScholarsMate game;
    std::vector<std::optional<PositionReview>> positions = game.positions;
    for (std::size_t i = 0; i < 4; ++i) {
        positions[i].reset();
    }
    const GameReviewReport report = buildReport(game.board, positions);
    EXPECT_FALSE(report.complete);
    EXPECT_FALSE(report.moves[2].score.has_value());
    EXPECT_TRUE(report.moves[3].score.has_value()) << "its position after is known";
    EXPECT_FALSE(report.moves[3].accuracy.has_value()) << "but not the one before";
    EXPECT_TRUE(report.moves[4].accuracy.has_value());
    EXPECT_EQ(report.black.blunders, 1);
    // White's graded moves are 5 (Bc4, 20 -> 10) and 7 (mate): 10 centipawns over two moves.
    EXPECT_EQ(report.white.averageCentipawnLoss, 5);

    PGNGame pgn = pgnOf(game.board, "1-0");
    annotate(pgn, report, std::nullopt);
    const std::string text = oneLine(pgn.exportPGN());
    EXPECT_EQ(text.find("[%eval"), text.find("2. Qh5 Nc6 { [%eval 0.20]") + 13)
        << "the first evaluation is the first position reached: " << text;
}

} // namespace
} // namespace velkor::review
