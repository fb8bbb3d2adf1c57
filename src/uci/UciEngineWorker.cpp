#include "UciEngineWorker.h"

#include "EngineChildProcess.h"

#include <QTimer>

namespace velkor::uci {

UciEngineWorker::UciEngineWorker(platform::TimeSource clock, std::chrono::milliseconds killGrace,
                                 Sink sink)
    : m_clock(std::move(clock)), m_killGrace(killGrace), m_sink(std::move(sink)) {}

UciEngineWorker::~UciEngineWorker() = default;

bool UciEngineWorker::launch(const QString& path) {
    auto* process = new QProcess(this);
    prepareEngineProcess(*process, path);
    process->start();
    if (!process->waitForStarted()) {
        log("Failed to start process: " + process->errorString().toStdString());
        delete process;
        return false;
    }
    connect(process, &QProcess::readyReadStandardOutput, this, &UciEngineWorker::readOutput);
    connect(process, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus) { childFinished(exitCode); });
    m_process = process;
    log("Started engine process: " + path.toStdString());
    // Output that came while we waited for the start raised no signal we were connected to.
    if (process->bytesAvailable() > 0) {
        readOutput();
    }
    return true;
}

void UciEngineWorker::write(const std::string& command) {
    log("> " + command);
    if (!m_process || m_process->state() != QProcess::Running) {
        return;
    }
    std::string line = command;
    line += '\n';
    m_process->write(line.data(), static_cast<qint64>(line.size()));
}

void UciEngineWorker::log(std::string text) {
    withState([&text](UciOutputState& state) { state.appendLog(std::move(text)); });
    scheduleFlush();
}

void UciEngineWorker::readOutput() {
    if (!m_process) {
        return;
    }
    const QByteArray data = m_process->readAllStandardOutput();
    if (data.isEmpty()) {
        return;
    }
    const double now = m_clock();
    bool pending = false;
    {
        std::lock_guard lock(m_stateMutex);
        m_splitter.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                        [&](std::string_view line) {
                            LineEffect effect = m_state.consumeLine(line, now);
                            switch (effect.kind) {
                            case LineEffect::Kind::uciOk:
                            case LineEffect::Kind::readyOk:
                                pending = true;
                                if (m_sink.handshakeAnswer) {
                                    m_sink.handshakeAnswer(effect.kind == LineEffect::Kind::uciOk);
                                }
                                break;
                            case LineEffect::Kind::bestMove:
                                // Everything up to the best move went with it.
                                pending = false;
                                if (m_sink.bestMove) {
                                    m_sink.bestMove(std::move(effect.batch),
                                                    std::move(effect.bestMove), effect.arrivalTime,
                                                    effect.searchSerial);
                                }
                                break;
                            default:
                                pending = true;
                            }
                        });
    }
    if (pending) {
        scheduleFlush();
    }
}

void UciEngineWorker::childFinished(int exitCode) {
    readOutput();
    if (m_killTimer) {
        m_killTimer->stop();
    }
    if (m_process) {
        m_process->deleteLater();
        m_process = nullptr;
    }
    if (m_sink.childExited) {
        m_sink.childExited(exitCode);
    }
}

void UciEngineWorker::stopChild() {
    if (!m_process || m_process->state() == QProcess::NotRunning) {
        return;
    }
    m_process->terminate();
    if (!m_killTimer) {
        m_killTimer = std::make_unique<QTimer>();
        m_killTimer->setSingleShot(true);
        connect(m_killTimer.get(), &QTimer::timeout, this, [this] {
            if (m_process && m_process->state() != QProcess::NotRunning) {
                m_process->kill();
            }
        });
    }
    m_killTimer->start(m_killGrace);
}

void UciEngineWorker::shutDown() {
    m_sink = {};
    m_flushTimer.reset();
    m_killTimer.reset();
    if (m_process) {
        std::unique_ptr<QProcess> process(m_process.data());
        m_process = nullptr;
        process->disconnect(this);
        if (process->state() == QProcess::Running) {
            process->write("quit\n");
        }
        endChildProcess(*process, m_killGrace);
    }
}

void UciEngineWorker::scheduleFlush() {
    if (!m_flushTimer) {
        m_flushTimer = std::make_unique<QTimer>();
        m_flushTimer->setSingleShot(true);
        m_flushTimer->setTimerType(Qt::PreciseTimer);
        connect(m_flushTimer.get(), &QTimer::timeout, this, &UciEngineWorker::flush);
    }
    if (!m_flushTimer->isActive()) {
        m_flushTimer->start(flushInterval);
    }
}

void UciEngineWorker::flush() {
    // Handed on under the lock: a search that clears the state meanwhile waits for it, so its
    // cleared lines reach the main thread after this batch of the previous search, not before.
    std::lock_guard lock(m_stateMutex);
    OutputBatch batch = m_state.takePending();
    if (!batch.isEmpty() && m_sink.batch) {
        m_sink.batch(std::move(batch));
    }
}

} // namespace velkor::uci
