#pragma once

#include "BoardClicks.h"
#include "ChessClock.h"
#include "EngineSeat.h"
#include "GameMode.h"
#include "GameSeriesObserver.h"
#include "LiveAnalysis.h"
#include "LoadedGameRecord.h"
#include "PlayerColorChoice.h"
#include "ShownGame.h"
#include "TimeControlConfig.h"
#include "chess/ChessBoard.h"
#include "platform/SleepGuard.h"
#include "platform/SoundManager.h"
#include "uci/EngineManager.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace velkor {

// The game session every view and the series of games talk to: it owns the board and the clock,
// applies each move with its clock bookkeeping and sound, detects and announces the end of the
// game, and offers resign, draw claims, pause and board flip. Its parts do one job each: the
// board clicks (BoardClicks) become selections, promotion choices and moves; an engine seat per
// colour (EngineSeat) holds the engine the mode gives that colour; the live analysis
// (LiveAnalysis) shows the thinking engine's evaluation and grades engine moves; the search of a
// turn comes from searchLimitsForTurn. The manager starts the engines before the clock runs,
// asks them for moves and judges their answers against the clock and the rules. Published
// fields announce every real change. Main thread.
class GameManager : public QObject {
    Q_OBJECT
public:
    // The manager plays its sounds through `sounds`, takes its engines from the selections of
    // `engines` and keeps the machine awake through `sleepGuard`; all three must outlive it.
    explicit GameManager(platform::SoundManager& sounds = platform::SoundManager::shared(),
                         EngineManager& engines = EngineManager::shared(),
                         platform::SleepGuard& sleepGuard = platform::SleepGuard::shared(),
                         QObject* parent = nullptr);
    // Ends the engines and gives the keep-awake lock back.
    ~GameManager() override;

    // The program's one game session.
    static GameManager& shared();

    // The game's position and move history.
    const ChessBoard& board() const { return m_board; }
    // The game clock, the same object for the manager's whole life; it announces its own changes.
    ChessClock& clock() { return m_clock; }
    const ChessClock& clock() const { return m_clock; }
    // The mode of the next game (the New Game setting).
    GameMode gameMode() const { return m_gameMode; }
    // The mode of the game on the board; it changes only when a game is started or loaded.
    GameMode playingMode() const { return m_playingMode; }
    // The game on the board as every view names it: players with their strengths, result and,
    // for a stored game, its own record. Views take names, strengths and the result from here
    // and nowhere else, so a setting for the next game never relabels the game on the board.
    const ShownGame& shownGame() const { return m_shownGame; }
    // The colour wish against an engine, resolved at each new game.
    PlayerColorChoice colorChoice() const { return m_colorChoice; }
    // The colour the user plays against an engine in the current game.
    PieceColor humanColor() const { return m_humanColor; }
    // The time control of the next game and the engines' way of searching.
    const TimeControlConfig& timeControlConfig() const { return m_timeControlConfig; }
    // Whether the board is drawn with Black at the bottom.
    bool isFlipped() const { return m_isFlipped; }
    // The board's input as it stands: the picked-up man and its destinations, the man held under
    // a pressed button, the open promotion choice. The three Changed signals below announce it.
    const BoardClicks& clicks() const { return m_clicks; }
    std::optional<Move> lastMove() const { return m_lastMove; }
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
    // The clock as it stood before each move of the game, oldest first (for undo).
    const std::vector<ChessClock::Snapshot>& clockHistory() const { return m_clockHistory; }
    // The score of the position on the board (the inspected one while stepping through the
    // game): the last one an engine gave it, none when nothing is known of it.
    const std::optional<WhiteScore>& shownScore() const { return m_shownScore; }
    // The parts the views bind to directly; each announces its own changes. The engine seat of
    // `color` holds the engine playing it (null where a person plays or none was made) and the
    // strength it plays at; the live analysis holds the thinking engine's lines and the grades
    // of engine moves.
    const EngineSeat& engineSeat(PieceColor color) const;
    const LiveAnalysis& liveAnalysis() const { return m_analysis; }
    // The side whose engine is searching, and that engine's configuration (the engine card).
    std::optional<PieceColor> currentlyThinkingColor() const { return m_currentlyThinkingColor; }
    const std::optional<EngineConfiguration>& currentlyThinkingEngine() const {
        return m_currentlyThinkingEngine;
    }
    bool hasEngineStartTask() const;

    // Mode, colour wish and time control take effect at the next new game.
    void setGameMode(GameMode mode);
    void setColorChoice(PlayerColorChoice choice);
    void setTimeControlConfig(const TimeControlConfig& config);

    // The series of games to tell about each ended game; null for none. Not owned; it must
    // outlive the manager or be unset first.
    void setSeriesObserver(GameSeriesObserver* observer);

    // The monotonic time source (seconds) of the clock and of the engines' answer times.
    void setTimeSource(platform::TimeSource now);
    // Take effect for the engines made from now on.
    void setEngineSessionOptions(const EngineSessionOptions& options);

    // The strength of `color`'s engine in the next game.
    void setEngineStrength(PieceColor color, bool limitElo, std::int64_t elo);
    // Changes a colour's strength during the game: the settings, the running engine (told at
    // once; a search in progress is stopped and asked for afresh at the new strength) and,
    // while it thinks, the engine card.
    void updateWhiteElo(bool limitElo, std::int64_t elo);
    void updateBlackElo(bool limitElo, std::int64_t elo);

    // Keeps the machine awake while an engine game is in progress or a series of games is
    // active, and lets it sleep otherwise (the series calls it when it starts or ends).
    void updateKeepAwake();

    // A new game from the standard position with the current mode, colour wish and time control.
    // The clock starts for White once the players are ready (between two people: at once).
    void startNewGame();
    // A new game like startNewGame(), except that where a person makes the first move the clock
    // starts with that move: the game the program opens on, before anyone sits at the board.
    void startOpeningGame();

    // The board's input: selects, re-selects, moves or opens the promotion choice.
    void handleSquareClick(Square square);
    // The same input as a press and a release of the mouse button, so a man can also be dragged
    // to its destination (BoardClicks::press and release tell what each does). A release off the
    // board is none.
    void handleSquarePress(Square square);
    void handleSquareRelease(std::optional<Square> square);

    // Plays the pending promotion with the chosen piece; nothing happens while the game is paused
    // (the choice stays open), and once the game is over or stopped the choice is already gone.
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
    // Replaces the game by the first game of a PGN text at its final position, with its tags,
    // comments and glyphs; an unfinished game continues. Its end is the board's where the board
    // shows one, otherwise the result the record gives, without a reason. Throws the PGN
    // reader's DomainError; a rejected text changes nothing.
    PGNLoadNotes loadPGN(const QString& text);
    // FEN of the live position.
    QString exportFEN() const;
    // The game as PGN, with the player names of the mode and the time control of the game.
    QString exportPGN() const;
    // Takes back one move, or against an engine on the user's turn the user's move and the
    // engine's reply; the clock returns to where it stood before the earliest move taken back.
    void undoMove();
    // Shows the position after history entry `index` (none: the live position; -1: the position
    // before the first move).
    void inspectMove(std::optional<std::int64_t> index);
    // Steps through the game one move back or forward, or jumps to the position before the first
    // move or back to the live one. Only what is shown changes; play goes on.
    enum class NavigationStep { start, back, forward, end };
    void navigate(NavigationStep step);
    // The history entry whose position is shown (-1: before the first move); the last entry, or
    // -1 for a game without moves, when the live position is shown.
    std::int64_t displayedMoveIndex() const;
    // The tags, glyphs and comments of a game read from PGN (gameRecordChanged announces them).
    const LoadedGameRecord& gameRecord() const { return m_gameRecord; }
    // The board the views draw: the inspected earlier position, else the live board.
    ChessBoard displayedBoard() const;
    // Shows a stored finished game on the board with its own players, strengths, result,
    // clocks and record; nothing of the game shown before stays (its engines are ended, its
    // analysis and grades dropped). Refused (false) while a series of games is running: its
    // game in play must not be replaced under it.
    bool replayGame(const StoredGame& game);
    // The same for a game known only by its moves: its players are unknown ("?") and its end is
    // the board's own. `reason` is the caller's result text, kept for the views.
    bool replayGame(const QStringList& moves, const std::optional<QString>& initialFEN,
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
    void shownScoreChanged(const std::optional<velkor::WhiteScore>& score);
    void currentlyThinkingColorChanged(std::optional<velkor::PieceColor> color);
    void currentlyThinkingEngineChanged(const std::optional<velkor::EngineConfiguration>& engine);
    void shownGameChanged(const velkor::ShownGame& game);
    void gameRecordChanged();

private:
    // Forgets everything of the previous game but the board and the clock.
    void resetGameState();
    // A game is started or loaded in the mode set for the next game.
    void beginPlayingMode();
    // Publishes the live (or loaded) game's players and result; a stored game keeps its own.
    void refreshShownGame();
    // The player of `color` in the game in play.
    ShownPlayer livePlayer(PieceColor color) const;
    void setShownGame(const ShownGame& game);
    // Looks up the score of the position the board shows.
    void refreshShownScore();

    // The engine players and the moves of either side (GameManagerEngineTurns.h, …Moves.h).
    struct EngineTurns;
    struct Moves;

    void setBoard(ChessBoard board);
    void setGameRecord(LoadedGameRecord record);
    void setHumanColor(PieceColor color);
    void setIsFlipped(bool flipped);
    void setLastMove(std::optional<Move> move);
    void setIsGameOver(bool over);
    void setGameEndReason(std::optional<GameEndReason> reason);
    void setIsPaused(bool paused);
    void setInspectingMoveIndex(std::optional<std::int64_t> index);
    void setEngineStatusText(const QString& text);
    void setEngineFailureMessage(const std::optional<QString>& message);
    // The side whose engine searches now (none: no engine does), with that engine's card.
    void setThinking(std::optional<PieceColor> color);

    platform::SoundManager& m_sounds;
    EngineManager& m_engines;
    platform::SleepGuard& m_sleepGuard;
    ChessBoard m_board;
    GameMode m_gameMode = GameMode::humanVsEngine;
    GameMode m_playingMode = GameMode::humanVsEngine;
    // Whether a game was started or loaded; before that the mode setting is the board's mode.
    bool m_hasStartedGame = false;
    ShownGame m_shownGame;
    PlayerColorChoice m_colorChoice = PlayerColorChoice::white;
    PieceColor m_humanColor = PieceColor::white;
    TimeControlConfig m_timeControlConfig;
    ChessClock m_clock;
    bool m_isFlipped = false;
    BoardClicks m_clicks;
    std::optional<Move> m_lastMove;
    bool m_isGameOver = false;
    std::optional<GameEndReason> m_gameEndReason;
    bool m_isPaused = false;
    std::optional<std::int64_t> m_inspectingMoveIndex;
    LiveAnalysis m_analysis;
    std::optional<WhiteScore> m_shownScore;
    std::optional<PieceColor> m_currentlyThinkingColor;
    std::optional<EngineConfiguration> m_currentlyThinkingEngine;
    QString m_engineStatusText = QStringLiteral("Ready");
    std::optional<QString> m_engineFailureMessage;
    std::vector<ChessClock::Snapshot> m_clockHistory;
    LoadedGameRecord m_gameRecord;

    GameSeriesObserver* m_seriesObserver = nullptr;
    platform::TimeSource m_timeSource = platform::systemUptime;
    // The game's clock waits for a person's first move (see startOpeningGame()).
    bool m_clockWaitsForFirstMove = false;
    // Counts replaced and stopped games and changes of the move list, so a time-out scheduled
    // for one position never ends the game in another.
    std::uint64_t m_playGeneration = 0;
    // The time control and thinking mode the game in play was started with.
    TimeControlConfig m_gameTimeControl;
    // Last, so the engines end before anything they report to.
    std::unique_ptr<EngineTurns> m_turns;
};

} // namespace velkor
