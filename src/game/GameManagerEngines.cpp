// Engine players in the game session: which engine plays which colour, their start before the
// clock runs, each engine turn, the judging of the answers, failures, strength and keep-awake.
#include "GameManager.h"
#include "TurnSearchLimits.h"
#include "platform/Published.h"

#include <QTimer>
#include <qcoro/qcorotimer.h>

namespace velkor {

namespace {

const QString readyText = QStringLiteral("Ready");
const QString thinkingText = QStringLiteral("Thinking...");
const QString noEngineText = QStringLiteral("No engine configured");
const QString startFailureText =
    QStringLiteral("Engine failed to start or complete the UCI handshake.");
const QString illegalMoveText = QStringLiteral("Engine returned an illegal move: ");

// Engines a mode needs: the user's opponent, or both players.
std::size_t requiredEngineCount(GameMode mode) {
    switch (mode) {
    case GameMode::humanVsEngine:
        return 1;
    case GameMode::engineVsEngine:
        return 2;
    case GameMode::humanVsHuman:
        return 0;
    }
    return 0;
}

// A precise wait: the pause between engine moves is part of every engine game's pace, and a
// coarse timer could stretch it by 5 %.
QCoro::Task<> pauseFor(std::chrono::milliseconds duration) {
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(duration);
    co_await timer;
}

// Runs `step` on the manager as a separate main-thread step: engine callbacks never act on the
// game from inside the engine's own delivery. Nothing happens if the manager is gone by then.
template <typename Step>
void postStep(const QPointer<GameManager>& self, Step step) {
    if (!self) {
        return;
    }
    QMetaObject::invokeMethod(
        self.data(),
        [self, step = std::move(step)] {
            if (self) {
                step(*self);
            }
        },
        Qt::QueuedConnection);
}

} // namespace

// Counts a running engine coroutine for as long as its frame lives.
struct EngineTaskFrame {
    explicit EngineTaskFrame(QPointer<GameManager> owner) : manager(std::move(owner)) {
        if (manager) {
            ++manager->m_runningEngineTasks;
        }
    }
    ~EngineTaskFrame() {
        if (manager) {
            --manager->m_runningEngineTasks;
        }
    }
    EngineTaskFrame(const EngineTaskFrame&) = delete;
    EngineTaskFrame& operator=(const EngineTaskFrame&) = delete;

    QPointer<GameManager> manager;
};

void GameManager::setTimeSource(platform::TimeSource now) {
    m_timeSource = now;
    m_whiteSeat.setOptions(m_engineOptions, now);
    m_blackSeat.setOptions(m_engineOptions, now);
    m_clock.setNow(std::move(now));
}

void GameManager::setEngineSessionOptions(const EngineSessionOptions& options) {
    m_engineOptions = options;
    m_whiteSeat.setOptions(options, m_timeSource);
    m_blackSeat.setOptions(options, m_timeSource);
}

std::vector<UCIEngineProcess*> GameManager::setupEnginesForGame() {
    std::vector<UCIEngineProcess*> engines;
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        const std::optional<EngineConfiguration>& selection = selectedEngine(color);
        if (!isEnginePlaying(color) || !selection) {
            continue;
        }
        engines.push_back(&seatOf(color).seat(*selection));
    }
    return engines;
}

void GameManager::launchEngines(const std::vector<UCIEngineProcess*>& engines, bool resumePlay) {
    cancelEngineStartTask();
    const std::size_t expected = requiredEngineCount(m_playingMode);
    if (expected > 0 && engines.size() != expected) {
        // The game cannot begin; an engine made for the other colour would only keep the machine
        // awake for nothing.
        discardEngines();
        setEngineStatusText(noEngineText);
        setIsPaused(true);
        updateKeepAwake();
        return;
    }
    m_engineStartTask.emplace();
    const platform::CancellationToken token = m_engineStartTask->token();
    if (engines.empty()) {
        // Between two people play begins in the next main-thread step.
        QMetaObject::invokeMethod(
            this,
            [this, token, resumePlay] {
                if (!token.isCancelled()) {
                    finishEngineStart(resumePlay);
                }
            },
            Qt::QueuedConnection);
        return;
    }
    std::vector<QPointer<UCIEngineProcess>> starting(engines.begin(), engines.end());
    startEngines(QPointer<GameManager>(this), std::move(starting), token, resumePlay);
}

QCoro::Task<> GameManager::startEngines(QPointer<GameManager> self,
                                        std::vector<QPointer<UCIEngineProcess>> engines,
                                        platform::CancellationToken token, bool resumePlay) {
    const EngineTaskFrame frame(self);
    const auto stillWanted = [&] { return self && !token.isCancelled(); };
    for (const QPointer<UCIEngineProcess>& engine : engines) {
        if (!stillWanted() || !engine) {
            co_return;
        }
        const bool started = co_await engine->start();
        if (!stillWanted() || !engine) {
            co_return;
        }
        // A failed start skips the new game and fails below with the same message.
        const bool ready = started && co_await engine->newGame();
        if (!stillWanted() || !engine) {
            co_return;
        }
        if (!ready) {
            self->m_engineStartTask.reset();
            self->handleEngineFailure(self->colorOf(engine.data()), startFailureText);
            co_return;
        }
        self->m_engines.learnFrom(*engine);
    }
    if (stillWanted()) {
        self->finishEngineStart(resumePlay);
    }
}

void GameManager::finishEngineStart(bool resumePlay) {
    m_engineStartTask.reset();
    setEngineStatusText(readyText);
    // The handshakes have told which engines can play at a limited strength.
    refreshShownGame();
    if (!resumePlay || m_isGameOver) {
        return;
    }
    if (m_isPaused) {
        // Resuming starts the clock instead (a paused clock has no side to run for yet).
        m_clockStartDeferred = true;
        return;
    }
    m_clock.start(m_board.turn());
    triggerEngineIfNeeded();
}

void GameManager::triggerEngineIfNeeded() {
    // While the engines start, their start-up asks for the first turn once they are ready.
    if (m_isGameOver || m_isPaused || m_engineStartTask) {
        return;
    }
    const PieceColor turn = m_board.turn();
    UCIEngineProcess* engine = isEnginePlaying(turn) ? engineProcess(turn) : nullptr;
    if (!engine) {
        if (m_clockWaitsForFirstMove && m_board.history().empty()) {
            m_clock.holdTurn();
        }
        setCurrentlyThinkingColor(std::nullopt);
        setCurrentlyThinkingEngine(std::nullopt);
        return;
    }
    const std::chrono::milliseconds pause = m_playingMode == GameMode::engineVsEngine
                                                ? m_engineOptions.engineMovePause
                                                : std::chrono::milliseconds::zero();
    // The pause that lets a person follow the moves is nobody's thinking time: the engine's
    // clock runs from the moment it is asked, so what it is told is what it really has.
    if (pause > std::chrono::milliseconds::zero()) {
        m_clock.holdTurn();
    }
    setCurrentlyThinkingColor(turn);
    setCurrentlyThinkingEngine(engine->config());
    setEngineStatusText(thinkingText);
    cancelEngineMoveTask();
    m_engineMoveTask.emplace();
    runEngineTurn(QPointer<GameManager>(this), QPointer<UCIEngineProcess>(engine),
                  m_engineMoveTask->token(), pause);
}

QCoro::Task<> GameManager::runEngineTurn(QPointer<GameManager> self,
                                         QPointer<UCIEngineProcess> engine,
                                         platform::CancellationToken token,
                                         std::chrono::milliseconds pause) {
    const EngineTaskFrame frame(self);
    if (pause > std::chrono::milliseconds::zero()) {
        co_await pauseFor(pause);
    }
    if (!self || token.isCancelled() || !engine) {
        co_return;
    }
    // A pause or the end of the game during the wait: no search that nobody would use.
    if (self->m_isGameOver || self->m_isPaused) {
        co_return;
    }
    if (const std::optional<PieceColor> color = self->colorOf(engine.data())) {
        self->requestEngineMove(*color);
    }
}

void GameManager::requestEngineMove(PieceColor color) {
    const QPointer<GameManager> self(this);
    const QPointer<UCIEngineProcess> from(engineProcess(color));
    // The answer reaches the game a step later; a search started meanwhile (a pause and resume,
    // a strength change) makes it the answer of a search nobody waits for any more.
    const std::uint64_t search = ++m_engineSearchSerial;
    auto onBestMove = [self, from, search](const std::string& move, double arrivalTime) {
        postStep(self, [from, move, arrivalTime, search](GameManager& manager) {
            if (manager.m_engineSearchSerial == search) {
                manager.handleEngineBestMove(move, arrivalTime, from.data());
            }
        });
    };
    // The game goes on with the time control it was started with; edits wait for the next one.
    // A held turn starts now whatever the engine is told, so its clock measures its search.
    if (m_gameTimeControl.engineThinkingMode.kind() == EngineThinkingMode::Kind::gameClock ||
        m_clock.isTurnHeld()) {
        m_clock.beginTurn();
    }
    const uci::SearchLimits limits = searchLimitsForTurn(
        m_gameTimeControl, m_clock.whiteRemainingMs(), m_clock.blackRemainingMs());
    seatOf(color).requestMove(m_board, limits, std::move(onBestMove));
}

void GameManager::handleEngineBestMove(const std::string& move, std::optional<double> arrivedAt,
                                       UCIEngineProcess* from) {
    if (from) {
        from->markBestMoveHandled();
    }
    if (m_isGameOver || m_isPaused) {
        return;
    }
    const PieceColor turn = m_board.turn();
    // Only the engine of the side to move may move: an answer of a replaced engine (an earlier
    // game, position or undo) or of the engine that just moved belongs to no position in play.
    if (!from || !isEnginePlaying(turn) || from != engineProcess(turn)) {
        return;
    }
    cancelEngineMoveTask();
    if (arrivedAt && m_clock.wouldFlag(turn, *arrivedAt)) {
        // Too late: the flag fell before the answer came, so the move is never played.
        m_clock.stop();
        handleTimeout(turn);
        return;
    }
    const std::optional<Move> parsed = Move::fromUci(move);
    if (!parsed) {
        // "(none)" or "0000" says there is no legal move; with legal moves on the board that is
        // the engine failing, and waiting for another answer would wait for ever.
        if (!m_board.generateLegalMoves().empty()) {
            handleEngineFailure(turn, illegalMoveText + QString::fromStdString(move));
        }
        return;
    }
    const bool isCapture = isCaptureMove(*parsed);
    if (m_playingMode == GameMode::engineVsEngine) {
        m_analysis.gradePendingMove(turn);
    }
    const std::optional<WhiteScore> before = m_analysis.whiteScoreOf(turn);
    const std::int64_t moveNumber = m_board.fullmoveNumber();
    m_clockHistory.push_back(m_clock.snapshot());
    if (!m_board.play(*parsed)) {
        m_clockHistory.pop_back();
        handleEngineFailure(turn, illegalMoveText + QString::fromStdString(move));
        return;
    }
    emit boardChanged(m_board);
    setLastMove(*parsed);
    setInspectingMoveIndex(std::nullopt);
    setCurrentlyThinkingColor(std::nullopt);
    setCurrentlyThinkingEngine(std::nullopt);
    setEngineStatusText(readyText);
    m_clockWaitsForFirstMove = false;
    if (m_playingMode == GameMode::engineVsEngine) {
        m_analysis.notePlayedMove(static_cast<std::int64_t>(m_board.history().size()), moveNumber,
                                  QString::fromStdString(m_board.history().back().san), turn,
                                  before);
    }
    playMoveSound(isCapture);
    checkGameEnd();
    if (m_isGameOver) {
        return;
    }
    // The engine is charged up to the moment its answer arrived, not until it was applied.
    m_clock.switchTurn(m_board.turn(), arrivedAt);
    triggerEngineIfNeeded();
}

void GameManager::handleEngineFailure(std::optional<PieceColor> failed, const QString& message) {
    // A replaced engine's report comes too late to concern the game in play.
    if (m_isGameOver || !failed) {
        return;
    }
    setEngineStatusText(message);
    setEngineFailureMessage(message);
    setIsGameOver(true);
    dropPendingPromotion();
    const GameEndReason reason = GameEndReason::resignation(opponent(*failed));
    setGameEndReason(reason);
    m_clock.stop();
    m_whiteSeat.terminate();
    m_blackSeat.terminate();
    notifyGameEnded(reason);
    updateKeepAwake();
}

void GameManager::restartEnginesForCurrentPosition() {
    discardEngines();
    m_clock.pause();
    const std::vector<UCIEngineProcess*> engines = setupEnginesForGame();
    // Play goes on once the fresh engines are ready whenever the game is still being played: a
    // clock that was not running yet (a move made before the first engines were ready) or a
    // resume that comes before the engines are ready must not leave the game without clock or
    // engine turn. A paused game waits for its resume.
    launchEngines(engines, !m_isGameOver);
}

void GameManager::discardEngines() {
    cancelEngineMoveTask();
    cancelEngineStartTask();
    m_whiteSeat.vacate();
    m_blackSeat.vacate();
    setCurrentlyThinkingColor(std::nullopt);
    setCurrentlyThinkingEngine(std::nullopt);
    // A time-out scheduled for the game being replaced must not end the next one, nor may an
    // answer of its engines that is still on its way.
    ++m_playGeneration;
    ++m_engineSearchSerial;
    m_clockStartDeferred = false;
    m_clockWaitsForFirstMove = false;
}

void GameManager::cancelEngineMoveTask() {
    if (m_engineMoveTask) {
        m_engineMoveTask->cancel();
        m_engineMoveTask.reset();
    }
}

void GameManager::cancelEngineStartTask() {
    if (m_engineStartTask) {
        m_engineStartTask->cancel();
        m_engineStartTask.reset();
    }
}

void GameManager::stopEngines() {
    m_whiteSeat.stopSearch();
    m_blackSeat.stopSearch();
}

bool GameManager::isEnginePlaying(PieceColor color) const {
    return m_playingMode == GameMode::engineVsEngine ||
           (m_playingMode == GameMode::humanVsEngine && color != m_humanColor);
}

UCIEngineProcess* GameManager::engineProcess(PieceColor color) const {
    return engineSeat(color).process();
}

std::optional<PieceColor> GameManager::colorOf(const UCIEngineProcess* process) const {
    if (m_whiteSeat.holds(process)) {
        return PieceColor::white;
    }
    if (m_blackSeat.holds(process)) {
        return PieceColor::black;
    }
    return std::nullopt;
}

std::optional<QString> GameManager::engineName(PieceColor color) const {
    if (const UCIEngineProcess* engine = engineProcess(color)) {
        return engine->config().name;
    }
    return std::nullopt;
}

void GameManager::setWhiteEngineLimitElo(bool limit) {
    m_whiteSeat.setLimitElo(limit);
}

void GameManager::setWhiteEngineElo(std::int64_t elo) {
    m_whiteSeat.setElo(elo);
}

void GameManager::setBlackEngineLimitElo(bool limit) {
    m_blackSeat.setLimitElo(limit);
}

void GameManager::setBlackEngineElo(std::int64_t elo) {
    m_blackSeat.setElo(elo);
}

void GameManager::updateWhiteElo(bool limit, std::int64_t elo) {
    setWhiteEngineLimitElo(limit);
    setWhiteEngineElo(elo);
    applyStrengthToEngine(PieceColor::white);
}

void GameManager::updateBlackElo(bool limit, std::int64_t elo) {
    setBlackEngineLimitElo(limit);
    setBlackEngineElo(elo);
    applyStrengthToEngine(PieceColor::black);
}

void GameManager::applyStrengthToEngine(PieceColor color) {
    EngineSeat& seat = seatOf(color);
    UCIEngineProcess* engine = seat.process();
    // Engines take options only while idle, and the move should be played at the new strength:
    // the search is stopped, the strength sent, and the turn asked for afresh. The stopped
    // search's answer is then one nobody waits for.
    const bool searching = engine && m_engineMoveTask && m_currentlyThinkingColor == color &&
                           !m_isPaused && !m_isGameOver;
    if (searching) {
        seat.stopSearch();
    }
    seat.sendStrength();
    if (m_currentlyThinkingColor == color) {
        setCurrentlyThinkingEngine(engine ? std::optional(engine->config()) : std::nullopt);
    }
    if (searching) {
        triggerEngineIfNeeded();
    }
}

const std::optional<EngineConfiguration>& GameManager::selectedEngine(PieceColor color) const {
    return color == PieceColor::white ? m_engines.selectedWhiteEngine()
                                      : m_engines.selectedBlackEngine();
}

void GameManager::updateKeepAwake() {
    const bool engineGameInProgress = m_playingMode != GameMode::humanVsHuman &&
                                      (m_whiteSeat.process() || m_blackSeat.process()) &&
                                      !m_isGameOver;
    const bool seriesActive = m_seriesObserver && m_seriesObserver->isAutomatchActive();
    m_sleepGuard.setKeepAwake(engineGameInProgress || seriesActive);
}

void GameManager::setCurrentlyThinkingColor(std::optional<PieceColor> color) {
    platform::publish(this, m_currentlyThinkingColor, color,
                      &GameManager::currentlyThinkingColorChanged);
}

void GameManager::setCurrentlyThinkingEngine(const std::optional<EngineConfiguration>& engine) {
    platform::publish(this, m_currentlyThinkingEngine, engine,
                      &GameManager::currentlyThinkingEngineChanged);
}

} // namespace velkor
