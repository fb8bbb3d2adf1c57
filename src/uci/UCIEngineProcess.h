#pragma once

#include "EngineChildProcess.h"
#include "EngineConfiguration.h"
#include "EngineEvaluation.h"
#include "OneShotAnswer.h"
#include "UciOption.h"
#include "UciOutputState.h"
#include "UciProtocol.h"
#include "platform/Cancellation.h"
#include "platform/Uptime.h"

#include <QObject>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>
#include <vector>

namespace velkor {

namespace uci {
class UciEngineWorker;
} // namespace uci

// The answer of one search: the best move as the engine wrote it and when it arrived (by the
// process's clock). A search that was stopped, replaced by a later one or ended with its engine
// has none.
struct SearchAnswer {
    std::string move;
    double arrivalTime = 0;
};
using SearchOutcome = std::optional<SearchAnswer>;

// What tests and tools may replace in an engine process: the source of best-move arrival times
// and how long an engine may take to end before it is killed.
struct EngineProcessEnvironment {
    platform::TimeSource clock = platform::systemUptime;
    std::chrono::milliseconds killGrace = uci::defaultKillGrace;
};

// One running UCI engine: a child process started from an EngineConfiguration, its handshake
// and options, searches, and the published state the interface shows. Lives on the main thread;
// the engine's output is read and parsed on a worker thread of its own and reaches this object in
// batches at most every 0.1 seconds (a best move at once). Signals are emitted on the main
// thread. Destroying the object ends the child, waits until it is reaped and completes a search
// still awaited as stopped.
class UCIEngineProcess : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(bool isThinking READ isThinking NOTIFY isThinkingChanged)
    Q_PROPERTY(QStringList logLines READ logLines NOTIFY logLinesChanged)
    Q_PROPERTY(velkor::EngineEvaluation currentEvaluation READ currentEvaluation NOTIFY
                   currentEvaluationChanged)
    Q_PROPERTY(std::vector<velkor::EngineEvaluation> analysisLines READ analysisLines NOTIFY
                   analysisLinesChanged)

public:
    // The log keeps the last 250 lines once it grows past 300.
    static constexpr int maxLogLines = 300;
    static constexpr int keptLogLines = 250;

    // No child is started yet. `handshakeTimeout` (seconds) limits each wait for "uciok" and
    // "readyok".
    UCIEngineProcess(EngineConfiguration config, double handshakeTimeout,
                     EngineProcessEnvironment environment = {}, QObject* parent = nullptr);
    ~UCIEngineProcess() override;
    UCIEngineProcess(const UCIEngineProcess&) = delete;
    UCIEngineProcess& operator=(const UCIEngineProcess&) = delete;

    // Launches the engine, completes the handshake and, before the first "isready", sends the
    // free options whose start value (EngineConfiguration::startupOptionValues) differs from the
    // engine's declared default: Threads, Hash, then the others in declared order; then
    // UCI_LimitStrength, UCI_Elo and MultiPV. Only options the engine declared are sent, except
    // MultiPV. True when the engine is
    // ready; on failure the reason is in the log and the child is gone. A built-in engine starts
    // no child and is ready at once.
    QCoro::Task<bool> start();

    // "ucinewgame" and a wait for "readyok". False without a running child; true at once for a
    // built-in engine.
    QCoro::Task<bool> newGame();

    // "position startpos" or "position fen <fen>", with the moves after it.
    void sendPosition(const std::optional<std::string>& fen, const std::vector<std::string>& moves);

    // Starts a search limited by `limits` (times in milliseconds; movetime wins over depth, depth
    // over the clock; with no clock the engine thinks one second) and completes with the best
    // move that answers this very search. It completes without one when the search is stopped
    // (stop(), terminate()), when a later search begins first, or when the engine ends or this
    // object goes. Clears the lines of the previous search; the answer of an earlier search is
    // only logged, and reports of it are not shown as this search's. An engine still thinking one
    // second past a fixed move time is told to stop, and its answer then counts.
    QCoro::Task<SearchOutcome> search(uci::SearchLimits limits);

    // Completes the search awaited now as stopped and sends "stop" while it is unanswered; the
    // engine's best move then arrives, is only logged and ends the thinking state. An idle engine
    // is told nothing.
    void stop();

    // Ends the child (SIGTERM at once, SIGKILL after the grace period); no unexpected-termination
    // report follows. Harmless when repeated.
    void terminate();

    // Stores the strength in config() and sends it unless the engine is known not to support
    // UCI_LimitStrength. An Elo outside the engine's announced UCI_Elo range is sent clamped.
    // While the engine searches nothing is sent: the latest strength goes out once its best move
    // has arrived; a search asked for before that waits for it (up to a second, bounded by the
    // handshake time-out), so that it is played at the new strength.
    void updateElo(bool limitElo, std::int64_t elo);

    // Writes one command line to the engine and logs it as "> command". From any thread.
    void send(const std::string& command);

    // Whether the answer of the search awaited now has arrived (on the worker thread) and its
    // awaiter has not yet been resumed with it.
    bool hasUnhandledBestMove() const;

    // Sets a free option of the running engine and keeps the value in config(). Refused (false,
    // nothing sent or kept) while the engine searches, before the handshake, for an option it did
    // not declare, and for a value the option does not take.
    bool setOptionValue(const QString& name, const QString& value);

    // Presses a free button option ("setoption name Clear Hash"). Refused (false, nothing sent)
    // unless the engine runs, is idle and declared such a button.
    bool pressButton(const QString& name);

    // Every option the engine declared in a readable line, once the handshake got its "uciok".
    const std::vector<uci::UciOption>& declaredOptions() const { return m_declaredOptions; }
    // The declared options a person may set, in declared order.
    std::vector<uci::UciOption> freeOptions() const { return uci::freeOptions(m_declaredOptions); }

    // Known once the handshake reached the options: whether the engine offers UCI_LimitStrength.
    std::optional<bool> canLimitStrength() const { return m_canLimitStrength; }
    // The UCI_Elo range the engine announced; none before the handshake or without one.
    const std::optional<uci::SpinRange>& eloRange() const { return m_eloRange; }
    const EngineConfiguration& config() const { return m_config; }

    bool isRunning() const { return m_isRunning; }
    bool isThinking() const { return m_isThinking; }
    const EngineEvaluation& currentEvaluation() const { return m_currentEvaluation; }
    const std::vector<EngineEvaluation>& analysisLines() const { return m_analysisLines; }
    const QStringList& logLines() const { return m_logLines; }

signals:
    void isRunningChanged(bool isRunning);
    void isThinkingChanged(bool isThinking);
    void currentEvaluationChanged(const velkor::EngineEvaluation& evaluation);
    void analysisLinesChanged(const std::vector<velkor::EngineEvaluation>& lines);
    void logLinesChanged(const QStringList& lines);
    // A report of the current search: its principal line (or the line just parsed when line 1
    // has not changed) and all its lines in line order.
    void evaluationUpdated(const velkor::EngineEvaluation& evaluation,
                           const std::vector<velkor::EngineEvaluation>& lines);
    // The child ended without being asked to.
    void terminatedUnexpectedly(const QString& message);
    void declaredOptionsChanged(const std::vector<velkor::uci::UciOption>& options);

private:
    struct PendingHandshake {
        quint64 id = 0;
        uci::OneShotAnswer answer;
    };
    // The search whose answer is awaited.
    struct PendingSearch {
        std::uint64_t serial = 0;
        uci::OneShot<SearchOutcome> answer;
    };

    QCoro::Task<bool> sendAndWait(std::string command, bool forUciOk);
    std::optional<PendingHandshake>& pendingHandshake(bool forUciOk);
    void answerHandshake(bool forUciOk, bool value);
    void answerAllHandshakes(bool value);
    // Completes the awaited search, if any, with `outcome`.
    void answerSearch(SearchOutcome outcome);
    // "stop" while a search is unanswered, without giving up on its answer.
    void askToStop();
    void appendLog(std::string text);
    void shutDownProcess();
    void processDidTerminate(int status);
    void apply(const QStringList& log, const std::optional<uci::PendingEvaluation>& evaluation);
    void deliverBestMove(const QStringList& log,
                         const std::optional<uci::PendingEvaluation>& evaluation,
                         const std::string& move, double arrivalTime, std::uint64_t searchSerial);
    // Whether a search was begun whose best move has not arrived yet.
    bool isSearching() const;
    // Sends the strength updateElo kept back, once the engine is idle (or at once, for an engine
    // that did not answer a stopped search in time).
    void sendPendingStrength(bool evenWhileSearching = false);
    // A waiter answered true when the engine answers its search, false after a second (or the
    // shorter handshake time-out) or when the engine ends.
    uci::OneShotAnswer idleOrTimeout();
    void answerIdleWaiter(bool value);
    void setIsRunning(bool value);
    void setIsThinking(bool value);
    void setCurrentEvaluation(const EngineEvaluation& value);
    void setAnalysisLines(const std::vector<EngineEvaluation>& value);
    bool isOnWorkerThread() const;
    template <typename Action>
    void postToWorker(Action&& action);
    template <typename Action>
    void runOnWorkerAndWait(Action&& action);
    template <typename Action>
    void postToSelf(Action&& action);

    EngineConfiguration m_config;
    const double m_handshakeTimeout;
    bool m_hasChild = false;
    bool m_isRunning = false;
    bool m_isThinking = false;
    EngineEvaluation m_currentEvaluation;
    std::vector<EngineEvaluation> m_analysisLines;
    QStringList m_logLines;
    std::optional<PendingHandshake> m_pendingUciOk;
    std::optional<PendingHandshake> m_pendingReady;
    std::optional<PendingSearch> m_pendingSearch;
    quint64 m_lastHandshakeId = 0;
    bool m_intentionalTermination = false;
    // How the child ended, once it has.
    std::optional<int> m_exitStatus;
    // The search begun last; best moves of earlier ones are only logged.
    std::uint64_t m_searchSerial = 0;
    std::optional<bool> m_canLimitStrength;
    // A strength change waits for the engine to be idle.
    bool m_strengthPending = false;
    std::optional<uci::OneShotAnswer> m_idleWaiter;
    // Counts the searches asked for and the stops, so that a search waiting for the engine to
    // be idle knows when it was given up meanwhile.
    std::uint64_t m_searchRequests = 0;
    std::optional<uci::SpinRange> m_eloRange;
    std::vector<uci::UciOption> m_declaredOptions;
    // Cancelled when the object goes away, so suspended operations return without touching it.
    platform::CancellationSource m_lifetime;

    QThread m_thread;
    std::unique_ptr<uci::UciEngineWorker> m_worker;
};

} // namespace velkor
