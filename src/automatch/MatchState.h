#pragma once

#include "MatchConfig.h"
#include "MatchStatistics.h"

#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace velkor::automatch {

// How far a match has come: what is counted, and the games already played beyond that (their
// pair is not complete yet, or an earlier game still runs). Games in neither are played (again)
// when the match resumes.
struct MatchProgress {
    MatchCounts counts;
    // Games 0 .. countedGames - 1 are in `counts`.
    std::int64_t countedGames = 0;
    // Finished but not yet counted, by game index: the first engine's score.
    std::map<std::int64_t, GameScore> finishedAhead;
    // The seed of the opening order, kept so a resumed run takes the openings it would have.
    std::uint64_t seed = 0;
};

struct SavedMatch {
    MatchConfig config;
    MatchProgress progress;
};

// The saved run as JSON text: the match as configured and how far it came.
std::string savedMatchJson(const MatchConfig& config, const MatchProgress& progress);

// A saved run read back, or one line saying what in it cannot be read. A file written by hand
// is checked as strictly as a command line: counts that do not add up are refused.
std::variant<SavedMatch, std::string> savedMatchFromJson(const std::string& text);

// Writes the saved run so that a crash while writing leaves the previous one whole. False when
// it could not be written.
bool saveMatchState(const std::string& path, const MatchConfig& config,
                    const MatchProgress& progress);

} // namespace velkor::automatch
