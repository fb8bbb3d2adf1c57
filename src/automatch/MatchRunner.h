#pragma once

#include "MatchConfig.h"
#include "MatchOpenings.h"
#include "MatchReport.h"
#include "MatchState.h"
#include "MatchStatistics.h"
#include "platform/Uptime.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace velkor {
class UCIEngineProcess;
} // namespace velkor

namespace velkor::automatch {

// One game as it ended.
struct PlayedGame {
    // Counted from 0 in the order games are started.
    std::int64_t index = 0;
    // The round (opening pair) it belongs to, counted from 1.
    std::int64_t round = 1;
    std::string white;
    std::string black;
    // As in a PGN: "1-0", "0-1", "1/2-1/2".
    std::string result;
    std::string reason;
    GameScore firstEngineScore = GameScore::Draw;
    bool timeLoss = false;
    // The engine to move crashed or stopped answering (a loss, and the end of the match
    // without -recover).
    bool engineFailed = false;
    // The PGN text of the game, as appended to the match's PGN file.
    std::string pgn;
};

// What a match tells whoever runs it (all on the thread that runs it).
struct MatchObserver {
    std::function<void(std::int64_t number, std::int64_t total, const std::string& white,
                       const std::string& black)>
        gameStarted;
    std::function<void(const PlayedGame& game)> gameFinished;
    // After the counts grew (in game order); `countedGames` games are in them.
    std::function<void(std::int64_t countedGames)> countsChanged;
    // From an engine's best move arriving to the other engine being told to go, in seconds.
    std::function<void(double seconds)> moveOverhead;
    // The running game `index` (as in PlayedGame::index) now shows `fen` (after its opening and
    // after every move). Called only when set, so a match nobody watches pays nothing for it.
    std::function<void(std::int64_t index, const std::string& fen)> positionChanged;
};

// What can be replaced for tests and tools.
struct RunnerEnvironment {
    // Monotonic seconds: when a search starts, and (through the engine processes) when its best
    // move arrived. A clock game is timed by the difference.
    platform::TimeSource clock = platform::systemUptime;
    double handshakeTimeout = 10;
    // How long past its time an engine that has not answered is waited for before it is stopped;
    // the game is lost on time either way, this only frees the runner from a hung engine.
    std::chrono::milliseconds stallGrace{200};
    // How long a search by depth or nodes, which has no time of its own, may last before the
    // engine counts as stalled.
    std::chrono::milliseconds unlimitedSearchStall{std::chrono::minutes(5)};
};

enum class MatchEnd {
    // Every game was played.
    Completed,
    // The SPRT crossed a bound.
    SprtDecided,
    // Stopped on request (the state is saved; the run can be resumed).
    Interrupted,
    // An engine failed and -recover was not given, or could not be restarted.
    EngineFailure,
    // The state could not be saved.
    StateNotSaved,
};

// Plays a full-speed match: the configured number of games between two engines, `concurrency`
// at a time, each game slot with its own pair of engine processes that stay running from game
// to game. Results are counted in game order, so interrupting and resuming a run, or running it
// with another concurrency, gives the same counts for the same games. The state is saved after
// every game and the PGN appended as games finish.
class MatchRunner {
public:
    // Reads the openings and prepares the run (from `resumed` where a saved run continues);
    // nothing is started. One line saying why the match cannot run otherwise.
    static std::variant<std::unique_ptr<MatchRunner>, std::string>
    create(MatchConfig config, std::optional<MatchProgress> resumed = std::nullopt,
           RunnerEnvironment environment = {});

    ~MatchRunner();
    MatchRunner(const MatchRunner&) = delete;
    MatchRunner& operator=(const MatchRunner&) = delete;

    void setObserver(MatchObserver observer) { m_observer = std::move(observer); }

    // Plays until every game is played, the SPRT decides, a stop is requested or an engine
    // fails for good. Games still running at the end are abandoned: not counted, not written,
    // and played again when the run resumes; when the SPRT decides and the configuration says
    // so, they are played to their end and counted instead.
    QCoro::Task<MatchEnd> run();

    // Ends the run as soon as the running searches return (they are told to stop).
    void requestStop();

    const MatchConfig& config() const { return m_config; }
    const MatchProgress& progress() const { return m_progress; }
    std::int64_t totalGames() const;
    // The summary of what is counted so far.
    MatchSummary summary() const;
    // Why the match ended early, for a message; empty otherwise.
    const std::string& failure() const { return m_failure; }
    // Games lost on time so far (counted or not).
    std::int64_t timeLosses() const { return m_timeLosses; }

private:
    struct Slot;
    struct GameOutcome;

    MatchRunner(MatchConfig config, std::vector<MatchOpening> openings, MatchProgress progress,
                RunnerEnvironment environment);

    QCoro::Task<void> work(std::size_t slotIndex);
    QCoro::Task<std::optional<PlayedGame>> playGame(Slot& slot, std::int64_t index);
    // A started, fresh engine for the next game; none when it cannot be had.
    QCoro::Task<UCIEngineProcess*> readyEngine(Slot& slot, std::size_t engine);
    std::optional<std::int64_t> nextGame();
    void finish(const PlayedGame& game);
    void countInOrder();
    void stopRunningSearches();
    void endMatch(MatchEnd end, std::string failure = {});

    MatchConfig m_config;
    std::vector<MatchOpening> m_openings;
    std::vector<std::size_t> m_openingOrder;
    MatchProgress m_progress;
    RunnerEnvironment m_environment;
    MatchObserver m_observer;
    std::optional<Sprt> m_sprt;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::int64_t m_nextGame = 0;
    std::set<std::int64_t> m_running;
    std::optional<MatchEnd> m_end;
    // The running games are given up (their searches stopped); not so while they are let finish
    // after the SPRT decided.
    bool m_abandoning = false;
    std::string m_failure;
    std::int64_t m_timeLosses = 0;
};

} // namespace velkor::automatch
