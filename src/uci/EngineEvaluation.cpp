#include "EngineEvaluation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velkor {

std::optional<double> EngineEvaluation::scoreFromWhite(PieceColor turn) const {
    std::optional<double> score;
    if (mateIn) {
        score = *mateIn > 0 ? 10000.0 : -10000.0;
    } else if (scoreCp) {
        score = static_cast<double>(*scoreCp);
    }
    if (score && turn == PieceColor::black) {
        *score = -*score;
    }
    return score;
}

std::string EngineEvaluation::formattedScore() const {
    if (mateIn) {
        if (*mateIn >= 1) {
            return "+M" + std::to_string(*mateIn);
        }
        // Through unsigned arithmetic so that the most negative value has a magnitude too.
        const auto magnitude = 0 - static_cast<std::uint64_t>(*mateIn);
        return "-M" + std::to_string(magnitude);
    }
    if (scoreCp) {
        char text[64];
        std::snprintf(text, sizeof text, "%+.2f", static_cast<double>(*scoreCp) / 100.0);
        return text;
    }
    return "0.00";
}

double EngineEvaluation::evalBarFraction(PieceColor turn) const {
    double x = 0;
    if (mateIn) {
        x = static_cast<double>(*mateIn) * 10000.0;
    } else if (scoreCp) {
        x = static_cast<double>(*scoreCp);
    }
    if (turn == PieceColor::black) {
        x = -x;
    }
    const double fraction = 1.0 / (1.0 + std::exp(-x / 400.0));
    return std::clamp(fraction, 0.05, 0.95);
}

} // namespace velkor
