#pragma once

#include "UciLineSplitter.h"
#include "UciOutputState.h"
#include "platform/Uptime.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QTimer;

namespace velkor::uci {

// One engine's reading side, living on that engine's own worker thread: it owns the child
// process, splits the output into lines, parses them and hands the results on through its sink.
// Log lines and evaluations are coalesced and handed on at most once per 0.1 seconds; handshake
// answers, best moves and the child's exit at once. Apart from withState(), every member must be
// called on the worker thread.
class UciEngineWorker : public QObject {
public:
    // Called on the worker thread; the receiver forwards to wherever it lives. `batch`,
    // `bestMove` and `handshakeAnswer` run while the worker holds its state lock (so that a search
    // begun on another thread cannot clear the state between reading a line and handing on its
    // result): they must only post onward and return, never block, wait for another thread or
    // call withState(), which would deadlock. `childExited` runs without the lock.
    struct Sink {
        std::function<void(OutputBatch)> batch;
        // A best move of the search numbered `searchSerial`, the one begun last when it was read.
        std::function<void(OutputBatch, std::string move, double arrivalTime,
                           std::uint64_t searchSerial)>
            bestMove;
        // true for "uciok", false for "readyok".
        std::function<void(bool uciOk)> handshakeAnswer;
        // The exit code, or the signal number when the child was killed by one.
        std::function<void(int status)> childExited;
    };

    UciEngineWorker(platform::TimeSource clock, std::chrono::milliseconds killGrace, Sink sink);
    ~UciEngineWorker() override;

    static constexpr std::chrono::milliseconds flushInterval{100};

    // Starts the engine at `path`; logs "Started engine process: <path>" or "Failed to start
    // process: <reason>". A child that failed to start is dropped.
    bool launch(const QString& path);

    // Logs "> <command>" and writes the command and a line feed to the child, if there is one;
    // a failed write is ignored.
    void write(const std::string& command);

    // Adds a line to the dialogue log.
    void log(std::string text);

    // Asks the child to end now and kills it if it has not after the grace period.
    void stopChild();

    // Final: hands nothing on any more, ends and reaps the child, releases everything that
    // belongs to this thread. Blocks for at most the grace period plus the kill.
    void shutDown();

    // Runs `action` on the parse state under its lock; safe from any thread.
    template <typename Action>
    decltype(auto) withState(Action&& action) {
        std::lock_guard lock(m_stateMutex);
        return action(m_state);
    }

private:
    void readOutput();
    void childFinished(int exitCode);
    void scheduleFlush();
    void flush();

    platform::TimeSource m_clock;
    std::chrono::milliseconds m_killGrace;
    Sink m_sink;

    std::mutex m_stateMutex;
    UciOutputState m_state;

    UciLineSplitter m_splitter;
    QPointer<QProcess> m_process;
    std::unique_ptr<QTimer> m_flushTimer;
    std::unique_ptr<QTimer> m_killTimer;
};

} // namespace velkor::uci
