#pragma once

#include "chess/ChessBoard.h"
#include "platform/Uptime.h"
#include "uci/EngineConfiguration.h"
#include "uci/EngineEvaluation.h"
#include "uci/UCIEngineProcess.h"
#include "uci/UciProtocol.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <qcoro/qcorotask.h>
#include <vector>

namespace velkor {

// What tests and tools may change in how the session runs its engines.
struct EngineSessionOptions {
    // Limit of each wait for "uciok" and "readyok" while an engine starts, in seconds.
    double handshakeTimeoutSeconds = 5.0;
    // The pause before each engine move in engine-against-engine games.
    std::chrono::milliseconds engineMovePause{200};
    // How long an engine may take to end before it is killed.
    std::chrono::milliseconds killGrace = uci::defaultKillGrace;
};

// One colour's engine player in the game session: the strength it plays at, the engine process
// of the game in play (the only owner of it), the search of each of its turns, and the
// retirement of an engine that is replaced. Reports of the engine reach the seat's listeners in a
// later main-thread step, and only while that engine is still the one in the seat: a replaced
// engine's late evaluation or crash concerns no game in play. Main thread.
class EngineSeat : public QObject {
    Q_OBJECT
    Q_PROPERTY(velkor::UCIEngineProcess* process READ process NOTIFY processChanged)
    Q_PROPERTY(bool limitElo READ limitElo WRITE setLimitElo NOTIFY limitEloChanged)
    Q_PROPERTY(qint64 elo READ elo WRITE setElo NOTIFY eloChanged)

public:
    explicit EngineSeat(QObject* parent = nullptr);
    // Ends and deletes the engine in the seat and those retired and not yet deleted.
    ~EngineSeat() override;
    EngineSeat(const EngineSeat&) = delete;
    EngineSeat& operator=(const EngineSeat&) = delete;

    // The engine in the seat; null when empty. A replaced engine stays valid at least until the
    // event loop runs again.
    UCIEngineProcess* process() const { return m_process.get(); }
    // Whether `process` is the engine in the seat (never true for null).
    bool holds(const UCIEngineProcess* process) const {
        return process && process == m_process.get();
    }
    bool limitElo() const { return m_limitElo; }
    std::int64_t elo() const { return m_elo; }
    // The strength of the engines seated from now on.
    void setLimitElo(bool limit);
    void setElo(std::int64_t elo);

    // Take effect for the engines seated from now on (the kill grace also for retirements).
    void setOptions(const EngineSessionOptions& options, platform::TimeSource clock);

    // Makes an engine (not started yet) from a copy of `selection` with the seat's strength and
    // a single line, and seats it; the engine seated before is retired.
    UCIEngineProcess& seat(const EngineConfiguration& selection);
    // Retires the engine in the seat, if any.
    void vacate();
    // Ends the engine in the seat at once, without waiting for it and without a report.
    void terminate();
    // Stops the search of the engine in the seat: it completes as stopped, and the engine's
    // answer is only logged.
    void stopSearch();
    // Sends the seat's strength to the engine in the seat.
    void sendStrength();

    // Sends the game of `board` to the engine in the seat and searches it within `limits` (see
    // UCIEngineProcess::search); an empty seat answers at once without a move.
    QCoro::Task<SearchOutcome> search(const ChessBoard& board, const uci::SearchLimits& limits);

signals:
    void processChanged(velkor::UCIEngineProcess* process);
    void limitEloChanged(bool limit);
    void eloChanged(qint64 elo);
    // An evaluation of the engine in the seat with all its lines, and its unexpected end.
    void evaluationReported(const velkor::EngineEvaluation& evaluation,
                            const std::vector<velkor::EngineEvaluation>& lines);
    void engineFailed(const QString& message);

private:
    void replaceProcess(std::unique_ptr<UCIEngineProcess> process);
    // Ends a replaced engine and deletes it later, once its child has ended.
    void retire(std::unique_ptr<UCIEngineProcess> process);

    std::unique_ptr<UCIEngineProcess> m_process;
    bool m_limitElo = false;
    std::int64_t m_elo = 1800;
    // The receiving end of the reports of the engine in the seat. It goes with that engine, and
    // with it every report still queued for it: the one guard against late reports.
    std::unique_ptr<QObject> m_reportReceiver;
    EngineSessionOptions m_options;
    platform::TimeSource m_clock = platform::systemUptime;
    // Replaced engines whose deletion is pending; the destructor deletes those still there.
    std::vector<QPointer<UCIEngineProcess>> m_retired;
};

} // namespace velkor
