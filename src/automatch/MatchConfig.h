#pragma once

#include "Adjudication.h"
#include "MatchStatistics.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace velkor::automatch {

// How one engine's moves are limited.
struct MoveLimit {
    enum class Kind { None, Clock, TimePerMove, Depth, Nodes };
    Kind kind = Kind::None;
    // Clock: moves per period (0 for the whole game), base time and increment.
    int movesPerPeriod = 0;
    std::int64_t baseMs = 0;
    std::int64_t incrementMs = 0;
    // TimePerMove
    std::int64_t moveTimeMs = 0;
    int depth = 0;
    std::int64_t nodes = 0;
};

struct EngineSetup {
    std::string command;
    std::string name;
    MoveLimit limit;
    // UCI options in the order given, set before the first game.
    std::vector<std::pair<std::string, std::string>> options;
    // How far below zero the clock may fall before the engine loses on time.
    std::int64_t timeMarginMs = 0;
};

struct OpeningSetup {
    enum class Format { Epd, Pgn };
    enum class Order { Sequential, Random };
    std::string file;
    Format format = Format::Epd;
    Order order = Order::Sequential;
    // Moves taken from each PGN game; none for all of them.
    std::optional<int> plies;
    // The first opening to play, counted from 1.
    int start = 1;
};

// A full-speed match as given on the command line.
struct MatchConfig {
    std::array<EngineSetup, 2> engines;
    int rounds = 1;
    // Games per round: 2 plays every opening once with each engine as White.
    int gamesPerRound = 1;
    int concurrency = 1;
    std::optional<OpeningSetup> openings;
    std::optional<std::uint64_t> seed;
    std::optional<SprtSettings> sprt;
    // What becomes of the games still running when the SPRT decides. Abandoned (the default),
    // the decision is reported at once and the counts are those of the first crossing; finished,
    // the engine time already spent on them is not thrown away: they are written and counted,
    // at the price of a few games past the crossing (the first game of a pair whose second was
    // never started stays uncounted, like any half pair). Either way no new game starts.
    bool finishRunningGamesOnSprt = false;
    AdjudicationSettings adjudication;
    std::optional<std::string> pgnFile;
    // Restart a crashed or stalled engine for the next game instead of ending the match.
    bool recover = false;
    // Summary every this many games (0: only at the end).
    int ratingInterval = 10;
    // Pentanomial figures; by default when games are paired.
    std::optional<bool> reportPentanomial;
    // Where the run's state is saved after every game.
    std::string stateFile = "config.json";
    // A saved run to resume; when set, everything else comes from that file.
    std::optional<std::string> resumeFile;

    // Pairs are reported only when games are paired, and never with the BayesElo test, which
    // has no pentanomial form.
    bool pentanomial() const {
        return reportPentanomial.value_or(true) && gamesPerRound == 2 &&
               !(sprt && sprt->model == SprtModel::Bayesian);
    }
};

// What the parser may ask of the machine: whether a file is there, and how many cores it has
// (the default concurrency leaves one of them free).
struct ArgumentEnvironment {
    std::function<bool(const std::string& command)> engineExists;
    std::function<bool(const std::string& path)> fileExists;
    int cores = 1;
};

// The match the arguments (without the program name) describe, or one line naming the argument
// that is wrong and why.
std::variant<MatchConfig, std::string> parseMatchArguments(std::span<const std::string> arguments,
                                                           const ArgumentEnvironment& environment);

} // namespace velkor::automatch
