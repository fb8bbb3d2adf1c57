#pragma once

#include "MatchConfig.h"
#include "MatchStatistics.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkor::automatch {

// One engine of the match as the summary names it. Threads and hash are the values given for
// the engine's "Threads" and "Hash" options, none where none was given.
struct ReportedEngine {
    std::string name;
    MoveLimit limit;
    std::optional<std::string> threads;
    std::optional<std::string> hash;
};

struct MatchSummary {
    ReportedEngine first;
    ReportedEngine second;
    // The opening file as given; the summary names only its file name. Empty without one.
    std::string openingFile;
    // The first engine's counts.
    MatchCounts counts;
    // Report the pairs (and measure Elo by them) rather than the single games.
    bool pentanomial = false;
    std::optional<Sprt> sprt;
};

// "10+0.1", "40/60+0.6", "0.5/move", "12 plies", "5000 nodes": the usual engine-testing
// spelling, which the tools that read these lines expect.
std::string timeControlText(const MoveLimit& limit);

// The summary lines (each ending in a newline) in the layout engine-testing tools parse:
// "Results of …", "Elo: …", "LOS: …", "Games: …", then "Ptnml(0-2): …" for pairs and "LLR: …"
// with a test. A figure the counts cannot give is written "n/a", never "inf" or "nan".
std::string summaryLines(const MatchSummary& summary);
// The same lines between two rules, as printed at a rating interval and at the end.
std::string summaryBlock(const MatchSummary& summary);

// "Started game K of N (WHITE vs BLACK)"
std::string startedGameLine(std::int64_t game, std::int64_t games, std::string_view white,
                            std::string_view black);
// "Finished game K (WHITE vs BLACK): RESULT {REASON}", the result as in a PGN ("1-0").
std::string finishedGameLine(std::int64_t game, std::string_view white, std::string_view black,
                             std::string_view result, std::string_view reason);

} // namespace velkor::automatch
