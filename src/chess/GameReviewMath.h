#pragma once

#include "PieceColor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The grading of a reviewed game: winning chances, move judgements, accuracy and average
// centipawn loss, computed exactly as the widely used public analysis does so that a person can
// compare our numbers with the ones they know.
namespace velkor::review {

// A position's score from White's point of view: centipawns, a forced mate, or a game already
// ended by mate. Exactly one kind holds.
struct ReviewScore {
    enum class Kind : unsigned char { centipawns, mate, checkmated };
    Kind kind = Kind::centipawns;
    // Centipawns; moves to mate (positive when White mates); for checkmated +1 when White has
    // mated, -1 when Black has.
    std::int64_t value = 0;

    static ReviewScore centipawns(std::int64_t cp) { return {Kind::centipawns, cp}; }
    static ReviewScore mateIn(std::int64_t moves) { return {Kind::mate, moves}; }
    static ReviewScore checkmatedBy(PieceColor winner) {
        return {Kind::checkmated, winner == PieceColor::white ? 1 : -1};
    }

    // Centipawns within +-1000; a mate, and a mated position, count as +-1000.
    std::int64_t cappedCentipawns() const;
    // The score as the annotated record writes it: "0.17", "-1.50", "#3", "#-3"; none for a
    // position already mated, which carries no evaluation.
    std::optional<std::string> evalText() const;

    bool operator==(const ReviewScore&) const = default;
};

// The score of a `[%eval ...]` text ("0.17", "-3", "#-3"); none for anything else.
std::optional<ReviewScore> scoreFromEvalText(std::string_view text);

// The score that the `[%eval ...]` command of a move comment holds, if it holds one.
std::optional<ReviewScore> scoreFromComment(std::string_view comment);

// The standard start position is not searched: it counts as this many centipawns for White.
inline constexpr std::int64_t standardStartCentipawns = 15;

// White's winning chances in percent for a centipawn score (capped at +-1000).
double winPercent(std::int64_t centipawns);
// The same on the -1...+1 scale the judgements use.
double winningChances(std::int64_t centipawns);
inline double winPercent(const ReviewScore& score) {
    return winPercent(score.cappedCentipawns());
}

enum class Judgement : unsigned char { inaccuracy, mistake, blunder };

// "inaccuracy", "mistake", "blunder".
std::string_view judgementName(Judgement judgement);
// The numeric annotation glyph of a judgement: 6 (?!), 2 (?), 4 (??).
int judgementNag(Judgement judgement);

// The judgement of a move by `mover` that turned `before` into `after`, or none when the move
// is good enough (or merely delays a mate).
std::optional<Judgement> judgeMove(const ReviewScore& before, const ReviewScore& after,
                                   PieceColor mover);

// The accuracy in percent of a move that took the mover's winning percentage from `before` to
// `after` (both from the mover's side).
double moveAccuracy(double winPercentBefore, double winPercentAfter);

// Accuracy per colour; none for a colour without moves.
struct ColorAccuracy {
    std::optional<double> white;
    std::optional<double> black;
};

// The accuracy of each side over a game whose scores are `scores` (the start position first,
// then the position after each move) and whose first move is `firstMover`'s: the mean of the
// volatility-weighted and the harmonic mean of its moves' accuracies.
ColorAccuracy gameAccuracy(const std::vector<ReviewScore>& scores, PieceColor firstMover);

// The average centipawn loss of `color` over the same list, rounded; none without moves.
std::optional<std::int64_t> averageCentipawnLoss(const std::vector<ReviewScore>& scores,
                                                 PieceColor firstMover, PieceColor color);

} // namespace velkor::review
