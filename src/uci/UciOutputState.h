#pragma once

#include "EngineEvaluation.h"
#include "UciOption.h"
#include "UciProtocol.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velkor::uci {

// The evaluation awaiting delivery to the main thread: every line of the current search in
// multiPV order, the one just parsed, and the latest report of line 1 not yet delivered.
struct PendingEvaluation {
    std::vector<EngineEvaluation> lines;
    EngineEvaluation latest;
    std::optional<EngineEvaluation> principal;

    bool operator==(const PendingEvaluation&) const = default;
};

// What has piled up for the main thread since the last delivery.
struct OutputBatch {
    std::vector<std::string> log;
    std::optional<PendingEvaluation> evaluation;

    bool isEmpty() const { return log.empty() && !evaluation; }
};

// What one engine line means to the code that reacts to it.
struct LineEffect {
    enum class Kind { option, uciOk, readyOk, info, bestMove, other };
    Kind kind = Kind::other;
    // For a best move: its text, its arrival time, the search it answers and everything pending
    // up to and including it.
    std::string bestMove;
    double arrivalTime = 0;
    std::uint64_t searchSerial = 0;
    OutputBatch batch;
};

// Everything one engine's output parsing remembers between lines, without threads or I/O: the
// log lines not yet delivered, the options the engine announced, one evaluation per principal
// variation of the current search, and whether a best move is waiting to be handled.
//
// An engine answers every "go" with exactly one "bestmove", in order, also when the search was
// stopped. The state numbers the searches and pairs each best move with the oldest search not yet
// answered, so the answer of a stopped search that arrives after the next search began is known
// for what it is: only logged, never taken for the answer of the search that runs now.
class UciOutputState {
public:
    // Engine lines and commands longer than this many bytes are logged as their start and a
    // note of their full length; parsing always sees the whole line.
    static constexpr std::size_t maxLoggedLineBytes = 4096;

    // Logs "< line" and interprets a trimmed, non-empty line that arrived at `now`.
    LineEffect consumeLine(std::string_view line, double now);

    // Adds a line to the log awaiting delivery.
    void appendLog(std::string text);

    // Hands over what is pending and leaves nothing behind.
    OutputBatch takePending();

    // A new search: no lines, nothing pending to show, no unhandled best move.
    void resetForSearch();

    // Resets for a new search whose "go" is about to be written and returns its serial number.
    std::uint64_t beginSearch();
    // The serial number of the search begun last (0 before the first).
    std::uint64_t currentSearch() const { return m_currentSearch; }
    // Whether a search was begun whose best move has not arrived yet.
    bool hasUnansweredSearch() const { return !m_unansweredSearches.empty(); }

    // Lower-cased names of the options the engine announced.
    const std::set<std::string>& offeredOptions() const { return m_offeredOptions; }
    // Every option the engine declared in a readable line, in declared order; a name declared
    // again counts once, as first declared.
    const std::vector<UciOption>& declaredOptions() const { return m_declaredOptions; }
    // The range the engine announced for UCI_Elo, if it gave one.
    const std::optional<SpinRange>& eloRange() const { return m_eloRange; }

    bool hasUnhandledBestMove() const { return m_unhandledBestMove.has_value(); }
    void markBestMoveHandled() { m_unhandledBestMove.reset(); }

    // Log lines that reach the main thread in one batch are cut to the last 250 there as soon as
    // more than 300 are shown, so keeping more than 301 pending changes nothing anyone sees.
    static constexpr std::size_t maxPendingLogLines = 301;

    // Engines offer at most a few hundred principal variations; info lines that would open a
    // line beyond this many in one search are only logged, so an engine that numbers its lines
    // without end cannot make each delivery to the main thread grow without end.
    static constexpr std::size_t maxLinesPerSearch = 500;

private:
    void parseInfo(std::string_view line);
    // Adds a line that is already short enough to the pending log.
    void pushLog(std::string text);

    std::deque<std::string> m_pendingLog;
    std::optional<PendingEvaluation> m_pendingEvaluation;
    std::map<std::int64_t, EngineEvaluation> m_evaluationByPV;
    std::set<std::string> m_offeredOptions;
    std::vector<UciOption> m_declaredOptions;
    std::optional<SpinRange> m_eloRange;
    std::optional<double> m_unhandledBestMove;
    std::uint64_t m_currentSearch = 0;
    // Searches whose "go" went out and whose best move has not come yet, oldest first.
    std::deque<std::uint64_t> m_unansweredSearches;
};

// `prefix` and `text` as a log line: `text` unchanged when short, else its first bytes (cut at a
// character boundary) and a note of its full length, so no single line can fill the log.
std::string shortenedForLog(std::string_view prefix, std::string_view text);

} // namespace velkor::uci
