#pragma once

#include <cstdint>
#include <optional>

namespace velkor::automatch {

// What a series of games says about the strength difference of its two engines, from engine 1's
// side: the usual logistic Elo estimate from the score, how far the true difference may lie from
// it (the half-width of its 95 % interval, from the spread of the single game results) and how
// likely engine 1 is the stronger one, judged by the decisive games alone.
struct EloEstimate {
    // Positive when engine 1 scored more; plus or minus infinity when one engine scored every
    // point, since a score of 100 % fixes no finite difference.
    double difference = 0;
    // None when the interval reaches a score of 0 % or 100 % (too few or too one-sided games
    // to bound the difference).
    std::optional<double> errorMargin95;
    // Between 0 and 1; one half without a decisive game.
    double likelihoodOfSuperiority = 0.5;
    // Where the interval is open on one side (one engine scored every point, or nearly so): the
    // one bound the games do give, at the same 95 % level. A lower bound when engine 1 is ahead,
    // an upper one when it is behind.
    std::optional<double> lowerBound95;
    std::optional<double> upperBound95;
};

// The Elo difference that makes `score` (0 to 1) the expected score: -400 × log10(1/score - 1).
double eloDifferenceForScore(double score);

// 0.5 × (1 + erf((wins - losses) / sqrt(2 × (wins + losses)))): draws carry no information on
// which engine is stronger.
double likelihoodOfSuperiority(std::int64_t wins, std::int64_t losses);

// None before the first game. Wins and losses are engine 1's.
std::optional<EloEstimate> eloEstimate(std::int64_t wins, std::int64_t losses, std::int64_t draws);

} // namespace velkor::automatch
