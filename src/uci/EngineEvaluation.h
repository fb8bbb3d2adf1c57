#pragma once

#include "chess/PieceColor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkor {

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
