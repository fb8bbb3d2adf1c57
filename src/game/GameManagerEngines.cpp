// Engine players in the game session: which engine plays which colour, their start before the
// clock runs, each engine turn, the judging of the answers, failures, strength and keep-awake.
#include "GameManager.h"
#include "GameManagerEngineTurns.h"
#include "GameManagerMoves.h"
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

const EngineSeat& GameManager::engineSeat(PieceColor color) const {
    return m_turns->seatOf(color);
}

bool GameManager::hasEngineStartTask() const {
    return m_turns->startTask.has_value();
}

void GameManager::setTimeSource(platform::TimeSource now) {
    m_timeSource = now;
    m_turns->whiteSeat.setOptions(m_turns->options, now);
    m_turns->blackSeat.setOptions(m_turns->options, now);
    m_clock.setNow(std::move(now));
}

void GameManager::setEngineSessionOptions(const EngineSessionOptions& options) {
    m_turns->options = options;
    m_turns->whiteSeat.setOptions(options, m_timeSource);
    m_turns->blackSeat.setOptions(options, m_timeSource);
}

std::vector<UCIEngineProcess*> GameManager::EngineTurns::setupEnginesForGame() {
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

void GameManager::EngineTurns::launchEngines(const std::vector<UCIEngineProcess*>& engines,
                                             bool resumePlay) {
    cancelEngineStartTask();
    const std::size_t expected = requiredEngineCount(gm.m_playingMode);
    if (expected > 0 && engines.size() != expected) {
        // The game cannot begin; an engine made for the other colour would only keep the machine
        // awake for nothing.
        discardEngines();
        gm.setEngineStatusText(noEngineText);
        gm.setIsPaused(true);
        gm.updateKeepAwake();
        return;
    }
    startTask.emplace();
    const platform::CancellationToken token = startTask->token();
    if (engines.empty()) {
        // Between two people play begins in the next main-thread step.
        QMetaObject::invokeMethod(
            &gm,
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

QCoro::Task<> GameManager::EngineTurns::startEngines(std::vector<UCIEngineProcess*> engines,
                                                     platform::CancellationToken token,
                                                     bool resumePlay) {
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
        gm.m_engines.learnFrom(*engine);
    }
    finishEngineStart(resumePlay);
}

void GameManager::EngineTurns::finishEngineStart(bool resumePlay) {
    startTask.reset();
    gm.setEngineStatusText(readyText);
    // The handshakes have told which engines can play at a limited strength.
    gm.refreshShownGame();
    if (!resumePlay || gm.m_isGameOver) {
        return;
    }
    if (gm.m_isPaused) {
        // Resuming starts the clock instead (a paused clock has no side to run for yet).
        clockStartDeferred = true;
        return;
    }
    gm.m_clock.start(gm.m_board.turn());
    triggerEngineIfNeeded();
}

void GameManager::EngineTurns::triggerEngineIfNeeded() {
    // While the engines start, their start-up asks for the first turn once they are ready.
    if (gm.m_isGameOver || gm.m_isPaused || startTask) {
        return;
    }
    const PieceColor turn = gm.m_board.turn();
    UCIEngineProcess* engine = isEnginePlaying(turn) ? engineProcess(turn) : nullptr;
    if (!engine) {
        if (gm.m_clockWaitsForFirstMove && gm.m_board.history().empty()) {
            gm.m_clock.holdTurn();
        }
        gm.setThinking(std::nullopt);
        return;
    }
    const std::chrono::milliseconds pause = gm.m_playingMode == GameMode::engineVsEngine
                                                ? options.engineMovePause
                                                : std::chrono::milliseconds::zero();
    // The pause that lets a person follow the moves is nobody's thinking time: the engine's
    // clock runs from the moment it is asked, so what it is told is what it really has.
    if (pause > std::chrono::milliseconds::zero()) {
        gm.m_clock.holdTurn();
    }
    gm.setThinking(turn);
    gm.setEngineStatusText(thinkingText);
    cancelEngineMoveTask();
    moveTask.emplace();
    playEngineTurn(turn, moveTask->token(), pause);
}

QCoro::Task<> GameManager::EngineTurns::playEngineTurn(PieceColor color,
                                                       platform::CancellationToken token,
                                                       std::chrono::milliseconds pause) {
    if (pause > std::chrono::milliseconds::zero()) {
        // A precise wait: the pause between engine moves is part of every engine game's pace,
        // and a coarse timer could stretch it by 5 %.
        uci::OneShot<bool> pauseEnd;
        turnPauseEnd = pauseEnd;
        QTimer::singleShot(pause, Qt::PreciseTimer, &gm,
                           [pauseEnd]() mutable { pauseEnd.answer(true); });
        co_await pauseEnd;
        if (token.isCancelled()) {
            co_return;
        }
        turnPauseEnd.reset();
    }

    // The game goes on with the time control it was started with; edits wait for the next one.
    // A held turn starts now whatever the engine is told, so its clock measures its search.
    if (gm.m_gameTimeControl.engineThinkingMode.kind() == EngineThinkingMode::Kind::gameClock ||
        gm.m_clock.isTurnHeld()) {
        gm.m_clock.beginTurn();
    }
    const uci::SearchLimits limits = searchLimitsForTurn(
        gm.m_gameTimeControl, gm.m_clock.whiteRemainingMs(), gm.m_clock.blackRemainingMs());
    const SearchOutcome answer = co_await seatOf(color).search(gm.m_board, limits);
    // No answer: the engine ended (its failure report follows) or the search was stopped, which
    // cancels the turn too.
    if (token.isCancelled() || !answer) {
        co_return;
    }
    moveTask.reset();

    if (gm.m_clock.wouldFlag(color, answer->arrivalTime)) {
        // Too late: the flag fell before the answer came, so the move is never played.
        gm.m_clock.stop();
        Moves::handleTimeout(gm, color);
        co_return;
    }
    const QString illegal = illegalMoveText + QString::fromStdString(answer->move);
    const std::optional<Move> move = Move::fromUci(answer->move);
    if (!move) {
        // "(none)" or "0000" says there is no legal move; with legal moves on the board that is
        // the engine failing, and waiting for another answer would wait for ever.
        if (!gm.m_board.generateLegalMoves().empty()) {
            handleEngineFailure(color, illegal);
        }
        co_return;
    }
    if (!Moves::applyMove(gm, *move, answer->arrivalTime)) {
        handleEngineFailure(color, illegal);
    }
}

void GameManager::EngineTurns::handleEngineFailure(std::optional<PieceColor> failed,
                                                   const QString& message) {
    // A replaced engine's report comes too late to concern the game in play.
    if (gm.m_isGameOver || !failed) {
        return;
    }
    cancelEngineMoveTask();
    cancelEngineStartTask();
    gm.setEngineStatusText(message);
    gm.setEngineFailureMessage(message);
    gm.setIsGameOver(true);
    Moves::dropPendingPromotion(gm);
    const GameEndReason reason = GameEndReason::resignation(opponent(*failed));
    gm.setGameEndReason(reason);
    gm.m_clock.stop();
    whiteSeat.terminate();
    blackSeat.terminate();
    Moves::notifyGameEnded(gm, reason);
    gm.updateKeepAwake();
}

void GameManager::EngineTurns::restartEnginesForCurrentPosition() {
    discardEngines();
    gm.m_clock.pause();
    const std::vector<UCIEngineProcess*> engines = setupEnginesForGame();
    // Play goes on once the fresh engines are ready whenever the game is still being played: a
    // clock that was not running yet (a move made before the first engines were ready) or a
    // resume that comes before the engines are ready must not leave the game without clock or
    // engine turn. A paused game waits for its resume.
    launchEngines(engines, !gm.m_isGameOver);
}

void GameManager::EngineTurns::discardEngines() {
    cancelEngineMoveTask();
    cancelEngineStartTask();
    whiteSeat.vacate();
    blackSeat.vacate();
    gm.setThinking(std::nullopt);
    // A time-out scheduled for the game being replaced must not end the next one.
    ++gm.m_playGeneration;
    clockStartDeferred = false;
    gm.m_clockWaitsForFirstMove = false;
}

void GameManager::EngineTurns::cancelEngineMoveTask() {
    if (moveTask) {
        moveTask->cancel();
        moveTask.reset();
    }
    if (turnPauseEnd) {
        turnPauseEnd->answer(false);
        turnPauseEnd.reset();
    }
}

void GameManager::EngineTurns::cancelEngineStartTask() {
    if (startTask) {
        startTask->cancel();
        startTask.reset();
    }
}

void GameManager::EngineTurns::stopEngines() {
    whiteSeat.stopSearch();
    blackSeat.stopSearch();
}

bool GameManager::EngineTurns::isEnginePlaying(PieceColor color) const {
    return gm.m_playingMode == GameMode::engineVsEngine ||
           (gm.m_playingMode == GameMode::humanVsEngine && color != gm.m_humanColor);
}

UCIEngineProcess* GameManager::EngineTurns::engineProcess(PieceColor color) const {
    return gm.engineSeat(color).process();
}

std::optional<PieceColor> GameManager::EngineTurns::colorOf(const UCIEngineProcess* process) const {
    if (whiteSeat.holds(process)) {
        return PieceColor::white;
    }
    if (blackSeat.holds(process)) {
        return PieceColor::black;
    }
    return std::nullopt;
}

std::optional<QString> GameManager::EngineTurns::engineName(PieceColor color) const {
    if (const UCIEngineProcess* engine = engineProcess(color)) {
        return engine->config().name;
    }
    return std::nullopt;
}

void GameManager::setEngineStrength(PieceColor color, bool limitElo, std::int64_t elo) {
    EngineSeat& seat = m_turns->seatOf(color);
    seat.setLimitElo(limitElo);
    seat.setElo(elo);
}

void GameManager::updateWhiteElo(bool limitElo, std::int64_t elo) {
    setEngineStrength(PieceColor::white, limitElo, elo);
    m_turns->applyStrengthToEngine(PieceColor::white);
}

void GameManager::updateBlackElo(bool limitElo, std::int64_t elo) {
    setEngineStrength(PieceColor::black, limitElo, elo);
    m_turns->applyStrengthToEngine(PieceColor::black);
}

void GameManager::EngineTurns::applyStrengthToEngine(PieceColor color) {
    EngineSeat& seat = seatOf(color);
    UCIEngineProcess* engine = seat.process();
    // Engines take options only while idle, and the move should be played at the new strength:
    // the search is stopped, the strength sent, and the turn asked for afresh. The stopped
    // search completes without a move, and its answer is only logged.
    const bool searching = engine && moveTask && gm.m_currentlyThinkingColor == color &&
                           !gm.m_isPaused && !gm.m_isGameOver;
    if (searching) {
        seat.stopSearch();
    }
    seat.sendStrength();
    if (gm.m_currentlyThinkingColor == color) {
        gm.setThinking(color);
    }
    if (searching) {
        triggerEngineIfNeeded();
    }
}

const std::optional<EngineConfiguration>&
GameManager::EngineTurns::selectedEngine(PieceColor color) const {
    return color == PieceColor::white ? gm.m_engines.selectedWhiteEngine()
                                      : gm.m_engines.selectedBlackEngine();
}

void GameManager::updateKeepAwake() {
    const bool engineGameInProgress =
        m_playingMode != GameMode::humanVsHuman &&
        (m_turns->whiteSeat.process() || m_turns->blackSeat.process()) && !m_isGameOver;
    const bool seriesActive = m_seriesObserver && m_seriesObserver->isAutomatchActive();
    m_sleepGuard.setKeepAwake(engineGameInProgress || seriesActive);
}

void GameManager::setThinking(std::optional<PieceColor> color) {
    const UCIEngineProcess* engine = color ? m_turns->engineProcess(*color) : nullptr;
    platform::publish(this, m_currentlyThinkingColor, color,
                      &GameManager::currentlyThinkingColorChanged);
    platform::publish(this, m_currentlyThinkingEngine,
                      engine ? std::optional(engine->config()) : std::nullopt,
                      &GameManager::currentlyThinkingEngineChanged);
}

} // namespace velkor
