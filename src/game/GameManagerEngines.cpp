// Engine players in the game session: which engine plays which colour, their start before the
// clock runs, each engine turn, the judging of the answers, failures, strength and keep-awake.
#include "GameManager.h"
#include "TurnSearchLimits.h"
#include "platform/Published.h"

#include <QTimer>

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

} // namespace

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
    startEngines(engines, token, resumePlay);
}

QCoro::Task<> GameManager::startEngines(std::vector<UCIEngineProcess*> engines,
                                        platform::CancellationToken token, bool resumePlay) {
    // The engines stay in their seats until the start-up is cancelled.
    for (UCIEngineProcess* engine : engines) {
        const bool started = co_await engine->start();
        if (token.isCancelled()) {
            co_return;
        }
        // A failed start skips the new game and fails below with the same message.
        const bool ready = started && co_await engine->newGame();
        if (token.isCancelled()) {
            co_return;
        }
        if (!ready) {
            handleEngineFailure(colorOf(engine), startFailureText);
            co_return;
        }
        m_engines.learnFrom(*engine);
    }
    finishEngineStart(resumePlay);
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
    playEngineTurn(turn, m_engineMoveTask->token(), pause);
}

QCoro::Task<> GameManager::playEngineTurn(PieceColor color, platform::CancellationToken token,
                                          std::chrono::milliseconds pause) {
    if (pause > std::chrono::milliseconds::zero()) {
        // A precise wait: the pause between engine moves is part of every engine game's pace,
        // and a coarse timer could stretch it by 5 %.
        uci::OneShot<bool> pauseEnd;
        m_turnPauseEnd = pauseEnd;
        QTimer::singleShot(pause, Qt::PreciseTimer, this,
                           [pauseEnd]() mutable { pauseEnd.answer(true); });
        co_await pauseEnd;
        if (token.isCancelled()) {
            co_return;
        }
        m_turnPauseEnd.reset();
    }

    // The game goes on with the time control it was started with; edits wait for the next one.
    // A held turn starts now whatever the engine is told, so its clock measures its search.
    if (m_gameTimeControl.engineThinkingMode.kind() == EngineThinkingMode::Kind::gameClock ||
        m_clock.isTurnHeld()) {
        m_clock.beginTurn();
    }
    const uci::SearchLimits limits = searchLimitsForTurn(
        m_gameTimeControl, m_clock.whiteRemainingMs(), m_clock.blackRemainingMs());
    const SearchOutcome answer = co_await seatOf(color).search(m_board, limits);
    // No answer: the engine ended (its failure report follows) or the search was stopped, which
    // cancels the turn too.
    if (token.isCancelled() || !answer) {
        co_return;
    }
    m_engineMoveTask.reset();

    if (m_clock.wouldFlag(color, answer->arrivalTime)) {
        // Too late: the flag fell before the answer came, so the move is never played.
        m_clock.stop();
        handleTimeout(color);
        co_return;
    }
    const QString illegal = illegalMoveText + QString::fromStdString(answer->move);
    const std::optional<Move> move = Move::fromUci(answer->move);
    if (!move) {
        // "(none)" or "0000" says there is no legal move; with legal moves on the board that is
        // the engine failing, and waiting for another answer would wait for ever.
        if (!m_board.generateLegalMoves().empty()) {
            handleEngineFailure(color, illegal);
        }
        co_return;
    }
    if (!applyMove(*move, answer->arrivalTime)) {
        handleEngineFailure(color, illegal);
    }
}

void GameManager::handleEngineFailure(std::optional<PieceColor> failed, const QString& message) {
    // A replaced engine's report comes too late to concern the game in play.
    if (m_isGameOver || !failed) {
        return;
    }
    cancelEngineMoveTask();
    cancelEngineStartTask();
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
    // A time-out scheduled for the game being replaced must not end the next one.
    ++m_playGeneration;
    m_clockStartDeferred = false;
    m_clockWaitsForFirstMove = false;
}

void GameManager::cancelEngineMoveTask() {
    if (m_engineMoveTask) {
        m_engineMoveTask->cancel();
        m_engineMoveTask.reset();
    }
    if (m_turnPauseEnd) {
        m_turnPauseEnd->answer(false);
        m_turnPauseEnd.reset();
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
    // search completes without a move, and its answer is only logged.
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
