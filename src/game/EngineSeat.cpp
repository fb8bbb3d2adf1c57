#include "EngineSeat.h"

#include "platform/Published.h"

#include <QTimer>
#include <utility>

namespace velkor {

EngineSeat::EngineSeat(QObject* parent) : QObject(parent) {}

EngineSeat::~EngineSeat() {
    m_process.reset();
    for (const QPointer<UCIEngineProcess>& retired : m_retired) {
        delete retired.data();
    }
}

void EngineSeat::setLimitElo(bool limit) {
    platform::publish(this, m_limitElo, limit, &EngineSeat::limitEloChanged);
}

void EngineSeat::setElo(std::int64_t elo) {
    platform::publish(this, m_elo, elo, &EngineSeat::eloChanged);
}

void EngineSeat::setOptions(const EngineSessionOptions& options, platform::TimeSource clock) {
    m_options = options;
    m_clock = std::move(clock);
}

UCIEngineProcess& EngineSeat::seat(const EngineConfiguration& selection) {
    EngineConfiguration config = selection;
    config.limitElo = m_limitElo;
    config.elo = m_elo;
    // Engines in a game always search a single line.
    config.multiPV = 1;
    auto process =
        std::make_unique<UCIEngineProcess>(std::move(config), m_options.handshakeTimeoutSeconds,
                                           EngineProcessEnvironment{m_clock, m_options.killGrace});
    UCIEngineProcess& seated = *process;
    replaceProcess(std::move(process));
    // Each report is handed over as a separate main-thread step: the session never acts on the
    // game from inside the engine's own delivery.
    m_reportReceiver = std::make_unique<QObject>();
    connect(
        &seated, &UCIEngineProcess::evaluationUpdated, m_reportReceiver.get(),
        [this](const EngineEvaluation& evaluation, const std::vector<EngineEvaluation>& lines) {
            emit evaluationReported(evaluation, lines);
        },
        Qt::QueuedConnection);
    connect(
        &seated, &UCIEngineProcess::terminatedUnexpectedly, m_reportReceiver.get(),
        [this](const QString& message) { emit engineFailed(message); }, Qt::QueuedConnection);
    return seated;
}

void EngineSeat::vacate() {
    if (m_process) {
        replaceProcess(nullptr);
    }
}

void EngineSeat::terminate() {
    if (m_process) {
        m_process->terminate();
    }
}

void EngineSeat::stopSearch() {
    if (m_process) {
        m_process->stop();
    }
}

void EngineSeat::sendStrength() {
    if (m_process) {
        m_process->updateElo(m_limitElo, m_elo);
    }
}

QCoro::Task<SearchOutcome> EngineSeat::search(const ChessBoard& board,
                                              const uci::SearchLimits& limits) {
    if (!m_process) {
        return []() -> QCoro::Task<SearchOutcome> { co_return std::nullopt; }();
    }
    std::vector<std::string> moves;
    moves.reserve(board.history().size());
    for (const MoveRecord& record : board.history()) {
        moves.push_back(record.move.uciString());
    }
    m_process->sendPosition(board.initialFEN(), moves);
    return m_process->search(limits);
}

void EngineSeat::replaceProcess(std::unique_ptr<UCIEngineProcess> process) {
    // The reports of the engine going out, queued or still to come, reach nobody.
    m_reportReceiver.reset();
    std::unique_ptr<UCIEngineProcess> previous = std::exchange(m_process, std::move(process));
    emit processChanged(m_process.get());
    retire(std::move(previous));
}

void EngineSeat::retire(std::unique_ptr<UCIEngineProcess> process) {
    if (!process) {
        return;
    }
    process->terminate();
    std::erase_if(m_retired,
                  [](const QPointer<UCIEngineProcess>& retired) { return retired.isNull(); });
    m_retired.emplace_back(process.get());
    // Deleted once its child has surely ended (asked now, killed after the grace period), so
    // the deletion never waits for an engine that hangs; nothing that refers to it in the
    // current step is left dangling either.
    UCIEngineProcess* retired = process.release();
    QTimer::singleShot(m_options.killGrace + std::chrono::milliseconds(100), retired,
                       &QObject::deleteLater);
}

} // namespace velkor
