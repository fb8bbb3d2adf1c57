#pragma once

#include "QStringPrinter.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <utility>

namespace velkor::testing {

// A fake UCI engine for one test: `script` (see fake_engine/FakeUciEngine.cpp) in a private
// folder, plus an executable wrapper that starts the fake engine with it. The engine writes its
// process id and records every command it receives there.
class FakeEngine {
public:
    explicit FakeEngine(const QString& script, const QString& fileName = QStringLiteral("engine"));

    // The executable to configure as the engine.
    QString path() const { return m_path; }
    // The running engine's process id, once it has started (waits up to two seconds).
    std::optional<qint64> pid() const;
    // Every command the engine received so far, in order.
    QStringList receivedCommands() const;

    // A well-behaved handshake: id lines, the given option lines, "uciok", and "readyok" for
    // every "isready".
    static QString handshake(const QStringList& optionLines = {});

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// The scripts of two fake engines that play `plies` in turn, White first. Before each move its
// engine reports the score it gives the position, from its own side; after the last move the
// engine to move thinks without end. An engine game grades a move once the reply is played, by
// the mover's score and the reply's: the loss of ply p is score p plus score p + 1, and the
// last move stays ungraded.
struct ScriptedEngineGame {
    QString white;
    QString black;
};
ScriptedEngineGame scriptedEngineGame(const QList<std::pair<QString, int>>& plies);

// Whether the process is gone for good (exited and reaped, so not even a zombie is left).
bool processIsGone(qint64 pid);

// Waits up to `timeout` for the process to be gone.
bool waitUntilGone(qint64 pid, std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace velkor::testing
