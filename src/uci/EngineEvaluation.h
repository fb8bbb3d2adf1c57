#pragma once

#include "chess/PieceColor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkor {

// A score as a person reads it: always from White's point of view, whichever side the engine
// that gave it was playing. Either centipawns or a forced mate for one side.
struct WhiteScore {
    // Centipawns, positive when White stands better; absent for a mate.
    std::optional<std::int64_t> centipawns;
    // The side that mates by force, in `mateMoves` of its own moves (0: it has mated).
    std::optional<PieceColor> matingSide;
    std::int64_t mateMoves = 0;

    static WhiteScore fromCentipawns(std::int64_t centipawns);
    static WhiteScore mate(PieceColor matingSide, std::int64_t moves);

    bool isMateFor(PieceColor side) const { return matingSide == side; }
    // Centipawns within +-1000, a mate counting as +-1000: the scale on which two scores compare.
    double cappedCentipawns() const;
    // "+0.35", "-1.20", "0.00"; "+M3" when White mates in 3, "-M2" when Black mates in 2.
    std::string formatted() const;
    // White's share of an evaluation bar in [0.05, 0.95]; a mate fills it for the mating side.
    double barFraction() const;
    // The score once `mover` has played the move the score expects: a mate of the mover's is a
    // move closer.
    WhiteScore afterExpectedMove(PieceColor mover) const;

    bool operator==(const WhiteScore&) const = default;
};

// One principal variation as an engine last reported it. Scores are from the side to move's point
// of view; at most one of scoreCp and mateIn is present. A default-constructed value is the empty
// evaluation: line 1, depth 0, no numbers, no moves.
struct EngineEvaluation {
    std::int64_t multiPV = 1;
    std::int64_t depth = 0;
    std::optional<std::int64_t> scoreCp;
    // Moves to mate; negative when the side to move is being mated.
    std::optional<std::int64_t> mateIn;
    std::optional<std::int64_t> nodes;
    std::optional<std::int64_t> nps;
    std::optional<std::int64_t> timeMs;
    // UCI long algebraic moves (e2e4, e7e8q).
    std::vector<std::string> pv;

    // The score from White's point of view with `turn` to move in the evaluated position.
    // Absent without a score.
    std::optional<WhiteScore> whiteScore(PieceColor turn) const;

    // Centipawns from White's point of view; a mate counts as +-10000. Absent without a score.
    std::optional<double> scoreFromWhite(PieceColor turn) const;

    // "+M3", "-M2" (a distance of 0 shows "-M0"), "+0.35", "-1.20", or "0.00" without a score.
    std::string formattedScore() const;

    // White's share of an evaluation bar in [0.05, 0.95]: a logistic curve over the centipawn
    // score (scale 400), a mate counting as 10000 per move.
    double evalBarFraction(PieceColor turn) const;

    bool operator==(const EngineEvaluation&) const = default;
};

} // namespace velkor
