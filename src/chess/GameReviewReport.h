#pragma once

#include "ChessBoard.h"
#include "GameReviewMath.h"
#include "PGNAnnotation.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkor {
struct PGNGame;
struct ParsedPGN;
} // namespace velkor

namespace velkor::review {

// What the review knows of one position of the game: its score from White's side and the line
// the engine preferred there (UCI moves; empty where nothing was searched).
struct PositionReview {
    ReviewScore score;
    std::vector<std::string> bestLine;

    bool operator==(const PositionReview&) const = default;
};

// One move of a reviewed game. The score and win percentage are White's, after the move; the
// accuracy and the judgement are the mover's and need the score before the move as well.
struct MoveReview {
    std::size_t ply = 0; // 1 for the game's first move
    std::string san;
    PieceColor mover = PieceColor::white;
    std::optional<ReviewScore> score;
    std::optional<double> winPercent;
    std::optional<double> accuracy;
    std::optional<Judgement> judgement;
    // The engine's line from the position before the move, in SAN, for a judged move.
    std::vector<std::string> bestLineSan;
};

struct SideReview {
    std::optional<double> accuracy;
    std::optional<std::int64_t> averageCentipawnLoss;
    int inaccuracies = 0;
    int mistakes = 0;
    int blunders = 0;
};

struct GameReviewReport {
    std::vector<MoveReview> moves;
    SideReview white;
    SideReview black;
    // Whether every position was scored; a stopped review grades the moves it reached.
    bool complete = false;
};

// The score a position gets without a search: a mated side's opponent has won, a stalemate is
// even, and the standard start counts as its usual small edge for White. None for a position
// that needs a search.
std::optional<ReviewScore> scoreWithoutSearch(const ChessBoard& position, bool isGameStart);

// The review of the game of `game` (its start position and history) from the known positions:
// `positions[0]` is the start, `positions[i]` the position after move i. A review stopped early
// knows only the last positions; the moves before them keep no grades, and the sides' figures
// count the graded moves only.
GameReviewReport buildReport(const ChessBoard& game,
                             const std::vector<std::optional<PositionReview>>& positions);

// The PGN of the reviewed game carries, per move, its evaluation as an [%eval] command (none
// after a mate), the glyph of its judgement and the engine's line as a variation; a game from a
// set-up position carries the start position's evaluation before the first move. What the game
// said before (comments, other glyphs) is kept; an older evaluation is replaced.
void annotate(PGNGame& pgn, const GameReviewReport& report,
              const std::optional<ReviewScore>& startScore);

// A game read from PGN, ready to be written again with its tags, comments and glyphs; tags it
// lacks among the seven of the roster are written as unknown ("?").
PGNGame pgnGameOf(const ParsedPGN& parsed);

// The positions of an annotated game as they were reviewed, read from its [%eval] commands, so
// that a reviewed game opens with its review and without a new search. None when a move
// without a mate after it lacks an evaluation, or a set-up start lacks one.
std::optional<std::vector<std::optional<PositionReview>>>
positionsFromAnnotations(const ChessBoard& game, const std::string& gameComment,
                         const std::vector<MoveAnnotation>& annotations);

} // namespace velkor::review
