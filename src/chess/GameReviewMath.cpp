#include "GameReviewMath.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace velkor::review {

namespace {

constexpr std::int64_t centipawnCeiling = 1000;

PieceColor moverOf(std::size_t moveIndex, PieceColor firstMover) {
    return moveIndex % 2 == 0 ? firstMover : opponent(firstMover);
}

// A White-side value seen from `side`.
std::int64_t fromSide(std::int64_t whiteValue, PieceColor side) {
    return side == PieceColor::white ? whiteValue : -whiteValue;
}

double populationStandardDeviation(const std::vector<double>& values) {
    double mean = 0;
    for (const double value : values) {
        mean += value;
    }
    mean /= static_cast<double>(values.size());
    double squares = 0;
    for (const double value : values) {
        squares += (value - mean) * (value - mean);
    }
    return std::sqrt(squares / static_cast<double>(values.size()));
}

} // namespace

std::int64_t ReviewScore::cappedCentipawns() const {
    switch (kind) {
    case Kind::centipawns:
        return std::clamp(value, -centipawnCeiling, centipawnCeiling);
    case Kind::mate:
    case Kind::checkmated:
        // A mate in 0 does not occur in a searched position; count it for no one.
        return value > 0 ? centipawnCeiling : (value < 0 ? -centipawnCeiling : 0);
    }
    return 0;
}

std::optional<std::string> ReviewScore::evalText() const {
    switch (kind) {
    case Kind::centipawns: {
        const std::int64_t magnitude = value < 0 ? -value : value;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld", value < 0 ? "-" : "",
                      static_cast<long long>(magnitude / 100),
                      static_cast<long long>(magnitude % 100));
        return std::string(buffer);
    }
    case Kind::mate:
        return "#" + std::to_string(value);
    case Kind::checkmated:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<ReviewScore> scoreFromEvalText(std::string_view text) {
    const bool isMate = !text.empty() && text.front() == '#';
    if (isMate) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Digits, and for a centipawn score at most one point with at most two digits after it.
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() || whole.size() > 9 || fraction.size() > 2 ||
        (isMate && point != std::string_view::npos)) {
        return std::nullopt;
    }
    const auto digits = [](std::string_view part, std::int64_t& out) {
        out = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), out);
        return error == std::errc{} && end == part.data() + part.size();
    };
    std::int64_t units = 0;
    std::int64_t hundredths = 0;
    if (!digits(whole, units) || (!fraction.empty() && !digits(fraction, hundredths))) {
        return std::nullopt;
    }
    if (fraction.size() == 1) {
        hundredths *= 10;
    }
    if (isMate) {
        if (units == 0) {
            return std::nullopt;
        }
        return ReviewScore::mateIn(negative ? -units : units);
    }
    const std::int64_t cp = units * 100 + hundredths;
    return ReviewScore::centipawns(negative ? -cp : cp);
}

std::optional<ReviewScore> scoreFromComment(std::string_view comment) {
    constexpr std::string_view command = "[%eval";
    const std::size_t start = comment.find(command);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t begin = start + command.size();
    if (begin >= comment.size() || comment[begin] != ' ') {
        return std::nullopt;
    }
    while (begin < comment.size() && comment[begin] == ' ') {
        ++begin;
    }
    // The value ends at a blank, a comma (other arguments such as a depth) or the bracket.
    std::size_t end = begin;
    while (end < comment.size() && comment[end] != ' ' && comment[end] != ',' &&
           comment[end] != ']') {
        ++end;
    }
    if (comment.find(']', end) == std::string_view::npos) {
        return std::nullopt;
    }
    return scoreFromEvalText(comment.substr(begin, end - begin));
}

double winningChances(std::int64_t centipawns) {
    const double capped =
        static_cast<double>(std::clamp(centipawns, -centipawnCeiling, centipawnCeiling));
    return 2.0 / (1.0 + std::exp(-0.00368208 * capped)) - 1.0;
}

double winPercent(std::int64_t centipawns) {
    return 50.0 + 50.0 * winningChances(centipawns);
}

std::string_view judgementName(Judgement judgement) {
    switch (judgement) {
    case Judgement::inaccuracy:
        return "inaccuracy";
    case Judgement::mistake:
        return "mistake";
    case Judgement::blunder:
        return "blunder";
    }
    return "inaccuracy";
}

int judgementNag(Judgement judgement) {
    switch (judgement) {
    case Judgement::inaccuracy:
        return 6;
    case Judgement::mistake:
        return 2;
    case Judgement::blunder:
        return 4;
    }
    return 6;
}

std::optional<Judgement> judgeMove(const ReviewScore& before, const ReviewScore& after,
                                   PieceColor mover) {
    using Kind = ReviewScore::Kind;
    const bool beforeIsMate = before.kind != Kind::centipawns;
    const bool afterIsMate = after.kind != Kind::centipawns;
    if (!beforeIsMate && !afterIsMate) {
        // How much of the mover's winning chances the move gave away.
        const double drop = static_cast<double>(fromSide(1, mover)) *
                            (winningChances(before.value) - winningChances(after.value));
        if (drop >= 0.3) {
            return Judgement::blunder;
        }
        if (drop >= 0.2) {
            return Judgement::mistake;
        }
        if (drop >= 0.1) {
            return Judgement::inaccuracy;
        }
        return std::nullopt;
    }
    // Mate scores from the mover's side; a position the mover has mated counts as a mate of the
    // mover's, one the mover stands mated in as the opponent's.
    const std::optional<std::int64_t> mateBefore =
        beforeIsMate ? std::optional(fromSide(before.value, mover)) : std::nullopt;
    const std::optional<std::int64_t> mateAfter =
        afterIsMate ? std::optional(fromSide(after.value, mover)) : std::nullopt;
    const std::int64_t cpBefore = beforeIsMate ? 0 : fromSide(before.value, mover);
    const std::int64_t cpAfter = afterIsMate ? 0 : fromSide(after.value, mover);
    if (!mateBefore && mateAfter && *mateAfter < 0) {
        // The move lets the opponent mate.
        if (cpBefore < -999) {
            return Judgement::inaccuracy;
        }
        return cpBefore < -700 ? Judgement::mistake : Judgement::blunder;
    }
    const bool mateLost = mateBefore && *mateBefore > 0 && (!mateAfter || *mateAfter < 0);
    if (mateLost) {
        if (cpAfter > 999) {
            return Judgement::inaccuracy;
        }
        return cpAfter > 700 ? Judgement::mistake : Judgement::blunder;
    }
    return std::nullopt;
}

double moveAccuracy(double winPercentBefore, double winPercentAfter) {
    if (winPercentAfter >= winPercentBefore) {
        return 100.0;
    }
    const double drop = winPercentBefore - winPercentAfter;
    const double raw =
        103.1668100711649 * std::exp(-0.04354415386753951 * drop) - 3.166924740191411 + 1.0;
    return std::clamp(raw, 0.0, 100.0);
}

ColorAccuracy gameAccuracy(const std::vector<ReviewScore>& scores, PieceColor firstMover) {
    if (scores.size() < 2) {
        return {};
    }
    std::vector<double> winPercents;
    winPercents.reserve(scores.size());
    for (const ReviewScore& score : scores) {
        winPercents.push_back(winPercent(score));
    }
    const std::size_t moves = scores.size() - 1;
    const std::size_t window = std::clamp<std::size_t>(moves / 10, 2, 8);
    // One weight per move: the volatility of the window that ends at it, the first full window
    // also serving the moves before its end.
    std::vector<double> weights;
    weights.reserve(moves);
    const auto volatility = [&winPercents, window](std::size_t first) {
        const std::vector<double> values(winPercents.begin() + static_cast<std::ptrdiff_t>(first),
                                         winPercents.begin() +
                                             static_cast<std::ptrdiff_t>(first + window));
        return std::clamp(populationStandardDeviation(values), 0.5, 12.0);
    };
    for (std::size_t i = 0; i + 2 < window; ++i) {
        weights.push_back(volatility(0));
    }
    for (std::size_t first = 0; first + window <= winPercents.size(); ++first) {
        weights.push_back(volatility(first));
    }

    struct Sums {
        double weighted = 0;
        double weight = 0;
        double inverse = 0;
        std::size_t count = 0;
    };
    Sums white;
    Sums black;
    for (std::size_t move = 0; move < moves; ++move) {
        const PieceColor mover = moverOf(move, firstMover);
        const bool isWhite = mover == PieceColor::white;
        const double before = isWhite ? winPercents[move] : 100.0 - winPercents[move];
        const double after = isWhite ? winPercents[move + 1] : 100.0 - winPercents[move + 1];
        const double accuracy = moveAccuracy(before, after);
        Sums& sums = isWhite ? white : black;
        sums.weighted += accuracy * weights[move];
        sums.weight += weights[move];
        sums.inverse += 1.0 / std::max(1.0, accuracy);
        ++sums.count;
    }
    const auto combine = [](const Sums& sums) -> std::optional<double> {
        if (sums.count == 0) {
            return std::nullopt;
        }
        const double weightedMean = sums.weighted / sums.weight;
        const double harmonicMean = static_cast<double>(sums.count) / sums.inverse;
        return (weightedMean + harmonicMean) / 2.0;
    };
    return {combine(white), combine(black)};
}

std::optional<std::int64_t> averageCentipawnLoss(const std::vector<ReviewScore>& scores,
                                                 PieceColor firstMover, PieceColor color) {
    std::int64_t total = 0;
    std::int64_t count = 0;
    for (std::size_t move = 0; move + 1 < scores.size(); ++move) {
        const PieceColor mover = moverOf(move, firstMover);
        if (mover != color) {
            continue;
        }
        const std::int64_t loss =
            fromSide(scores[move].cappedCentipawns() - scores[move + 1].cappedCentipawns(), mover);
        total += std::max<std::int64_t>(0, loss);
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    return std::llround(static_cast<double>(total) / static_cast<double>(count));
}

} // namespace velkor::review
