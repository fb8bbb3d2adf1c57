#pragma once

#include "AutomatchGameRecord.h"
#include "MatchStatistics.h"

#include <QList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velkor::automatch {

// A match read back from the PGN a runner wrote.
struct ImportedMatch {
    std::string firstEngine; // White of the first game in round order
    std::string secondEngine;
    bool paired = false;                        // games came as opening pairs, colours swapped
    MatchCounts counts;                         // the first engine's; `pairs` filled when paired
    QList<velkor::AutomatchGameRecord> records; // in round order, gameNumber 1..N
};

// Reads the games of a two-engine match from PGN text as engine-testing runners write it: one
// opening pair per round number with both games under it, or every game numbered on its own,
// in either case in the order the games finished. Games without a result are left out (a runner
// that was stopped leaves its running games so). One line saying what is wrong when the text is
// not a two-engine match.
std::variant<ImportedMatch, std::string> importMatchPGN(std::string_view text);

// The history's record of one game of such a match, numbered `number`, with `firstEngine` as
// engine 1; none when the text does not read as a game.
std::optional<AutomatchGameRecord> matchGameRecord(std::string_view pgn, std::int64_t number,
                                                   const std::string& firstEngine);

} // namespace velkor::automatch
