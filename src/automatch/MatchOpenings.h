#pragma once

#include "MatchConfig.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace velkor::automatch {

// Where the engines of one game take over: a position and the moves played from it before the
// engines start (a PGN opening's moves; none for an EPD line).
struct MatchOpening {
    std::string fen;
    std::vector<std::string> moves;
};

// The openings of an EPD text, one position a line; blank lines and lines starting with '#' are
// passed over. A line without move counters starts at move 1 (or at its "hmvc"/"fmvn" opcodes).
// An unreadable line is an error naming it, never a silently shorter book.
std::variant<std::vector<MatchOpening>, std::string> openingsFromEpd(const std::string& text);

// The openings of a PGN text: each game's start position and its first `plies` moves (all of
// them without a limit).
std::variant<std::vector<MatchOpening>, std::string> openingsFromPgn(const std::string& text,
                                                                     std::optional<int> plies);

// The openings of the setup's file, or one line saying why they cannot be used.
std::variant<std::vector<MatchOpening>, std::string> loadOpenings(const OpeningSetup& setup);

// The order rounds take the openings in: the file's order, or a shuffle by `seed` that is the
// same on every machine and in every run, so a resumed match plays the openings it would have.
std::vector<std::size_t> openingOrder(std::size_t count, OpeningSetup::Order order,
                                      std::uint64_t seed);

} // namespace velkor::automatch
