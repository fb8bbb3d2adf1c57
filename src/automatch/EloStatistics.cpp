#include "EloStatistics.h"

#include <cmath>
#include <limits>

namespace velkor::automatch {

namespace {

// The two-sided 95 % quantile of the normal distribution.
constexpr double z95 = 1.959963984540054;

} // namespace

double eloDifferenceForScore(double score) {
    if (score <= 0) {
        return -std::numeric_limits<double>::infinity();
    }
    if (score >= 1) {
        return std::numeric_limits<double>::infinity();
    }
    return -400.0 * std::log10(1.0 / score - 1.0);
}

double likelihoodOfSuperiority(std::int64_t wins, std::int64_t losses) {
    const std::int64_t decisive = wins + losses;
    if (decisive <= 0) {
        return 0.5;
    }
    const double margin = static_cast<double>(wins - losses);
    return 0.5 * (1.0 + std::erf(margin / std::sqrt(2.0 * static_cast<double>(decisive))));
}

std::optional<EloEstimate> eloEstimate(std::int64_t wins, std::int64_t losses, std::int64_t draws) {
    if (wins < 0 || losses < 0 || draws < 0 || wins + losses + draws == 0) {
        return std::nullopt;
    }
    const double games = static_cast<double>(wins + losses + draws);
    const double winShare = static_cast<double>(wins) / games;
    const double lossShare = static_cast<double>(losses) / games;
    const double drawShare = static_cast<double>(draws) / games;
    const double score = winShare + drawShare / 2.0;

    // The spread of one game's result around the mean score, then of the mean over all games.
    const double variance = winShare * std::pow(1.0 - score, 2) +
                            lossShare * std::pow(0.0 - score, 2) +
                            drawShare * std::pow(0.5 - score, 2);
    const double standardError = std::sqrt(variance / games);
    const double low = score - z95 * standardError;
    const double high = score + z95 * standardError;

    EloEstimate estimate;
    estimate.difference = eloDifferenceForScore(score);
    if (low > 0 && high < 1) {
        estimate.errorMargin95 = (eloDifferenceForScore(high) - eloDifferenceForScore(low)) / 2.0;
    } else if (score >= 1 || score <= 0) {
        // Every game went one way: the spread is zero and says nothing. The exact bound is the
        // score p at which winning all n games still has a chance of 2.5 %: p^n = 0.025.
        const double bound = eloDifferenceForScore(std::pow(0.025, 1.0 / games));
        if (score >= 1) {
            estimate.lowerBound95 = bound;
        } else {
            estimate.upperBound95 = -bound;
        }
    } else if (low > 0) {
        estimate.lowerBound95 = eloDifferenceForScore(low);
    } else if (high < 1) {
        estimate.upperBound95 = eloDifferenceForScore(high);
    }
    estimate.likelihoodOfSuperiority = likelihoodOfSuperiority(wins, losses);
    return estimate;
}

} // namespace velkor::automatch
