#include "GameReviewReport.h"

#include "Move.h"
#include "PGNGame.h"
#include "PGNParser.h"
#include "StartingPosition.h"

#include <algorithm>

namespace velkor::review {

namespace {

// Long engine lines are cut: beyond a dozen plies they say little about the move judged.
constexpr std::size_t maxLinePlies = 12;

// The boards before each move and after the last, from the game's own start.
std::vector<ChessBoard> positionsOf(const ChessBoard& game) {
    std::vector<ChessBoard> boards;
    boards.reserve(game.history().size() + 1);
    boards.emplace_back(game.initialFEN());
    for (const MoveRecord& record : game.history()) {
        ChessBoard next = boards.back();
        next.play(record.move);
        boards.push_back(std::move(next));
    }
    return boards;
}

// The engine's line in SAN, as far as its moves are legal.
std::vector<std::string> sanLine(ChessBoard board, const std::vector<std::string>& uciLine) {
    std::vector<std::string> line;
    for (const std::string& text : uciLine) {
        if (line.size() == maxLinePlies) {
            break;
        }
        const std::optional<Move> move = Move::fromUci(text);
        if (!move) {
            break;
        }
        const std::optional<std::string> san = board.san(*move);
        if (!san || !board.play(*move)) {
            break;
        }
        line.push_back(*san);
    }
    return line;
}

void countJudgement(SideReview& side, Judgement judgement) {
    switch (judgement) {
    case Judgement::inaccuracy:
        ++side.inaccuracies;
        break;
    case Judgement::mistake:
        ++side.mistakes;
        break;
    case Judgement::blunder:
        ++side.blunders;
        break;
    }
}

bool isJudgementNag(int nag) {
    return nag == judgementNag(Judgement::inaccuracy) || nag == judgementNag(Judgement::mistake) ||
           nag == judgementNag(Judgement::blunder);
}

// The comment without its [%eval ...] command.
std::string withoutEval(const std::string& comment) {
    const std::size_t start = comment.find("[%eval");
    if (start == std::string::npos) {
        return comment;
    }
    const std::size_t end = comment.find(']', start);
    std::string rest = comment.substr(0, start);
    if (end != std::string::npos) {
        rest += comment.substr(end + 1);
    }
    const std::size_t first = rest.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return rest.substr(first, rest.find_last_not_of(' ') - first + 1);
}

std::string withEval(const std::string& comment, const std::optional<ReviewScore>& score) {
    std::string rest = withoutEval(comment);
    const std::optional<std::string> text = score ? score->evalText() : std::nullopt;
    if (!text) {
        return rest;
    }
    return "[%eval " + *text + "]" + (rest.empty() ? "" : " " + rest);
}

} // namespace

std::optional<ReviewScore> scoreWithoutSearch(const ChessBoard& position, bool isGameStart) {
    if (position.generateLegalMoves().empty()) {
        if (position.isKingInCheck(position.turn())) {
            return ReviewScore::checkmatedBy(opponent(position.turn()));
        }
        return ReviewScore::centipawns(0);
    }
    if (isGameStart && position.fen() == standardStartingFEN) {
        return ReviewScore::centipawns(standardStartCentipawns);
    }
    return std::nullopt;
}

GameReviewReport buildReport(const ChessBoard& game,
                             const std::vector<std::optional<PositionReview>>& positions) {
    const std::vector<MoveRecord>& history = game.history();
    const std::vector<ChessBoard> boards = positionsOf(game);
    GameReviewReport report;
    report.complete = positions.size() == history.size() + 1 &&
                      std::all_of(positions.begin(), positions.end(),
                                  [](const auto& position) { return position.has_value(); });
    const auto known = [&positions](std::size_t index) -> const PositionReview* {
        return index < positions.size() && positions[index] ? &*positions[index] : nullptr;
    };

    // The graded stretch: from the first position after which every position is known.
    std::size_t firstKnown = history.size() + 1;
    while (firstKnown > 0 && known(firstKnown - 1)) {
        --firstKnown;
    }
    std::vector<ReviewScore> gradedScores;
    for (std::size_t index = firstKnown; index <= history.size(); ++index) {
        gradedScores.push_back(known(index)->score);
    }

    for (std::size_t move = 0; move < history.size(); ++move) {
        MoveReview entry;
        entry.ply = move + 1;
        entry.san = history[move].san;
        entry.mover = boards[move].turn();
        const PositionReview* before = known(move);
        const PositionReview* after = known(move + 1);
        if (after) {
            entry.score = after->score;
            entry.winPercent = winPercent(after->score);
        }
        if (before && after && move >= firstKnown) {
            const bool white = entry.mover == PieceColor::white;
            const double winBefore = winPercent(before->score);
            const double winAfter = winPercent(after->score);
            entry.accuracy = white ? moveAccuracy(winBefore, winAfter)
                                   : moveAccuracy(100.0 - winBefore, 100.0 - winAfter);
            entry.judgement = judgeMove(before->score, after->score, entry.mover);
            if (entry.judgement) {
                entry.bestLineSan = sanLine(boards[move], before->bestLine);
                countJudgement(white ? report.white : report.black, *entry.judgement);
            }
        }
        report.moves.push_back(std::move(entry));
    }

    if (gradedScores.size() >= 2) {
        const PieceColor firstMover = boards[firstKnown].turn();
        const ColorAccuracy accuracy = gameAccuracy(gradedScores, firstMover);
        report.white.accuracy = accuracy.white;
        report.black.accuracy = accuracy.black;
        report.white.averageCentipawnLoss =
            averageCentipawnLoss(gradedScores, firstMover, PieceColor::white);
        report.black.averageCentipawnLoss =
            averageCentipawnLoss(gradedScores, firstMover, PieceColor::black);
    }
    return report;
}

void annotate(PGNGame& pgn, const GameReviewReport& report,
              const std::optional<ReviewScore>& startScore) {
    const bool setUpStart = pgn.initialFEN && *pgn.initialFEN != standardStartingFEN;
    if (setUpStart && startScore) {
        pgn.gameComment = withEval(pgn.gameComment, startScore);
    }
    if (pgn.annotations.size() < report.moves.size()) {
        pgn.annotations.resize(report.moves.size());
    }
    for (std::size_t index = 0; index < report.moves.size(); ++index) {
        const MoveReview& move = report.moves[index];
        MoveAnnotation& annotation = pgn.annotations[index];
        if (!move.score) {
            continue;
        }
        annotation.comment = withEval(annotation.comment, move.score);
        // The review's judgement replaces an earlier one; other glyphs stay.
        std::erase_if(annotation.nags, isJudgementNag);
        annotation.variation.clear();
        if (move.judgement) {
            annotation.nags.insert(annotation.nags.begin(), judgementNag(*move.judgement));
            annotation.variation = move.bestLineSan;
        }
    }
}

PGNGame pgnGameOf(const ParsedPGN& parsed) {
    const auto tagOr = [&parsed](const std::string& name, std::string fallback) {
        const auto found = parsed.tags.find(name);
        return found == parsed.tags.end() ? std::move(fallback) : found->second;
    };
    PGNGame game{tagOr("Event", "?"),   tagOr("Site", "?"),        tagOr("Date", "????.??.??"),
                 tagOr("Round", "?"),   tagOr("White", "?"),       tagOr("Black", "?"),
                 parsed.result,         tagOr("TimeControl", "-"), parsed.board.initialFEN(),
                 parsed.board.history()};
    for (const std::string& name : parsed.tagOrder) {
        game.otherTags.emplace_back(name, parsed.tags.at(name));
    }
    game.gameComment = parsed.gameComment;
    game.annotations = parsed.annotations;
    return game;
}

std::optional<std::vector<std::optional<PositionReview>>>
positionsFromAnnotations(const ChessBoard& game, const std::string& gameComment,
                         const std::vector<MoveAnnotation>& annotations) {
    const std::vector<ChessBoard> boards = positionsOf(game);
    std::vector<std::optional<PositionReview>> positions;
    positions.reserve(boards.size());
    for (std::size_t index = 0; index < boards.size(); ++index) {
        std::optional<ReviewScore> score = scoreWithoutSearch(boards[index], index == 0);
        if (!score) {
            score = index == 0 ? scoreFromComment(gameComment)
                    : index - 1 < annotations.size()
                        ? scoreFromComment(annotations[index - 1].comment)
                        : std::nullopt;
        }
        if (!score) {
            return std::nullopt;
        }
        positions.push_back(PositionReview{*score, {}});
    }
    return positions;
}

} // namespace velkor::review
