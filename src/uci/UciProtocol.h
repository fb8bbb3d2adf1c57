#pragma once

#include "EngineEvaluation.h"
#include "chess/StartingPosition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The UCI dialogue as pure functions: the commands we write and the engine lines we read.
namespace velkor::uci {

// "position startpos" for no FEN or exactly the standard starting position, else "position fen
// <fen>"; then " moves a b c" when there are moves.
std::string positionCommand(const std::optional<std::string>& fen,
                            const std::vector<std::string>& moves);

// What a search is limited by; times in milliseconds.
struct SearchLimits {
    std::optional<std::int64_t> wtime{};
    std::optional<std::int64_t> btime{};
    std::optional<std::int64_t> winc{};
    std::optional<std::int64_t> binc{};
    std::optional<std::int64_t> movetime{};
    std::optional<std::int64_t> depth{};
    // A node count, for searches that must not depend on the machine's speed.
    std::optional<std::int64_t> nodes{};
    // Searches until told to stop (the analysis of a shown position); wins over every limit.
    bool infinite = false;
    // Moves left until the clock is refilled, for clocks that give time per number of moves;
    // without it an engine plans for the whole game on the time of one period.
    std::optional<std::int64_t> movestogo{};

    bool operator==(const SearchLimits&) const = default;
};

// "go infinite" for an infinite search. Otherwise a fixed move time wins over a depth, a depth
// over a node count, that over the clock. Without wtime and btime the engine gets
// " movetime 1000" after any increments, so a search never runs unbounded.
std::string goCommand(const SearchLimits& limits);

// The move time the go command of `limits` asks for: its movetime, or the 1000 ms a search
// without clock, depth or movetime gets; nothing for a search by depth, by the clock or without
// end.
std::optional<std::int64_t> requestedMoveTime(const SearchLimits& limits);

// "setoption name <name> value <value>".
std::string setOptionCommand(std::string_view name, std::string_view value);

// An option's range as the engine announced it ("min"/"max" of a spin option).
struct SpinRange {
    std::optional<std::int64_t> min;
    std::optional<std::int64_t> max;

    // The value moved into the range; a missing bound does not limit.
    std::int64_t clamp(std::int64_t value) const;

    bool operator==(const SpinRange&) const = default;
};

// The strength lines: with a limit "UCI_LimitStrength" true then "UCI_Elo" (moved into the range
// the engine announced for it, since engines ignore values outside it and keep their default
// strength), without one "UCI_LimitStrength" false.
std::vector<std::string> strengthCommands(bool limitElo, std::int64_t elo,
                                          const std::optional<SpinRange>& eloRange);

// For a line that begins with "option name ": the name up to the first " type " (or to the end),
// lower-cased.
std::string optionName(std::string_view line);

// For an option line: the integers after the first "min" and "max" tokens that follow " type ".
// Nothing when neither is there.
std::optional<SpinRange> optionRange(std::string_view line);

// The principal-variation number of an info line: the integer after the first "multipv" token
// before any "string", else 1.
std::int64_t infoLineNumber(const std::vector<std::string_view>& tokens);

// Applies the tokens of one info line to the stored evaluation of its line: depth, score (cp or
// mate; each clears the other), nodes, nps, time and pv (the rest of the line, empty tokens left
// out). Unknown tokens, bound markers and numbers that do not read as integers are passed over;
// "string" ends the walk, since free text follows it to the end of the line.
void applyInfo(const std::vector<std::string_view>& tokens, EngineEvaluation& evaluation);

// For a line that begins with "bestmove ": its second token as sent, or nothing when there is none.
std::optional<std::string> bestMoveText(std::string_view line);

} // namespace velkor::uci
