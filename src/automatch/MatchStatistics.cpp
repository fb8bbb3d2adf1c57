#include "MatchStatistics.h"

#include "EloStatistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace velkor::automatch {

namespace {

constexpr double z95 = 1.959963984540054;

// Normalized Elo is the score's t-value scaled so that, for a draw-free match, it roughly
// agrees with logistic Elo near zero: 800 / ln 10 Elo per unit of t.
constexpr double eloPerT = 800.0 / std::numbers::ln10;

double gameScoreValue(GameScore score) {
    switch (score) {
    case GameScore::Loss:
        return 0.0;
    case GameScore::Draw:
        return 0.5;
    case GameScore::Win:
        return 1.0;
    }
    return 0.5;
}

std::optional<double> finiteOrNone(double value) {
    if (std::isfinite(value)) {
        return value;
    }
    return std::nullopt;
}

// A discrete distribution of outcomes: each outcome's score (0 to 1) and its share.
struct Distribution {
    std::vector<double> scores;
    std::vector<double> shares;

    double mean() const {
        double sum = 0;
        for (std::size_t i = 0; i < scores.size(); ++i) {
            sum += scores[i] * shares[i];
        }
        return sum;
    }
    double variance() const {
        const double mu = mean();
        double sum = 0;
        for (std::size_t i = 0; i < scores.size(); ++i) {
            sum += shares[i] * (scores[i] - mu) * (scores[i] - mu);
        }
        return sum;
    }
};

Distribution distribution(std::span<const double> scores, std::span<const double> counts) {
    double total = 0;
    for (const double count : counts) {
        total += count;
    }
    Distribution result;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        result.scores.push_back(scores[i]);
        result.shares.push_back(counts[i] / total);
    }
    return result;
}

// The interval of the mean score over `samples` independent outcomes (games or pairs), and
// what it means in logistic and normalized Elo. `spreadScale` turns the per-sample deviation
// into that of one game (the square root of 2 for pairs).
StrengthEstimate estimateFrom(const Distribution& outcomes, double samples, double spreadScale) {
    const double score = outcomes.mean();
    const double variance = outcomes.variance();
    const double standardError = std::sqrt(variance / samples);
    const double low = score - z95 * standardError;
    const double high = score + z95 * standardError;

    StrengthEstimate estimate;
    if (score > 0 && score < 1) {
        estimate.elo = eloDifferenceForScore(score);
    }
    if (low > 0 && high < 1) {
        estimate.eloMargin95 =
            finiteOrNone((eloDifferenceForScore(high) - eloDifferenceForScore(low)) / 2.0);
    }
    if (variance > 0) {
        const double deviation = std::sqrt(variance) * spreadScale;
        estimate.normalizedElo = finiteOrNone((score - 0.5) / deviation * eloPerT);
        estimate.normalizedEloMargin95 = finiteOrNone((high - low) / 2.0 / deviation * eloPerT);
        estimate.likelihoodOfSuperiority =
            (1.0 - std::erf(-(score - 0.5) / std::sqrt(2.0 * variance / samples))) / 2.0;
    } else {
        // Every game (or pair) ended alike: no spread, so the side is certain.
        estimate.likelihoodOfSuperiority = score > 0.5 ? 1.0 : (score < 0.5 ? 0.0 : 0.5);
    }
    return estimate;
}

// A count of zero would make a likelihood ratio infinite; a thousandth of a game keeps the ratio
// finite and barely moves it.
double regularized(std::int64_t count) {
    return count == 0 ? 1e-3 : static_cast<double>(count);
}

// Bisection for the root of a strictly decreasing function on the open interval (low, high),
// where it runs from plus to minus infinity. Only interior points are evaluated.
template <typename F>
double decreasingRoot(F f, double low, double high) {
    for (int i = 0; i < 200 && high - low > 1e-15 * std::max(1.0, std::abs(low)); ++i) {
        const double middle = low + (high - low) / 2.0;
        if (middle <= low || middle >= high) {
            break;
        }
        const double value = f(middle);
        if (value == 0) {
            return middle;
        }
        if (value > 0) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low + (high - low) / 2.0;
}

// The most likely distribution with mean score `s` given the observed one: p_i = q_i / (1 +
// θ (a_i - s)), with θ making the mean come out at s (a Lagrange multiplier).
std::vector<double> mostLikelyWithMean(const Distribution& observed, double s) {
    const auto& a = observed.scores;
    const auto& q = observed.shares;
    const double theta = decreasingRoot(
        [&](double x) {
            double sum = 0;
            for (std::size_t i = 0; i < a.size(); ++i) {
                sum += q[i] * (a[i] - s) / (1.0 + x * (a[i] - s));
            }
            return sum;
        },
        -1.0 / (a.back() - s), -1.0 / (a.front() - s));
    std::vector<double> p(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        p[i] = q[i] / (1.0 + theta * (a[i] - s));
    }
    return p;
}

// The most likely distribution whose t-value (mean minus one half, over its deviation) is
// `t`: a fixed point, found by repeating the constrained fit from a uniform start.
std::vector<double> mostLikelyWithT(const Distribution& observed, double t) {
    const auto& a = observed.scores;
    const auto& q = observed.shares;
    std::vector<double> p(a.size(), 1.0 / static_cast<double>(a.size()));
    std::vector<double> phi(a.size());
    for (int round = 0; round < 1000; ++round) {
        const Distribution current{a, p};
        const double mu = current.mean();
        const double sigma = std::sqrt(current.variance());
        if (!(sigma > 0)) {
            break;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            const double z = (a[i] - mu) / sigma;
            phi[i] = a[i] - 0.5 - 0.5 * t * sigma * (1.0 + z * z);
        }
        const double lowest = *std::min_element(phi.begin(), phi.end());
        const double highest = *std::max_element(phi.begin(), phi.end());
        if (!(lowest < 0 && highest > 0)) {
            break;
        }
        const double theta = decreasingRoot(
            [&](double x) {
                double sum = 0;
                for (std::size_t i = 0; i < a.size(); ++i) {
                    sum += q[i] * phi[i] / (1.0 + x * phi[i]);
                }
                return sum;
            },
            -1.0 / highest, -1.0 / lowest);
        double change = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const double next = q[i] / (1.0 + theta * phi[i]);
            change = std::max(change, std::abs(next - p[i]));
            p[i] = next;
        }
        if (change < 1e-9) {
            break;
        }
    }
    return p;
}

// The log-likelihood ratio of the observed counts between the two fitted distributions.
double logLikelihoodRatio(const Distribution& observed, double samples,
                          const std::vector<double>& p0, const std::vector<double>& p1) {
    double sum = 0;
    for (std::size_t i = 0; i < p0.size(); ++i) {
        sum += observed.shares[i] * (std::log(p1[i]) - std::log(p0[i]));
    }
    const double llr = samples * sum;
    return std::isfinite(llr) ? llr : 0.0;
}

double logisticScore(double elo) {
    return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0));
}

// BayesElo's expected score for a difference at a given draw Elo (the draw-proneness of the
// engines, measured from the games).
double bayesEloScore(double elo, double drawElo) {
    const double win = 1.0 / (1.0 + std::pow(10.0, (drawElo - elo) / 400.0));
    const double loss = 1.0 / (1.0 + std::pow(10.0, (drawElo + elo) / 400.0));
    return win + 0.5 * (1.0 - win - loss);
}

} // namespace

std::int64_t PairCounts::total() const {
    return lossLoss + lossDraw + winLoss + drawDraw + winDraw + winWin;
}

double MatchCounts::points() const {
    return static_cast<double>(wins) + 0.5 * static_cast<double>(draws);
}

void MatchCounts::addGame(GameScore score) {
    switch (score) {
    case GameScore::Loss:
        ++losses;
        break;
    case GameScore::Draw:
        ++draws;
        break;
    case GameScore::Win:
        ++wins;
        break;
    }
}

void MatchCounts::addPair(GameScore first, GameScore second) {
    addGame(first);
    addGame(second);
    const double points = gameScoreValue(first) + gameScoreValue(second);
    if (points < 0.25) {
        ++pairs.lossLoss;
    } else if (points < 0.75) {
        ++pairs.lossDraw;
    } else if (points < 1.25) {
        if (first == GameScore::Draw) {
            ++pairs.drawDraw;
        } else {
            ++pairs.winLoss;
        }
    } else if (points < 1.75) {
        ++pairs.winDraw;
    } else {
        ++pairs.winWin;
    }
}

std::optional<StrengthEstimate> trinomialEstimate(const MatchCounts& counts) {
    if (counts.wins < 0 || counts.losses < 0 || counts.draws < 0 || counts.games() == 0) {
        return std::nullopt;
    }
    const std::array<double, 3> scores{0.0, 0.5, 1.0};
    const std::array<double, 3> observed{static_cast<double>(counts.losses),
                                         static_cast<double>(counts.draws),
                                         static_cast<double>(counts.wins)};
    StrengthEstimate estimate =
        estimateFrom(distribution(scores, observed), static_cast<double>(counts.games()), 1.0);
    // The logistic figures of the single games are the watched series' own.
    if (const auto series = eloEstimate(counts.wins, counts.losses, counts.draws)) {
        estimate.elo = finiteOrNone(series->difference);
        estimate.eloMargin95 = series->errorMargin95;
    }
    return estimate;
}

std::optional<StrengthEstimate> pentanomialEstimate(const PairCounts& pairs) {
    const std::array<std::int64_t, 6> all{pairs.lossLoss, pairs.lossDraw, pairs.winLoss,
                                          pairs.drawDraw, pairs.winDraw,  pairs.winWin};
    if (std::any_of(all.begin(), all.end(), [](std::int64_t n) { return n < 0; }) ||
        pairs.total() == 0) {
        return std::nullopt;
    }
    const std::array<double, 5> scores{0.0, 0.25, 0.5, 0.75, 1.0};
    const std::array<double, 5> observed{
        static_cast<double>(pairs.lossLoss), static_cast<double>(pairs.lossDraw),
        static_cast<double>(pairs.winLoss + pairs.drawDraw), static_cast<double>(pairs.winDraw),
        static_cast<double>(pairs.winWin)};
    return estimateFrom(distribution(scores, observed), static_cast<double>(pairs.total()),
                        std::numbers::sqrt2);
}

std::optional<double> drawRatioPercent(const MatchCounts& counts) {
    if (counts.games() <= 0) {
        return std::nullopt;
    }
    return 100.0 * static_cast<double>(counts.draws) / static_cast<double>(counts.games());
}

std::optional<double> pairDrawRatioPercent(const PairCounts& pairs) {
    if (pairs.total() <= 0) {
        return std::nullopt;
    }
    return 100.0 * static_cast<double>(pairs.winLoss + pairs.drawDraw) /
           static_cast<double>(pairs.total());
}

std::optional<double> pairsRatio(const PairCounts& pairs) {
    const std::int64_t lost = pairs.lossDraw + pairs.lossLoss;
    if (lost <= 0) {
        return std::nullopt;
    }
    return static_cast<double>(pairs.winWin + pairs.winDraw) / static_cast<double>(lost);
}

std::optional<double> winLossToDrawDrawRatio(const PairCounts& pairs) {
    if (pairs.drawDraw <= 0) {
        return std::nullopt;
    }
    return static_cast<double>(pairs.winLoss) / static_cast<double>(pairs.drawDraw);
}

std::optional<SprtModel> sprtModelFromName(std::string_view name) {
    if (name == "normalized") {
        return SprtModel::Normalized;
    }
    if (name == "logistic") {
        return SprtModel::Logistic;
    }
    if (name == "bayesian") {
        return SprtModel::Bayesian;
    }
    return std::nullopt;
}

std::string_view sprtModelName(SprtModel model) {
    switch (model) {
    case SprtModel::Normalized:
        return "normalized";
    case SprtModel::Logistic:
        return "logistic";
    case SprtModel::Bayesian:
        return "bayesian";
    }
    return "normalized";
}

std::optional<std::string_view> sprtSettingsProblem(const SprtSettings& settings) {
    if (!std::isfinite(settings.elo0) || !std::isfinite(settings.elo1)) {
        return "elo0 and elo1 must be numbers";
    }
    if (!(settings.elo0 < settings.elo1)) {
        return "elo0 must be less than elo1";
    }
    if (!(settings.alpha > 0 && settings.alpha < 1)) {
        return "alpha must lie between 0 and 1";
    }
    if (!(settings.beta > 0 && settings.beta < 1)) {
        return "beta must lie between 0 and 1";
    }
    if (!(settings.alpha + settings.beta < 1)) {
        return "alpha and beta must add up to less than 1";
    }
    return std::nullopt;
}

Sprt::Sprt(const SprtSettings& settings)
    : m_settings(settings), m_lower(std::log(settings.beta / (1.0 - settings.alpha))),
      m_upper(std::log((1.0 - settings.beta) / settings.alpha)) {}

double Sprt::trinomialLlr(const MatchCounts& counts) const {
    if (counts.wins < 0 || counts.losses < 0 || counts.draws < 0 || counts.games() <= 0) {
        return 0.0;
    }
    const std::array<double, 3> scores{0.0, 0.5, 1.0};
    const std::array<double, 3> observed{regularized(counts.losses), regularized(counts.draws),
                                         regularized(counts.wins)};
    const Distribution outcomes = distribution(scores, observed);
    const double samples = observed[0] + observed[1] + observed[2];
    switch (m_settings.model) {
    case SprtModel::Normalized:
        return logLikelihoodRatio(outcomes, samples,
                                  mostLikelyWithT(outcomes, m_settings.elo0 / eloPerT),
                                  mostLikelyWithT(outcomes, m_settings.elo1 / eloPerT));
    case SprtModel::Bayesian: {
        // The draw Elo comes from the decisive games; without both a win and a loss there is
        // none to measure, and the test has nothing to say yet.
        if (counts.wins == 0 || counts.losses == 0) {
            return 0.0;
        }
        const double loss = outcomes.shares[0];
        const double win = outcomes.shares[2];
        const double drawElo = 200.0 * std::log10((1.0 - loss) / loss * (1.0 - win) / win);
        return logLikelihoodRatio(
            outcomes, samples,
            mostLikelyWithMean(outcomes, bayesEloScore(m_settings.elo0, drawElo)),
            mostLikelyWithMean(outcomes, bayesEloScore(m_settings.elo1, drawElo)));
    }
    case SprtModel::Logistic:
        break;
    }
    return logLikelihoodRatio(outcomes, samples,
                              mostLikelyWithMean(outcomes, logisticScore(m_settings.elo0)),
                              mostLikelyWithMean(outcomes, logisticScore(m_settings.elo1)));
}

double Sprt::pentanomialLlr(const MatchCounts& counts) const {
    const PairCounts& pairs = counts.pairs;
    if (m_settings.model == SprtModel::Bayesian) {
        return trinomialLlr(counts);
    }
    const std::array<std::int64_t, 6> all{pairs.lossLoss, pairs.lossDraw, pairs.winLoss,
                                          pairs.drawDraw, pairs.winDraw,  pairs.winWin};
    if (std::any_of(all.begin(), all.end(), [](std::int64_t n) { return n < 0; }) ||
        pairs.total() <= 0) {
        return 0.0;
    }
    const std::array<double, 5> scores{0.0, 0.25, 0.5, 0.75, 1.0};
    const std::array<double, 5> observed{regularized(pairs.lossLoss), regularized(pairs.lossDraw),
                                         regularized(pairs.winLoss + pairs.drawDraw),
                                         regularized(pairs.winDraw), regularized(pairs.winWin)};
    const Distribution outcomes = distribution(scores, observed);
    double samples = 0;
    for (const double count : observed) {
        samples += count;
    }
    if (m_settings.model == SprtModel::Normalized) {
        // A pair's score spreads less than a game's by the square root of two.
        return logLikelihoodRatio(
            outcomes, samples,
            mostLikelyWithT(outcomes, std::numbers::sqrt2 * m_settings.elo0 / eloPerT),
            mostLikelyWithT(outcomes, std::numbers::sqrt2 * m_settings.elo1 / eloPerT));
    }
    return logLikelihoodRatio(outcomes, samples,
                              mostLikelyWithMean(outcomes, logisticScore(m_settings.elo0)),
                              mostLikelyWithMean(outcomes, logisticScore(m_settings.elo1)));
}

double Sprt::llr(const MatchCounts& counts, bool pentanomial) const {
    return pentanomial ? pentanomialLlr(counts) : trinomialLlr(counts);
}

SprtDecision Sprt::decision(double llr) const {
    if (llr >= m_upper) {
        return SprtDecision::AcceptH1;
    }
    if (llr <= m_lower) {
        return SprtDecision::AcceptH0;
    }
    return SprtDecision::Continue;
}

double Sprt::progressTowardsBound(double llr) const {
    return llr >= 0 ? llr / m_upper : -llr / m_lower;
}

} // namespace velkor::automatch
