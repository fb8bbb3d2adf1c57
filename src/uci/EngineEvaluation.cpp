#include "EngineEvaluation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace velkor {

namespace {

// Engines report centipawn scores far beyond any real position; a person's scale stops here.
constexpr double cappedRangeCp = 1000.0;

} // namespace

WhiteScore WhiteScore::fromCentipawns(std::int64_t centipawns) {
    WhiteScore score;
    score.centipawns = centipawns;
    return score;
}

WhiteScore WhiteScore::mate(PieceColor side, std::int64_t moves) {
    WhiteScore score;
    score.matingSide = side;
    score.mateMoves = std::max<std::int64_t>(0, moves);
    return score;
}

double WhiteScore::cappedCentipawns() const {
    if (matingSide) {
        return *matingSide == PieceColor::white ? cappedRangeCp : -cappedRangeCp;
    }
    return std::clamp(static_cast<double>(centipawns.value_or(0)), -cappedRangeCp, cappedRangeCp);
}

std::string WhiteScore::formatted() const {
    if (matingSide) {
        return (*matingSide == PieceColor::white ? "+M" : "-M") + std::to_string(mateMoves);
    }
    const std::int64_t value = centipawns.value_or(0);
    if (value == 0) {
        // "+0.00" would suggest an advantage that is not there.
        return "0.00";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%+.2f", static_cast<double>(value) / 100.0);
    return text;
}

double WhiteScore::barFraction() const {
    if (matingSide) {
        return *matingSide == PieceColor::white ? 0.95 : 0.05;
    }
    const double fraction =
        1.0 / (1.0 + std::exp(-static_cast<double>(centipawns.value_or(0)) / 400.0));
    return std::clamp(fraction, 0.05, 0.95);
}

WhiteScore WhiteScore::afterExpectedMove(PieceColor mover) const {
    WhiteScore next = *this;
    if (matingSide == mover) {
        next.mateMoves = std::max<std::int64_t>(0, mateMoves - 1);
    }
    return next;
}

std::optional<WhiteScore> EngineEvaluation::whiteScore(PieceColor turn) const {
    if (mateIn) {
        // Positive: the side to move mates; zero or negative: it is mated.
        const PieceColor winner = *mateIn > 0 ? turn : opponent(turn);
        const std::int64_t moves = *mateIn > 0
                                       ? *mateIn
                                       : (*mateIn == std::numeric_limits<std::int64_t>::min()
                                              ? std::numeric_limits<std::int64_t>::max()
                                              : -*mateIn);
        return WhiteScore::mate(winner, moves);
    }
    if (scoreCp) {
        // The most negative value has no positive counterpart; one centipawn is no difference.
        const std::int64_t value = *scoreCp == std::numeric_limits<std::int64_t>::min()
                                       ? std::numeric_limits<std::int64_t>::max()
                                       : *scoreCp;
        return WhiteScore::fromCentipawns(turn == PieceColor::white ? *scoreCp : -value);
    }
    return std::nullopt;
}

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
