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
    // Each report is handed over as a separate main-thread step: the session never acts on the
    // game from inside the engine's own delivery. Queued on the seat, so none arrives after it.
    const QPointer<UCIEngineProcess> engine(&seated);
    seated.setOnEvaluationUpdate([this, engine](const EngineEvaluation& evaluation) {
        QMetaObject::invokeMethod(
            this, [this, engine, evaluation] { takeEvaluation(engine.data(), evaluation); },
            Qt::QueuedConnection);
    });
    seated.setOnUnexpectedTermination([this, engine](const QString& message) {
        QMetaObject::invokeMethod(
            this, [this, engine, message] { takeFailure(engine.data(), message); },
            Qt::QueuedConnection);
    });
    replaceProcess(std::move(process));
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

void EngineSeat::requestMove(const ChessBoard& board, const uci::SearchLimits& limits,
                             UCIEngineProcess::BestMoveCallback onBestMove) {
    if (!m_process) {
        return;
    }
    std::vector<std::string> moves;
    moves.reserve(board.history().size());
    for (const MoveRecord& record : board.history()) {
        moves.push_back(record.move.uciString());
    }
    m_process->sendPosition(board.initialFEN(), moves);
    m_process->search(limits, std::move(onBestMove));
}

void EngineSeat::takeEvaluation(const UCIEngineProcess* from, const EngineEvaluation& evaluation) {
    if (holds(from) && m_reports.evaluation) {
        m_reports.evaluation(evaluation, m_process->analysisLines());
    }
}

void EngineSeat::takeFailure(const UCIEngineProcess* from, const QString& message) {
    if (holds(from) && m_reports.failure) {
        m_reports.failure(message);
    }
}

void EngineSeat::replaceProcess(std::unique_ptr<UCIEngineProcess> process) {
    std::unique_ptr<UCIEngineProcess> previous = std::exchange(m_process, std::move(process));
    emit processChanged(m_process.get());
    retire(std::move(previous));
}

void EngineSeat::retire(std::unique_ptr<UCIEngineProcess> process) {
    if (!process) {
        return;
    }
    process->setOnEvaluationUpdate({});
    process->setOnUnexpectedTermination({});
    process->setOnBestMove({});
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
