#include "GameManager.h"

#include "GameManagerEngineTurns.h"
#include "GameManagerMoves.h"
#include "platform/Published.h"

#include <utility>

namespace velkor {

using platform::SoundEffect;

GameManager::GameManager(platform::SoundManager& sounds, EngineManager& engines,
                         platform::SleepGuard& sleepGuard, QObject* parent)
    : QObject(parent), m_sounds(sounds), m_engines(engines), m_sleepGuard(sleepGuard),
      m_clock(m_timeControlConfig), m_turns(std::make_unique<EngineTurns>(*this)) {
    // The clock reports a flag from inside its tick; the game ends in a later main-thread step,
    // once the tick has returned, and only if that game is still the one being played.
    // (The clock is the manager's own, so neither callback outlives it.)
    m_clock.setOnTimeout([this](PieceColor color) {
        const std::uint64_t generation = m_playGeneration;
        QMetaObject::invokeMethod(
            this,
            [this, color, generation] {
                if (m_playGeneration == generation) {
                    Moves::handleTimeout(*this, color);
                }
            },
            Qt::QueuedConnection);
    });
    // An engine's answer that has arrived but is not applied yet is judged by its arrival time,
    // not by the tick.
    m_clock.setHasPendingMove([this](PieceColor color) {
        const UCIEngineProcess* engine = m_turns->engineProcess(color);
        return engine && engine->hasUnhandledBestMove();
    });
    connect(&m_analysis, &LiveAnalysis::knownScoresChanged, this, &GameManager::refreshShownScore);
    connect(this, &GameManager::boardChanged, this, &GameManager::refreshShownScore);
    connect(this, &GameManager::inspectingMoveIndexChanged, this, &GameManager::refreshShownScore);
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        EngineSeat& seat = m_turns->seatOf(color);
        // The banners name each engine with the strength it plays at.
        connect(&seat, &EngineSeat::processChanged, this, &GameManager::refreshShownGame);
        connect(&seat, &EngineSeat::limitEloChanged, this, &GameManager::refreshShownGame);
        connect(&seat, &EngineSeat::eloChanged, this, &GameManager::refreshShownGame);
        connect(&seat, &EngineSeat::evaluationReported, this,
                [this, color](const EngineEvaluation& evaluation,
                              const std::vector<EngineEvaluation>& lines) {
                    // An engine searches on its own turn: the position on the board is the one
                    // it judges (its reports arrive before its move does).
                    m_analysis.report(color, m_board, evaluation, lines);
                });
        connect(&seat, &EngineSeat::engineFailed, this, [this, color](const QString& message) {
            m_turns->handleEngineFailure(color, message);
        });
        seat.setOptions(m_turns->options, m_timeSource);
    }
    refreshShownGame();
}

GameManager::~GameManager() {
    m_turns->cancelEngineMoveTask();
    m_turns->cancelEngineStartTask();
    // Both children are asked to end before either seat waits for its own.
    m_turns->whiteSeat.terminate();
    m_turns->blackSeat.terminate();
    m_sleepGuard.setKeepAwake(false);
}

GameManager& GameManager::shared() {
    static GameManager manager;
    return manager;
}

bool GameManager::isInspectingPast() const {
    return m_inspectingMoveIndex &&
           *m_inspectingMoveIndex != static_cast<std::int64_t>(m_board.history().size()) - 1;
}

void GameManager::setGameMode(GameMode mode) {
    platform::publish(this, m_gameMode, mode, &GameManager::gameModeChanged);
    // Before the first game the board holds no game whose players a change could misname.
    if (!m_hasStartedGame) {
        m_playingMode = mode;
        refreshShownGame();
    }
}

void GameManager::beginPlayingMode() {
    m_hasStartedGame = true;
    m_playingMode = m_gameMode;
    if (m_shownGame.origin != ShownGame::Origin::live) {
        ShownGame live = m_shownGame;
        live.origin = ShownGame::Origin::live;
        live.reasonText.reset();
        live.pgn.clear();
        m_shownGame = live;
    }
    refreshShownGame();
}

ShownPlayer GameManager::livePlayer(PieceColor color) const {
    switch (m_playingMode) {
    case GameMode::humanVsEngine:
        if (color == m_humanColor) {
            return {QStringLiteral("Player"), false, std::nullopt};
        }
        break;
    case GameMode::engineVsEngine:
        break;
    case GameMode::humanVsHuman:
        return {color == PieceColor::white ? QStringLiteral("Player 1")
                                           : QStringLiteral("Player 2"),
                false, std::nullopt};
    }
    const EngineSeat& seat = engineSeat(color);
    const UCIEngineProcess* engine = seat.process();
    if (!engine) {
        const QString standIn = m_playingMode == GameMode::humanVsEngine
                                    ? QStringLiteral("UCI Engine")
                                : color == PieceColor::white ? QStringLiteral("White Engine")
                                                             : QStringLiteral("Black Engine");
        return {standIn, true, std::nullopt};
    }
    // An engine without UCI_LimitStrength plays at full strength whatever was asked.
    const bool limited = seat.limitElo() && engine->config().supportsLimitStrength.value_or(true) &&
                         engine->canLimitStrength().value_or(true);
    return {engine->config().name, true,
            limited ? std::optional<std::int64_t>(seat.elo()) : std::nullopt};
}

void GameManager::refreshShownGame() {
    if (m_shownGame.origin == ShownGame::Origin::stored) {
        return;
    }
    ShownGame game = m_shownGame;
    if (game.origin == ShownGame::Origin::live) {
        game.white = livePlayer(PieceColor::white);
        game.black = livePlayer(PieceColor::black);
    }
    game.result = QString::fromUtf8(pgnResultToken(m_gameEndReason));
    setShownGame(game);
}

void GameManager::setShownGame(const ShownGame& game) {
    platform::publish(this, m_shownGame, game, &GameManager::shownGameChanged);
}

void GameManager::setColorChoice(PlayerColorChoice choice) {
    platform::publish(this, m_colorChoice, choice, &GameManager::colorChoiceChanged);
}

void GameManager::setTimeControlConfig(const TimeControlConfig& config) {
    platform::publish(this, m_timeControlConfig, config, &GameManager::timeControlConfigChanged);
}

void GameManager::setSeriesObserver(GameSeriesObserver* observer) {
    m_seriesObserver = observer;
}

void GameManager::startNewGame() {
    m_turns->discardEngines();
    setGameRecord({});
    setBoard(ChessBoard());
    m_gameTimeControl = m_timeControlConfig;
    m_clock.reset(m_gameTimeControl);
    resetGameState();
    setHumanColor(resolve(m_colorChoice));
    beginPlayingMode();
    setIsFlipped(m_playingMode == GameMode::humanVsEngine && m_humanColor == PieceColor::black);
    const std::vector<UCIEngineProcess*> engines = m_turns->setupEnginesForGame();
    m_turns->launchEngines(engines, true);
    updateKeepAwake();
}

void GameManager::startOpeningGame() {
    startNewGame();
    // Play begins in a later step, once the engines are ready; the flag is read then.
    m_clockWaitsForFirstMove = true;
}

void GameManager::resetGameState() {
    Moves::dropPendingPromotion(*this);
    setLastMove(std::nullopt);
    setIsGameOver(false);
    setEngineFailureMessage(std::nullopt);
    setGameEndReason(std::nullopt);
    setIsPaused(false);
    setInspectingMoveIndex(std::nullopt);
    m_analysis.reset();
    m_clockHistory.clear();
    setThinking(std::nullopt);
    m_turns->clockStartDeferred = false;
}

bool GameManager::Moves::acceptsUserMove(const GameManager& gm) {
    return !gm.m_isGameOver && !gm.m_isPaused && !gm.isInspectingPast() &&
           gm.m_playingMode != GameMode::engineVsEngine &&
           !(gm.m_playingMode == GameMode::humanVsEngine && gm.m_board.turn() != gm.m_humanColor);
}

void GameManager::handleSquareClick(Square square) {
    if (!Moves::acceptsUserMove(*this)) {
        return;
    }
    const BoardClicks before = m_clicks;
    if (const std::optional<Move> move = m_clicks.click(m_board, square)) {
        // The selection goes once the move is played, so the views see the move first.
        Moves::applyMove(*this, *move, std::nullopt);
        Moves::clearSelection(*this);
        return;
    }
    Moves::publishClicks(*this, before);
}

void GameManager::handleSquarePress(Square square) {
    if (!Moves::acceptsUserMove(*this)) {
        return;
    }
    const BoardClicks before = m_clicks;
    if (const std::optional<Move> move = m_clicks.press(m_board, square)) {
        Moves::applyMove(*this, *move, std::nullopt);
        Moves::clearSelection(*this);
        return;
    }
    Moves::publishClicks(*this, before);
}

void GameManager::handleSquareRelease(std::optional<Square> square) {
    const BoardClicks before = m_clicks;
    if (!Moves::acceptsUserMove(*this)) {
        // The game moved on under the held button (an engine's move, the flag): nothing drops.
        m_clicks.release(m_board, std::nullopt);
        return;
    }
    if (const std::optional<Move> move = m_clicks.release(m_board, square)) {
        Moves::applyMove(*this, *move, std::nullopt);
        Moves::clearSelection(*this);
        return;
    }
    Moves::publishClicks(*this, before);
}

void GameManager::Moves::publishClicks(GameManager& gm, const BoardClicks& before) {
    if (before.pendingPromotion() != gm.m_clicks.pendingPromotion()) {
        emit gm.pendingPromotionChanged(gm.m_clicks.pendingPromotion());
    }
    if (before.selectedSquare() != gm.m_clicks.selectedSquare()) {
        emit gm.selectedSquareChanged(gm.m_clicks.selectedSquare());
    }
    if (before.legalDestinations() != gm.m_clicks.legalDestinations()) {
        emit gm.legalDestinationSquaresChanged(gm.m_clicks.legalDestinations());
    }
}

void GameManager::Moves::clearSelection(GameManager& gm) {
    const BoardClicks before = gm.m_clicks;
    gm.m_clicks.clearSelection();
    publishClicks(gm, before);
}

void GameManager::confirmPromotion(PieceType pieceType) {
    const std::optional<Move> move = m_clicks.promotionMove(pieceType);
    if (!move) {
        return;
    }
    // The game may have ended (flag, resignation) while the choice was open: no move after it.
    if (m_isGameOver) {
        Moves::dropPendingPromotion(*this);
        return;
    }
    // A paused game takes no move and charges no time; the choice waits for the resume.
    if (!Moves::acceptsUserMove(*this)) {
        return;
    }
    Moves::applyMove(*this, *move, std::nullopt);
    Moves::dropPendingPromotion(*this);
}

void GameManager::Moves::dropPendingPromotion(GameManager& gm) {
    const BoardClicks before = gm.m_clicks;
    gm.m_clicks.clear();
    publishClicks(gm, before);
}

void GameManager::cancelPromotion() {
    Moves::dropPendingPromotion(*this);
}

bool GameManager::Moves::isCaptureMove(const GameManager& gm, const Move& move) {
    const std::optional<Piece> mover = gm.m_board[move.from];
    return gm.m_board[move.to].has_value() ||
           (mover && mover->type == PieceType::pawn && move.from.file != move.to.file);
}

bool GameManager::Moves::applyMove(GameManager& gm, const Move& move,
                                   std::optional<double> engineAnswerArrival) {
    const PieceColor mover = gm.m_board.turn();
    const bool isCapture = isCaptureMove(gm, move);
    // Engine games grade every move by the evaluation of the reply.
    const bool graded = gm.m_playingMode == GameMode::engineVsEngine;
    if (graded) {
        gm.m_analysis.gradePendingMove(mover);
    }
    const std::optional<WhiteScore> before = gm.m_analysis.whiteScoreOf(mover);
    const std::int64_t moveNumber = gm.m_board.fullmoveNumber();
    gm.m_clockHistory.push_back(gm.m_clock.snapshot());
    if (!gm.m_board.play(move)) {
        gm.m_clockHistory.pop_back();
        return false;
    }
    emit gm.boardChanged(gm.m_board);
    gm.m_clockWaitsForFirstMove = false;
    gm.setLastMove(move);
    gm.setInspectingMoveIndex(std::nullopt);
    gm.setThinking(std::nullopt);
    if (engineAnswerArrival) {
        gm.setEngineStatusText(QStringLiteral("Ready"));
    }
    if (graded) {
        gm.m_analysis.notePlayedMove(
            static_cast<std::int64_t>(gm.m_board.history().size()), moveNumber,
            QString::fromStdString(gm.m_board.history().back().san), mover, before);
    }
    playMoveSound(gm, isCapture);
    checkGameEnd(gm);
    if (gm.m_isGameOver) {
        return true;
    }
    // An engine is charged up to the moment its answer arrived, not until it was applied; a
    // person's flag is the tick's to detect.
    gm.m_clock.switchTurn(gm.m_board.turn(), engineAnswerArrival);
    gm.m_turns->triggerEngineIfNeeded();
    return true;
}

void GameManager::Moves::playMoveSound(GameManager& gm, bool isCapture) {
    const PieceColor toMove = gm.m_board.turn();
    const std::optional<Square> king = gm.m_board.findKing(toMove);
    if (king && gm.m_board.isSquareAttacked(*king, opponent(toMove))) {
        gm.m_sounds.play(SoundEffect::check);
    } else if (!gm.m_board.history().empty() &&
               gm.m_board.history().back().san.starts_with("O-O")) {
        // A check outranks castling: the warning matters more than the kind of move.
        gm.m_sounds.play(SoundEffect::castle);
    } else {
        gm.m_sounds.play(isCapture ? SoundEffect::capture : SoundEffect::move);
    }
}

void GameManager::Moves::checkGameEnd(GameManager& gm) {
    std::optional<GameEndReason> reason = gm.m_board.gameEndReason();
    // Engines claim fifty-move and repetition draws at once; people claim them with claimDraw().
    if (!reason && gm.m_playingMode == GameMode::engineVsEngine) {
        reason = gm.m_board.claimableDrawReason();
    }
    if (reason) {
        endGame(gm, *reason);
    }
}

void GameManager::Moves::handleTimeout(GameManager& gm, PieceColor timedOutColor) {
    // The game may have ended otherwise between the clock's tick and this step.
    if (gm.m_isGameOver) {
        return;
    }
    const PieceColor other = opponent(timedOutColor);
    endGame(gm, gm.m_board.canPossiblyCheckmate(other) ? GameEndReason::timeout(other)
                                                       : GameEndReason::insufficientMaterial());
}

void GameManager::resign(PieceColor color) {
    if (m_isGameOver) {
        return;
    }
    Moves::endGame(*this, GameEndReason::resignation(opponent(color)));
}

void GameManager::claimDraw() {
    if (m_isGameOver) {
        return;
    }
    const std::optional<GameEndReason> reason = m_board.claimableDrawReason();
    if (!reason) {
        return;
    }
    m_turns->stopEngines();
    Moves::endGame(*this, *reason);
}

void GameManager::Moves::endGame(GameManager& gm, const GameEndReason& reason) {
    gm.m_turns->cancelEngineMoveTask();
    gm.setIsGameOver(true);
    gm.setGameEndReason(reason);
    // The choice's overlay goes with the game.
    dropPendingPromotion(gm);
    gm.m_clock.stop();
    gm.m_sounds.play(SoundEffect::gameEnd);
    notifyGameEnded(gm, reason);
    gm.updateKeepAwake();
}

void GameManager::Moves::notifyGameEnded(GameManager& gm, const GameEndReason& reason) {
    if (!gm.m_seriesObserver || !gm.m_seriesObserver->isAutomatchActive()) {
        return;
    }
    gm.m_seriesObserver->handleGameEnd(reason, gm.m_board, gm.exportPGN(),
                                       gm.m_engineFailureMessage);
}

void GameManager::togglePause() {
    setIsPaused(!m_isPaused);
    if (m_isPaused) {
        m_clock.pause();
        m_turns->cancelEngineMoveTask();
        m_turns->stopEngines();
        return;
    }
    if (m_turns->startTask) {
        // The engines are still starting: the clock and the first turn wait for them.
        m_turns->clockStartDeferred = false;
        return;
    }
    if (const std::optional<PieceColor> active = m_clock.activeColor()) {
        m_clock.start(*active);
    } else if (m_turns->clockStartDeferred && !m_isGameOver) {
        m_clock.start(m_board.turn());
    }
    m_turns->clockStartDeferred = false;
    // The search of the side to move starts afresh.
    m_turns->triggerEngineIfNeeded();
}

void GameManager::flipBoard() {
    setIsFlipped(!m_isFlipped);
}

void GameManager::stopCurrentGame() {
    m_turns->discardEngines();
    m_clock.stop();
    setIsPaused(true);
    Moves::dropPendingPromotion(*this);
    updateKeepAwake();
}

void GameManager::refreshShownScore() {
    platform::publish(this, m_shownScore, m_analysis.knownScore(displayedBoard()),
                      &GameManager::shownScoreChanged);
}

void GameManager::setBoard(ChessBoard board) {
    // Always announced: even an equal position carries new piece identities.
    m_board = std::move(board);
    emit boardChanged(m_board);
}

void GameManager::setGameRecord(LoadedGameRecord record) {
    if (record != m_gameRecord) {
        m_gameRecord = std::move(record);
        emit gameRecordChanged();
    }
}

void GameManager::setHumanColor(PieceColor color) {
    platform::publish(this, m_humanColor, color, &GameManager::humanColorChanged);
    refreshShownGame();
}

void GameManager::setIsFlipped(bool flipped) {
    platform::publish(this, m_isFlipped, flipped, &GameManager::isFlippedChanged);
}

void GameManager::setLastMove(std::optional<Move> move) {
    platform::publish(this, m_lastMove, move, &GameManager::lastMoveChanged);
}

void GameManager::setIsGameOver(bool over) {
    platform::publish(this, m_isGameOver, over, &GameManager::isGameOverChanged);
}

void GameManager::setGameEndReason(std::optional<GameEndReason> reason) {
    platform::publish(this, m_gameEndReason, reason, &GameManager::gameEndReasonChanged);
    refreshShownGame();
}

void GameManager::setIsPaused(bool paused) {
    platform::publish(this, m_isPaused, paused, &GameManager::isPausedChanged);
}

void GameManager::setInspectingMoveIndex(std::optional<std::int64_t> index) {
    platform::publish(this, m_inspectingMoveIndex, index, &GameManager::inspectingMoveIndexChanged);
}

void GameManager::setEngineStatusText(const QString& text) {
    platform::publish(this, m_engineStatusText, text, &GameManager::engineStatusTextChanged);
}

void GameManager::setEngineFailureMessage(const std::optional<QString>& message) {
    platform::publish(this, m_engineFailureMessage, message,
                      &GameManager::engineFailureMessageChanged);
}

} // namespace velkor
