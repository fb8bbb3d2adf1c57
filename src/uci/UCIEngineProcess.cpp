#include "UCIEngineProcess.h"

#include "EngineChildProcess.h"
#include "UciEngineWorker.h"
#include "UciText.h"
#include "platform/Published.h"

#include <QFileInfo>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <cmath>

namespace velkor {

namespace {

// An engine that ends before it is ready has crashed or refused us; waiting out the time limit
// would be the wrong story.
std::string exitedDuringHandshakeText(int status) {
    return "Engine exited with status " + std::to_string(status) + " during the UCI handshake.";
}

// How long past its fixed move time an engine may go on thinking before it is told to stop.
constexpr std::chrono::milliseconds moveTimeGrace{1000};
// How long a search that must wait for the engine to answer a stopped one waits at most.
constexpr std::chrono::milliseconds longestIdleWait{1000};
// Longer move times are left to the engine (and out of the timer's range).
constexpr std::int64_t longestWatchedMoveTimeMs = 1'000'000'000;

QStringList toLogLines(const std::vector<std::string>& lines) {
    QStringList result;
    result.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines) {
        result.append(QString::fromStdString(line));
    }
    return result;
}

} // namespace

UCIEngineProcess::UCIEngineProcess(EngineConfiguration config, double handshakeTimeout,
                                   EngineProcessEnvironment environment, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_handshakeTimeout(handshakeTimeout) {
    uci::ignoreBrokenPipeSignal();

    // The sink runs on the worker thread; everything it reports is handled here on ours.
    uci::UciEngineWorker::Sink sink;
    sink.batch = [this](uci::OutputBatch batch) {
        postToSelf([this, log = toLogLines(batch.log), evaluation = std::move(batch.evaluation)] {
            apply(log, evaluation);
        });
    };
    sink.bestMove = [this](uci::OutputBatch batch, std::string move, double arrivalTime,
                           std::uint64_t searchSerial) {
        postToSelf([this, log = toLogLines(batch.log), evaluation = std::move(batch.evaluation),
                    move = std::move(move), arrivalTime, searchSerial] {
            deliverBestMove(log, evaluation, move, arrivalTime, searchSerial);
        });
    };
    sink.handshakeAnswer = [this](bool uciOk) {
        postToSelf([this, uciOk] { answerHandshake(uciOk, true); });
    };
    sink.childExited = [this](int status) {
        postToSelf([this, status] { processDidTerminate(status); });
    };

    m_worker = std::make_unique<uci::UciEngineWorker>(std::move(environment.clock),
                                                      environment.killGrace, std::move(sink));
    m_thread.setObjectName(QStringLiteral("org.brontil.uci.") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

UCIEngineProcess::~UCIEngineProcess() {
    m_lifetime.cancel();
    m_intentionalTermination = true;
    answerAllHandshakes(false);
    answerIdleWaiter(false);
    answerSearch(std::nullopt);
    runOnWorkerAndWait([worker = m_worker.get()] { worker->shutDown(); });
    m_thread.quit();
    m_thread.wait();
}

QCoro::Task<bool> UCIEngineProcess::start() {
    if (m_config.isBuiltIn) {
        setIsRunning(true);
        co_return true;
    }
    const QString path = m_config.executablePath;
    const QFileInfo file(path);
    if (!file.isFile() || !file.isExecutable()) {
        appendLog("Error: Executable not found or not executable at: " + path.toStdString());
        co_return false;
    }

    m_intentionalTermination = false;
    m_exitStatus.reset();
    bool launched = false;
    runOnWorkerAndWait(
        [&launched, worker = m_worker.get(), path] { launched = worker->launch(path); });
    if (!launched) {
        setIsRunning(false);
        co_return false;
    }
    m_hasChild = true;

    const platform::CancellationToken alive = m_lifetime.token();
    const std::string timeout = uci::secondsText(m_handshakeTimeout);
    const bool uciOk = co_await sendAndWait("uci", true);
    if (alive.isCancelled()) {
        co_return false;
    }
    if (!uciOk) {
        appendLog(m_exitStatus ? exitedDuringHandshakeText(*m_exitStatus)
                               : "Engine did not complete the UCI handshake within " + timeout +
                                     " seconds.");
        shutDownProcess();
        co_return false;
    }

    auto [declared, offersLimitStrength,
          eloRange] = m_worker->withState([](const uci::UciOutputState& state) {
        return std::tuple(state.declaredOptions(),
                          state.offeredOptions().contains("uci_limitstrength"), state.eloRange());
    });
    m_canLimitStrength = offersLimitStrength;
    m_eloRange = eloRange;
    platform::publish(this, m_declaredOptions, std::move(declared),
                      &UCIEngineProcess::declaredOptionsChanged);
    const uci::StartupOptions startup =
        uci::startupOptionCommands(m_declaredOptions, m_config.startupOptionValues());
    for (const auto& note : startup.skipped) {
        appendLog(note);
    }
    for (const auto& command : startup.commands) {
        send(command);
    }
    if (!offersLimitStrength) {
        if (m_config.limitElo) {
            appendLog("Engine offers no UCI_LimitStrength: the Elo limit is ignored, it plays at "
                      "full strength.");
        }
    } else {
        for (const auto& command :
             uci::strengthCommands(m_config.limitElo, m_config.elo, m_eloRange)) {
            send(command);
        }
    }
    if (m_config.multiPV && *m_config.multiPV >= 2) {
        send(uci::setOptionCommand("MultiPV", std::to_string(*m_config.multiPV)));
    }

    const bool ready = co_await sendAndWait("isready", false);
    if (alive.isCancelled()) {
        co_return false;
    }
    if (!ready) {
        appendLog(m_exitStatus ? exitedDuringHandshakeText(*m_exitStatus)
                               : "Engine did not become ready within " + timeout + " seconds.");
        shutDownProcess();
        co_return false;
    }
    setIsRunning(true);
    co_return true;
}

QCoro::Task<bool> UCIEngineProcess::newGame() {
    if (m_config.isBuiltIn) {
        co_return true;
    }
    if (!m_hasChild) {
        co_return false;
    }
    send("ucinewgame");
    co_return co_await sendAndWait("isready", false);
}

QCoro::Task<bool> UCIEngineProcess::sendAndWait(std::string command, bool forUciOk) {
    if (!m_hasChild) {
        co_return false;
    }
    const platform::CancellationToken alive = m_lifetime.token();
    // A second wait of the same kind replaces the first, which is answered false.
    answerHandshake(forUciOk, false);
    const quint64 id = ++m_lastHandshakeId;
    uci::OneShotAnswer answer;
    pendingHandshake(forUciOk) = PendingHandshake{id, answer};
    send(command);

    const auto timeout = std::chrono::milliseconds(std::llround(m_handshakeTimeout * 1000.0));
    QTimer::singleShot(timeout, Qt::PreciseTimer, this, [this, forUciOk, id] {
        auto& pending = pendingHandshake(forUciOk);
        if (pending && pending->id == id) {
            answerHandshake(forUciOk, false);
        }
    });
    const bool answered = co_await answer;
    co_return answered && !alive.isCancelled();
}

std::optional<UCIEngineProcess::PendingHandshake>&
UCIEngineProcess::pendingHandshake(bool forUciOk) {
    return forUciOk ? m_pendingUciOk : m_pendingReady;
}

void UCIEngineProcess::answerHandshake(bool forUciOk, bool value) {
    auto& pending = pendingHandshake(forUciOk);
    if (pending) {
        // Cleared before answering; the copy shares the waiter.
        uci::OneShotAnswer waiter = pending->answer;
        pending.reset();
        waiter.answer(value);
    }
}

void UCIEngineProcess::answerAllHandshakes(bool value) {
    answerHandshake(true, value);
    answerHandshake(false, value);
}

void UCIEngineProcess::sendPosition(const std::optional<std::string>& fen,
                                    const std::vector<std::string>& moves) {
    send(uci::positionCommand(fen, moves));
}

QCoro::Task<SearchOutcome> UCIEngineProcess::search(uci::SearchLimits limits) {
    // Whoever still awaited an earlier search gets nothing: its answer belongs to no position
    // anybody plays any more.
    const bool replacing = m_pendingSearch.has_value();
    answerSearch(std::nullopt);
    const std::uint64_t request = ++m_searchRequests;
    const platform::CancellationToken alive = m_lifetime.token();
    if (m_strengthPending && isSearching()) {
        // A strength was changed during the last search, so that this one is played at it: it
        // can only be sent once the engine has answered the last search.
        if (replacing) {
            askToStop();
        }
        const bool idle = co_await idleOrTimeout();
        // Ended, stopped or replaced meanwhile: nobody waits for this search any more.
        if (alive.isCancelled() || request != m_searchRequests || !m_hasChild) {
            co_return std::nullopt;
        }
        // An engine that does not answer a stopped search is not going to be idle; it gets the
        // strength anyway, as before the wait, rather than playing on at the old one.
        if (!idle) {
            sendPendingStrength(true);
        }
    }
    sendPendingStrength();
    const std::uint64_t serial =
        m_worker->withState([](uci::UciOutputState& state) { return state.beginSearch(); });
    m_searchSerial = serial;
    uci::OneShot<SearchOutcome> answer;
    m_pendingSearch = PendingSearch{serial, answer};
    // Posted, not set at once, so that a batch of the previous search that is already on its way
    // cannot overwrite the cleared lines.
    postToSelf([this] {
        setAnalysisLines({});
        setCurrentEvaluation({});
    });
    postToSelf([this] { setIsThinking(true); });
    send(uci::goCommand(limits));
    // An engine that overruns a fixed move time is reminded once, so nobody waits for ever.
    const std::optional<std::int64_t> moveTime = uci::requestedMoveTime(limits);
    if (moveTime && *moveTime <= longestWatchedMoveTimeMs) {
        QTimer::singleShot(std::chrono::milliseconds(std::max<std::int64_t>(*moveTime, 0)) +
                               moveTimeGrace,
                           Qt::PreciseTimer, this, [this, serial] {
                               if (m_searchSerial == serial) {
                                   askToStop();
                               }
                           });
    }

    SearchOutcome outcome = co_await answer;
    if (alive.isCancelled()) {
        co_return std::nullopt;
    }
    // The awaiter takes the answer in this same main-thread step, so it is handled from here on.
    if (outcome && m_searchSerial == serial) {
        m_worker->withState([](uci::UciOutputState& state) { state.markBestMoveHandled(); });
    }
    co_return outcome;
}

void UCIEngineProcess::stop() {
    ++m_searchRequests;
    answerSearch(std::nullopt);
    askToStop();
}

void UCIEngineProcess::answerSearch(SearchOutcome outcome) {
    if (m_pendingSearch) {
        // Cleared before answering; the copy shares the waiter.
        uci::OneShot<SearchOutcome> waiter = m_pendingSearch->answer;
        m_pendingSearch.reset();
        waiter.answer(std::move(outcome));
    }
}

void UCIEngineProcess::askToStop() {
    // Only a search that is still unanswered is stopped: an idle engine that answered a stray
    // "stop" with a best move would have it taken for the answer of its next search.
    const bool searching = m_worker->withState(
        [](const uci::UciOutputState& state) { return state.hasUnansweredSearch(); });
    if (searching) {
        send("stop");
    }
}

void UCIEngineProcess::terminate() {
    shutDownProcess();
    setIsRunning(false);
    setIsThinking(false);
}

bool UCIEngineProcess::setOptionValue(const QString& name, const QString& value) {
    const uci::UciOption* option = uci::findOption(m_declaredOptions, name.toStdString());
    if (!m_isRunning || isSearching() || option == nullptr || !uci::isFreeOption(option->name)) {
        return false;
    }
    const auto accepted = uci::acceptedValue(*option, value.toStdString());
    if (!accepted) {
        return false;
    }
    // One entry per option, whatever case an older entry was stored in.
    const QString declaredName = QString::fromStdString(option->name);
    for (auto it = m_config.optionValues.begin(); it != m_config.optionValues.end();) {
        it = uci::sameOptionName(it.key().toStdString(), option->name)
                 ? m_config.optionValues.erase(it)
                 : std::next(it);
    }
    m_config.optionValues.insert(declaredName, QString::fromStdString(*accepted));
    send(uci::setOptionValueCommand(*option, *accepted));
    return true;
}

bool UCIEngineProcess::pressButton(const QString& name) {
    const uci::UciOption* option = uci::findOption(m_declaredOptions, name.toStdString());
    if (!m_isRunning || isSearching() || option == nullptr ||
        option->type != uci::UciOption::Type::button || !uci::isFreeOption(option->name)) {
        return false;
    }
    send(uci::pressButtonCommand(*option));
    return true;
}

void UCIEngineProcess::updateElo(bool limitElo, std::int64_t elo) {
    m_config.limitElo = limitElo;
    m_config.elo = elo;
    if (m_canLimitStrength == false) {
        return;
    }
    m_strengthPending = true;
    sendPendingStrength();
}

bool UCIEngineProcess::isSearching() const {
    // The worker's state knows of a search from the moment it is begun, before the engine gets
    // its "go", and until the best move is read; the published thinking state follows later.
    return m_worker->withState(
        [](const uci::UciOutputState& state) { return state.hasUnansweredSearch(); });
}

uci::OneShotAnswer UCIEngineProcess::idleOrTimeout() {
    answerIdleWaiter(false);
    uci::OneShotAnswer idle;
    m_idleWaiter = idle;
    // An engine that never answers a stopped search must not hold the next one for ever.
    // Engines answer "stop" within milliseconds; the handshake's limit bounds it for tests.
    const auto limit = std::min(
        std::chrono::milliseconds(std::llround(m_handshakeTimeout * 1000.0)), longestIdleWait);
    QTimer::singleShot(limit, Qt::PreciseTimer, this, [idle]() mutable { idle.answer(false); });
    return idle;
}

void UCIEngineProcess::answerIdleWaiter(bool value) {
    if (m_idleWaiter) {
        uci::OneShotAnswer waiter = *m_idleWaiter;
        m_idleWaiter.reset();
        waiter.answer(value);
    }
}

void UCIEngineProcess::sendPendingStrength(bool evenWhileSearching) {
    // Engines read options only between searches: one sent during a search is ignored, or
    // changes the search under way. The latest strength waits for the engine to be idle.
    if (!m_strengthPending || (isSearching() && !evenWhileSearching)) {
        return;
    }
    m_strengthPending = false;
    for (const auto& command : uci::strengthCommands(m_config.limitElo, m_config.elo, m_eloRange)) {
        send(command);
    }
}

void UCIEngineProcess::send(const std::string& command) {
    if (isOnWorkerThread()) {
        m_worker->write(command);
    } else {
        postToWorker([worker = m_worker.get(), command] { worker->write(command); });
    }
}

bool UCIEngineProcess::hasUnhandledBestMove() const {
    return m_worker->withState(
        [](const uci::UciOutputState& state) { return state.hasUnhandledBestMove(); });
}

void UCIEngineProcess::appendLog(std::string text) {
    postToWorker([worker = m_worker.get(), text = std::move(text)]() mutable {
        worker->log(std::move(text));
    });
}

void UCIEngineProcess::shutDownProcess() {
    m_intentionalTermination = true;
    if (m_hasChild) {
        send("quit");
        postToWorker([worker = m_worker.get()] { worker->stopChild(); });
        m_hasChild = false;
    }
    answerAllHandshakes(false);
    answerIdleWaiter(false);
    answerSearch(std::nullopt);
}

void UCIEngineProcess::processDidTerminate(int status) {
    const bool intentional = m_intentionalTermination;
    m_exitStatus = status;
    m_hasChild = false;
    answerAllHandshakes(false);
    answerIdleWaiter(false);
    answerSearch(std::nullopt);
    setIsRunning(false);
    setIsThinking(false);
    if (!intentional) {
        emit terminatedUnexpectedly(
            QStringLiteral("Engine process exited with status %1.").arg(status));
    }
}

void UCIEngineProcess::apply(const QStringList& log,
                             const std::optional<uci::PendingEvaluation>& evaluation) {
    if (!log.isEmpty()) {
        m_logLines.append(log);
        if (m_logLines.size() > maxLogLines) {
            m_logLines.remove(0, m_logLines.size() - keptLogLines);
        }
        emit logLinesChanged(m_logLines);
    }
    if (!evaluation) {
        return;
    }
    setAnalysisLines(evaluation->lines);
    if (evaluation->principal) {
        setCurrentEvaluation(*evaluation->principal);
    }
    emit evaluationUpdated(evaluation->principal ? *evaluation->principal : evaluation->latest,
                           evaluation->lines);
}

void UCIEngineProcess::deliverBestMove(const QStringList& log,
                                       const std::optional<uci::PendingEvaluation>& evaluation,
                                       const std::string& move, double arrivalTime,
                                       std::uint64_t searchSerial) {
    apply(log, evaluation);
    // A newer search began while this answer was on its way: it answers a search nobody waits
    // for any more, and the newer one is still thinking.
    if (searchSerial != m_searchSerial) {
        return;
    }
    setIsThinking(false);
    answerIdleWaiter(true);
    sendPendingStrength();
    if (m_pendingSearch && m_pendingSearch->serial == searchSerial) {
        answerSearch(SearchAnswer{move, arrivalTime});
    } else {
        // The search was stopped: nobody takes this answer, so none is pending for the clock.
        m_worker->withState([](uci::UciOutputState& state) { state.markBestMoveHandled(); });
    }
}

void UCIEngineProcess::setIsRunning(bool value) {
    platform::publish(this, m_isRunning, value, &UCIEngineProcess::isRunningChanged);
}

void UCIEngineProcess::setIsThinking(bool value) {
    platform::publish(this, m_isThinking, value, &UCIEngineProcess::isThinkingChanged);
}

void UCIEngineProcess::setCurrentEvaluation(const EngineEvaluation& value) {
    platform::publish(this, m_currentEvaluation, value,
                      &UCIEngineProcess::currentEvaluationChanged);
}

void UCIEngineProcess::setAnalysisLines(const std::vector<EngineEvaluation>& value) {
    platform::publish(this, m_analysisLines, value, &UCIEngineProcess::analysisLinesChanged);
}

bool UCIEngineProcess::isOnWorkerThread() const {
    return QThread::currentThread() == &m_thread;
}

template <typename Action>
void UCIEngineProcess::postToWorker(Action&& action) {
    QMetaObject::invokeMethod(m_worker.get(), std::forward<Action>(action), Qt::QueuedConnection);
}

template <typename Action>
void UCIEngineProcess::runOnWorkerAndWait(Action&& action) {
    if (isOnWorkerThread()) {
        action();
    } else {
        QMetaObject::invokeMethod(m_worker.get(), std::forward<Action>(action),
                                  Qt::BlockingQueuedConnection);
    }
}

template <typename Action>
void UCIEngineProcess::postToSelf(Action&& action) {
    QMetaObject::invokeMethod(this, std::forward<Action>(action), Qt::QueuedConnection);
}

} // namespace velkor
