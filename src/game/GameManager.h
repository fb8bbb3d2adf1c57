#pragma once

#include "ChessClock.h"
#include "GameMode.h"
#include "GameSeriesObserver.h"
#include "PlayerColorChoice.h"
#include "TimeControlConfig.h"
#include "chess/ChessBoard.h"
#include "chess/GameEndReason.h"
#include "chess/Move.h"
#include "chess/PieceColor.h"
#include "chess/PieceType.h"
#include "chess/Square.h"
#include "platform/Cancellation.h"
#include "platform/SoundManager.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace velkor {

// A pawn move that waits for the user's choice of piece.
struct PendingPromotion {
    Square from;
    Square to;

    bool operator==(const PendingPromotion&) const = default;
};

// The game session every view and the series of games talk to: it owns the board and the clock,
// turns board clicks into selections, promotion choices and moves, applies each move with its
// clock bookkeeping and sound, detects and announces the end of the game, and offers resign,
// draw claims, pause and board flip. Published fields announce every real change. Main thread.
class GameManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(velkor::ChessBoard board READ board NOTIFY boardChanged)
    Q_PROPERTY(velkor::ChessClock* clock READ clockObject CONSTANT)
    Q_PROPERTY(velkor::GameMode gameMode READ gameMode WRITE setGameMode NOTIFY gameModeChanged)
    Q_PROPERTY(velkor::PlayerColorChoice colorChoice READ colorChoice WRITE setColorChoice NOTIFY
                   colorChoiceChanged)
    Q_PROPERTY(velkor::PieceColor humanColor READ humanColor NOTIFY humanColorChanged)
    Q_PROPERTY(velkor::TimeControlConfig timeControlConfig READ timeControlConfig WRITE
                   setTimeControlConfig NOTIFY timeControlConfigChanged)
    Q_PROPERTY(bool isFlipped READ isFlipped NOTIFY isFlippedChanged)
    Q_PROPERTY(std::optional<velkor::Square> selectedSquare READ selectedSquare NOTIFY
                   selectedSquareChanged)
    Q_PROPERTY(std::vector<velkor::Square> legalDestinationSquares READ legalDestinationSquares
                   NOTIFY legalDestinationSquaresChanged)
    Q_PROPERTY(std::optional<velkor::Move> lastMove READ lastMove NOTIFY lastMoveChanged)
    Q_PROPERTY(std::optional<velkor::PendingPromotion> pendingPromotion READ pendingPromotion NOTIFY
                   pendingPromotionChanged)
    Q_PROPERTY(bool isGameOver READ isGameOver NOTIFY isGameOverChanged)
    Q_PROPERTY(std::optional<velkor::GameEndReason> gameEndReason READ gameEndReason NOTIFY
                   gameEndReasonChanged)
    Q_PROPERTY(bool isPaused READ isPaused NOTIFY isPausedChanged)
    Q_PROPERTY(std::optional<qint64> inspectingMoveIndex READ inspectingMoveIndex NOTIFY
                   inspectingMoveIndexChanged)
    Q_PROPERTY(QString engineStatusText READ engineStatusText NOTIFY engineStatusTextChanged)
    Q_PROPERTY(std::optional<QString> engineFailureMessage READ engineFailureMessage NOTIFY
                   engineFailureMessageChanged)
    Q_PROPERTY(bool whiteEngineLimitElo READ whiteEngineLimitElo NOTIFY whiteEngineLimitEloChanged)
    Q_PROPERTY(qint64 whiteEngineElo READ whiteEngineElo NOTIFY whiteEngineEloChanged)
    Q_PROPERTY(bool blackEngineLimitElo READ blackEngineLimitElo NOTIFY blackEngineLimitEloChanged)
    Q_PROPERTY(qint64 blackEngineElo READ blackEngineElo NOTIFY blackEngineEloChanged)

public:
    // The manager plays its sounds through `sounds`, which must outlive it.
    explicit GameManager(platform::SoundManager& sounds = platform::SoundManager::shared(),
                         QObject* parent = nullptr);

    // The program's one game session.
    static GameManager& shared();

    // The game's position and move history.
    const ChessBoard& board() const { return m_board; }
    // The game clock, the same object for the manager's whole life; it announces its own changes.
    ChessClock& clock() { return m_clock; }
    const ChessClock& clock() const { return m_clock; }
    ChessClock* clockObject() { return &m_clock; }
    GameMode gameMode() const { return m_gameMode; }
    // The colour wish against an engine, resolved at each new game.
    PlayerColorChoice colorChoice() const { return m_colorChoice; }
    // The colour the user plays against an engine in the current game.
    PieceColor humanColor() const { return m_humanColor; }
    // The time control of the next game and the engines' way of searching.
    const TimeControlConfig& timeControlConfig() const { return m_timeControlConfig; }
    // Whether the board is drawn with Black at the bottom.
    bool isFlipped() const { return m_isFlipped; }
    // The square of the piece the user picked up.
    std::optional<Square> selectedSquare() const { return m_selectedSquare; }
    // Destinations of the selected piece's legal moves in generation order (a promotion square
    // once per promotion piece).
    const std::vector<Square>& legalDestinationSquares() const { return m_legalDestinationSquares; }
    std::optional<Move> lastMove() const { return m_lastMove; }
    std::optional<PendingPromotion> pendingPromotion() const { return m_pendingPromotion; }
    bool isGameOver() const { return m_isGameOver; }
    std::optional<GameEndReason> gameEndReason() const { return m_gameEndReason; }
    bool isPaused() const { return m_isPaused; }
    // The earlier position being shown (the position after that history entry); none = live.
    std::optional<std::int64_t> inspectingMoveIndex() const { return m_inspectingMoveIndex; }
    // Whether an earlier position than the live one is shown; clicks are ignored then.
    bool isInspectingPast() const;
    QString engineStatusText() const { return m_engineStatusText; }
    // The message of the engine failure that ended the game, if one did.
    std::optional<QString> engineFailureMessage() const { return m_engineFailureMessage; }
    bool whiteEngineLimitElo() const { return m_whiteEngineLimitElo; }
    std::int64_t whiteEngineElo() const { return m_whiteEngineElo; }
    bool blackEngineLimitElo() const { return m_blackEngineLimitElo; }
    std::int64_t blackEngineElo() const { return m_blackEngineElo; }
    // The clock as it stood before each move of the game, oldest first (for undo).
    const std::vector<ChessClock::Snapshot>& clockHistory() const { return m_clockHistory; }

    // Mode, colour wish and time control take effect at the next new game.
    void setGameMode(GameMode mode);
    void setColorChoice(PlayerColorChoice choice);
    void setTimeControlConfig(const TimeControlConfig& config);

    // The series of games to tell about each ended game; null for none. Not owned; it must
    // outlive the manager or be unset first.
    void setSeriesObserver(GameSeriesObserver* observer);

    // A new game from the standard position with the current mode, colour wish and time control.
    // The clock starts for White once the players are ready (at once, on the next turn of the
    // event loop, between two people).
    void startNewGame();

    // The board's only input: selects, re-selects, moves or opens the promotion choice.
    void handleSquareClick(Square square);

    // Plays the pending promotion with the chosen piece.
    void confirmPromotion(PieceType pieceType);
    // Drops the pending promotion and the selection; the board stays as it was.
    void cancelPromotion();

    // `color` resigns; ignored once the game is over.
    void resign(PieceColor color);
    // Ends the game with the board's claimable draw (fifty moves, threefold repetition), if any.
    void claimDraw();
    // Pauses or resumes play (the clock with it).
    void togglePause();
    // Turns the board round.
    void flipBoard();
    // Halts the game without a result (the series of games uses it); the board and any result
    // stay, play is paused.
    void stopCurrentGame();

    // Replaces the game by the position of a FEN text and starts play from it (or shows it as
    // finished when it is already over). Throws the FEN reader's DomainError; a rejected text
    // changes nothing.
    void loadFEN(const QString& fen);
    // Replaces the game by a PGN game at its final position; an unfinished game continues.
    // Throws the PGN reader's DomainError; a rejected text changes nothing.
    void loadPGN(const QString& text);
    // FEN of the live position.
    QString exportFEN() const;
    // The game as PGN, with the player names of the mode and the chosen time control.
    QString exportPGN() const;
    // Takes back one move, or against an engine on the user's turn the user's move and the
    // engine's reply; the clock returns to where it stood before the earliest move taken back.
    void undoMove();
    // Shows the position after history entry `index` (none: the live position).
    void inspectMove(std::optional<std::int64_t> index);
    // The board the views draw: the inspected earlier position, else the live board.
    // Recomputed on every read.
    ChessBoard displayedBoard() const;
    // Rebuilds a finished game from its UCI move texts for viewing; unreadable or illegal moves
    // are skipped. `reason` is the caller's result text and is not stored.
    void replayGame(const QStringList& moves, const std::optional<QString>& initialFEN,
                    const std::optional<QString>& reason);

signals:
    void boardChanged(const velkor::ChessBoard& board);
    void gameModeChanged(velkor::GameMode mode);
    void colorChoiceChanged(velkor::PlayerColorChoice choice);
    void humanColorChanged(velkor::PieceColor color);
    void timeControlConfigChanged(const velkor::TimeControlConfig& config);
    void isFlippedChanged(bool flipped);
    void selectedSquareChanged(std::optional<velkor::Square> square);
    void legalDestinationSquaresChanged(const std::vector<velkor::Square>& squares);
    void lastMoveChanged(std::optional<velkor::Move> move);
    void pendingPromotionChanged(std::optional<velkor::PendingPromotion> promotion);
    void isGameOverChanged(bool over);
    void gameEndReasonChanged(std::optional<velkor::GameEndReason> reason);
    void isPausedChanged(bool paused);
    void inspectingMoveIndexChanged(std::optional<qint64> index);
    void engineStatusTextChanged(const QString& text);
    void engineFailureMessageChanged(const std::optional<QString>& message);
    void whiteEngineLimitEloChanged(bool limit);
    void whiteEngineEloChanged(qint64 elo);
    void blackEngineLimitEloChanged(bool limit);
    void blackEngineEloChanged(qint64 elo);

private:
    // Lets tests start from a position of their choice and apply a move directly.
    friend struct GameManagerTestAccess;

    // Forgets everything of the previous game but the board and the clock.
    void resetGameState();
    // Gets the game's players ready; when `resumePlay`, starts the clock for the side to move once
    // they are.
    void launchPlayers(bool resumePlay = true);
    // Cancels a pending start of play and lets go of the game's players.
    void discardPlayers();
    // After an undo: fresh players for the position; the clock runs on once they are ready, and
    // only if it ran before.
    void restartPlayersForCurrentPosition();
    // The display name of the engine playing `color`, when one does.
    std::optional<QString> engineName(PieceColor color) const;
    // Forgets the selection, the inspected position and any pending promotion.
    void resetNavigation();
    void selectSquare(Square square);
    void clearSelection();
    // Applies a move the click flow found legal: clock snapshot, board, sound, game end, clock.
    void userExecuteMove(const Move& move);
    void playMoveSound(bool isCapture);
    void checkGameEnd();
    // The clock's time-out for `timedOutColor`, run after the clock's tick has returned.
    void handleTimeout(PieceColor timedOutColor);
    // Records the end, stops the clock, plays the end sound and tells the series.
    void endGame(const GameEndReason& reason);
    void notifyGameEnded(const GameEndReason& reason);

    void setBoard(ChessBoard board);
    void setHumanColor(PieceColor color);
    void setIsFlipped(bool flipped);
    void setSelectedSquare(std::optional<Square> square);
    void setLegalDestinationSquares(std::vector<Square> squares);
    void setLastMove(std::optional<Move> move);
    void setPendingPromotion(std::optional<PendingPromotion> promotion);
    void setIsGameOver(bool over);
    void setGameEndReason(std::optional<GameEndReason> reason);
    void setIsPaused(bool paused);
    void setInspectingMoveIndex(std::optional<std::int64_t> index);
    void setEngineStatusText(const QString& text);
    void setEngineFailureMessage(const std::optional<QString>& message);

    platform::SoundManager& m_sounds;
    ChessBoard m_board;
    GameMode m_gameMode = GameMode::humanVsEngine;
    PlayerColorChoice m_colorChoice = PlayerColorChoice::white;
    PieceColor m_humanColor = PieceColor::white;
    TimeControlConfig m_timeControlConfig;
    ChessClock m_clock;
    bool m_isFlipped = false;
    std::optional<Square> m_selectedSquare;
    std::vector<Square> m_legalDestinationSquares;
    std::optional<Move> m_lastMove;
    std::optional<PendingPromotion> m_pendingPromotion;
    bool m_isGameOver = false;
    std::optional<GameEndReason> m_gameEndReason;
    bool m_isPaused = false;
    std::optional<std::int64_t> m_inspectingMoveIndex;
    // The live evaluation, analysis lines, move analyses, both engine processes, the thinking
    // side and engine, the engine tasks and the pending move evaluation join here with engine
    // games.
    QString m_engineStatusText = QStringLiteral("Ready");
    std::optional<QString> m_engineFailureMessage;
    bool m_whiteEngineLimitElo = false;
    std::int64_t m_whiteEngineElo = 1800;
    bool m_blackEngineLimitElo = false;
    std::int64_t m_blackEngineElo = 1800;
    std::vector<ChessClock::Snapshot> m_clockHistory;

    GameSeriesObserver* m_seriesObserver = nullptr;
    // Cancels the pending start of play when the game is replaced or stopped.
    platform::CancellationSource m_playersStart;
    // The start of play found the game paused; resuming starts the clock instead.
    bool m_clockStartDeferred = false;
    // Counts replaced and stopped games, so a time-out scheduled for one never ends the next.
    std::uint64_t m_playGeneration = 0;
};

} // namespace velkor
