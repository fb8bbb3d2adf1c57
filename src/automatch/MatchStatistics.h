#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velkor::automatch {

// One finished game from the first engine's side.
enum class GameScore { Loss, Draw, Win };

// The two games of one opening played once with each engine as White, counted by the first
// engine's points over the pair. A win and a loss and two draws both score one point, but
// they are kept apart because their ratio says how decisive the openings are.
struct PairCounts {
    std::int64_t lossLoss = 0;
    std::int64_t lossDraw = 0;
    std::int64_t winLoss = 0;
    std::int64_t drawDraw = 0;
    std::int64_t winDraw = 0;
    std::int64_t winWin = 0;

    std::int64_t total() const;
};

// Everything a match has counted so far: the single games, and the pairs when games are paired.
struct MatchCounts {
    std::int64_t wins = 0;
    std::int64_t losses = 0;
    std::int64_t draws = 0;
    PairCounts pairs;

    std::int64_t games() const { return wins + losses + draws; }
    double points() const;

    void addGame(GameScore score);
    // Counts both games and the pair they make.
    void addPair(GameScore first, GameScore second);
};

// A strength estimate with its 95 % interval, both as logistic Elo and as normalized Elo (the
// score's distance from one half in units of its own spread, which does not depend on the draw
// rate). A figure the counts cannot give (a score of 0 % or 100 %, no spread at all) is empty
// rather than infinite.
struct StrengthEstimate {
    std::optional<double> elo;
    std::optional<double> eloMargin95;
    std::optional<double> normalizedElo;
    std::optional<double> normalizedEloMargin95;
    // Between 0 and 1: how likely the first engine is the stronger one.
    double likelihoodOfSuperiority = 0.5;
};

// From the single games. None before the first game.
std::optional<StrengthEstimate> trinomialEstimate(const MatchCounts& counts);
// From the pairs (their score spread is what matters when openings are played twice). None
// before the first pair.
std::optional<StrengthEstimate> pentanomialEstimate(const PairCounts& pairs);

// Share of draws in percent: of the games, or of the pairs that scored one point.
std::optional<double> drawRatioPercent(const MatchCounts& counts);
std::optional<double> pairDrawRatioPercent(const PairCounts& pairs);
// Pairs the first engine won (WW + WD) against pairs it lost (LD + LL); none without a lost pair.
std::optional<double> pairsRatio(const PairCounts& pairs);
// Win-loss pairs against draw-draw pairs; none without a draw-draw pair.
std::optional<double> winLossToDrawDrawRatio(const PairCounts& pairs);

enum class SprtModel { Normalized, Logistic, Bayesian };

// The lowercase spelling used on command lines and in saved runs; none for an unknown name.
std::optional<SprtModel> sprtModelFromName(std::string_view name);
std::string_view sprtModelName(SprtModel model);

enum class SprtDecision { Continue, AcceptH0, AcceptH1 };

struct SprtSettings {
    double elo0 = 0;
    double elo1 = 5;
    double alpha = 0.05;
    double beta = 0.05;
    SprtModel model = SprtModel::Normalized;
};

// Why settings cannot run a test; none when they can.
std::optional<std::string_view> sprtSettingsProblem(const SprtSettings& settings);

// The sequential probability ratio test between H0 (the difference is elo0) and H1 (it is elo1):
// the log-likelihood ratio of the counts, and the bounds it is tested against.
class Sprt {
public:
    // The settings must be valid (see sprtSettingsProblem).
    explicit Sprt(const SprtSettings& settings);

    const SprtSettings& settings() const { return m_settings; }
    double lowerBound() const { return m_lower; }
    double upperBound() const { return m_upper; }

    // Zero before the first game; always finite.
    double trinomialLlr(const MatchCounts& counts) const;
    // The BayesElo model has no pentanomial form: it uses the single games instead.
    double pentanomialLlr(const MatchCounts& counts) const;
    double llr(const MatchCounts& counts, bool pentanomial) const;

    SprtDecision decision(double llr) const;
    // How far the ratio has gone towards the bound on its side, negative towards the lower one.
    double progressTowardsBound(double llr) const;

private:
    SprtSettings m_settings;
    double m_lower;
    double m_upper;
};

} // namespace velkor::automatch
