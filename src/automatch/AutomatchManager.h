#pragma once

#include "AutomatchExports.h"
#include "AutomatchGameRecord.h"
#include "HistoryStore.h"
#include "SeriesScore.h"
#include "game/GameManager.h"
#include "game/GameSeriesObserver.h"
#include "platform/Cancellation.h"
#include "platform/SoundManager.h"
#include "uci/EngineConfiguration.h"
#include "uci/EngineManager.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velkor {

// Something about the stored match history that the person must be told once.
struct HistoryNotice {
    enum class Kind {
        // Some stored games could not be read; the rest were kept, the stored text copied.
        damagedRecordsSetAside,
        // Nothing of the stored history could be read; its text was copied.
        unreadableHistoryKept,
        // The history cannot be written: games of this session are not kept.
        cannotSave,
    };
    Kind kind = Kind::cannotSave;
    // How many games were set aside.
    std::int64_t count = 0;
    // The copy of the unreadable history, or the database that cannot be written.
    QString path;
    // The reason, in the words of the store.
    QString detail;

    bool operator==(const HistoryNotice&) const = default;
};

// Runs a series of engine-against-engine games between engine 1 and engine 2 through the game
// manager: validates the set-up, starts each game (opening suite in turn, colours swapped after
// every game when asked), scores every game end, counts down between games and sums the series
// up. The history of the last series, its engines and its score persist in an SQLite database
// (one row per game); a history stored by earlier versions under "Brontil_AutomatchHistory_v1"
// is brought over once and left where it was. Published fields announce every real change. Main
// thread.
class AutomatchManager : public QObject, public GameSeriesObserver {
    Q_OBJECT
    Q_PROPERTY(qint64 totalGames READ totalGames WRITE setTotalGames NOTIFY totalGamesChanged)
    Q_PROPERTY(bool alternateColors READ alternateColors WRITE setAlternateColors NOTIFY
                   alternateColorsChanged)
    Q_PROPERTY(double pauseBetweenGamesSeconds READ pauseBetweenGamesSeconds WRITE
                   setPauseBetweenGamesSeconds NOTIFY pauseBetweenGamesSecondsChanged)
    Q_PROPERTY(
        QStringList openingFENs READ openingFENs WRITE setOpeningFENs NOTIFY openingFENsChanged)
    Q_PROPERTY(std::optional<velkor::EngineConfiguration> engine1 READ engine1 WRITE setEngine1
                   NOTIFY engine1Changed)
    Q_PROPERTY(bool engine1LimitElo READ engine1LimitElo WRITE setEngine1LimitElo NOTIFY
                   engine1LimitEloChanged)
    Q_PROPERTY(qint64 engine1Elo READ engine1Elo WRITE setEngine1Elo NOTIFY engine1EloChanged)
    Q_PROPERTY(std::optional<velkor::EngineConfiguration> engine2 READ engine2 WRITE setEngine2
                   NOTIFY engine2Changed)
    Q_PROPERTY(bool engine2LimitElo READ engine2LimitElo WRITE setEngine2LimitElo NOTIFY
                   engine2LimitEloChanged)
    Q_PROPERTY(qint64 engine2Elo READ engine2Elo WRITE setEngine2Elo NOTIFY engine2EloChanged)
    Q_PROPERTY(bool isAutomatchActive READ isAutomatchActive NOTIFY isAutomatchActiveChanged)
    Q_PROPERTY(bool isAutomatchPaused READ isAutomatchPaused NOTIFY isAutomatchPausedChanged)
    Q_PROPERTY(qint64 currentGameIndex READ currentGameIndex NOTIFY currentGameIndexChanged)
    Q_PROPERTY(
        bool currentWhiteIsEngine1 READ currentWhiteIsEngine1 NOTIFY currentWhiteIsEngine1Changed)
    Q_PROPERTY(bool isCountingDown READ isCountingDown NOTIFY isCountingDownChanged)
    Q_PROPERTY(double countdownRemaining READ countdownRemaining NOTIFY countdownRemainingChanged)
    Q_PROPERTY(qint64 engine1Wins READ engine1Wins NOTIFY engine1WinsChanged)
    Q_PROPERTY(qint64 engine2Wins READ engine2Wins NOTIFY engine2WinsChanged)
    Q_PROPERTY(qint64 draws READ draws NOTIFY drawsChanged)
    Q_PROPERTY(qint64 historyCount READ historyCount NOTIFY historyCountChanged)
    Q_PROPERTY(std::optional<QString> matchFinishedReason READ matchFinishedReason NOTIFY
                   matchFinishedReasonChanged)
    Q_PROPERTY(std::optional<QString> configurationError READ configurationError NOTIFY
                   configurationErrorChanged)
    Q_PROPERTY(velkor::TimeControlConfig timeControl READ timeControl NOTIFY timeControlChanged)

public:
    // The defaults key of the history stored by earlier versions.
    static inline const QString persistedHistoryKey = QStringLiteral("Brontil_AutomatchHistory_v1");

    // The history database in the program's data folder:
    // <data>/com.tamsel.brontil/AutomatchHistory.sqlite.
    static QString defaultHistoryDatabasePath();

    // Preselects the engines from the registry (White's selection, else the first installed
    // engine; Black's selection, else the second installed one, else engine 1), restores the
    // stored history and registers with the game manager for its game ends. All three must
    // outlive the automatch manager. An empty database path means defaultHistoryDatabasePath().
    explicit AutomatchManager(GameManager& games = GameManager::shared(),
                              EngineManager& engines = EngineManager::shared(),
                              platform::SoundManager& sounds = platform::SoundManager::shared(),
                              QObject* parent = nullptr, const QString& historyDatabase = {});
    ~AutomatchManager() override;
    AutomatchManager(const AutomatchManager&) = delete;
    AutomatchManager& operator=(const AutomatchManager&) = delete;

    // The program's automatch manager, made on first use.
    static AutomatchManager& shared();

    // Configuration, edited by the panel and read when a series starts and a game is launched.
    std::int64_t totalGames() const { return m_totalGames; }
    bool alternateColors() const { return m_alternateColors; }
    double pauseBetweenGamesSeconds() const { return m_pauseBetweenGamesSeconds; }
    const QStringList& openingFENs() const { return m_openingFENs; }
    const std::optional<EngineConfiguration>& engine1() const { return m_engine1; }
    bool engine1LimitElo() const { return m_engine1LimitElo; }
    std::int64_t engine1Elo() const { return m_engine1Elo; }
    const std::optional<EngineConfiguration>& engine2() const { return m_engine2; }
    bool engine2LimitElo() const { return m_engine2LimitElo; }
    std::int64_t engine2Elo() const { return m_engine2Elo; }

    void setTotalGames(std::int64_t games);
    void setAlternateColors(bool alternate);
    void setPauseBetweenGamesSeconds(double seconds);
    void setOpeningFENs(const QStringList& fens);
    void setEngine1(const std::optional<EngineConfiguration>& engine);
    void setEngine1LimitElo(bool limit);
    void setEngine1Elo(std::int64_t elo);
    void setEngine2(const std::optional<EngineConfiguration>& engine);
    void setEngine2LimitElo(bool limit);
    void setEngine2Elo(std::int64_t elo);

    // Run state.
    bool isAutomatchActive() const override { return m_isAutomatchActive; }
    bool isAutomatchPaused() const { return m_isAutomatchPaused; }
    // 1-based number of the game being played or last played; 0 after clearing.
    std::int64_t currentGameIndex() const { return m_currentGameIndex; }
    bool currentWhiteIsEngine1() const { return m_currentWhiteIsEngine1; }
    bool isCountingDown() const { return m_isCountingDown; }
    // Seconds left of the pause between two games.
    double countdownRemaining() const { return m_countdownRemaining; }
    std::int64_t engine1Wins() const { return m_engine1Wins; }
    std::int64_t engine2Wins() const { return m_engine2Wins; }
    std::int64_t draws() const { return m_draws; }
    // The number of recorded games of the last series.
    std::int64_t historyCount() const { return m_historyCount; }
    // The engines and strengths of the last series as they were when it started (also after a
    // restart); none before the first series.
    const std::optional<automatch::SeriesIdentity>& seriesEngines() const {
        return m_seriesEngines;
    }
    // What the person must be told about the stored history; cleared by acknowledging it.
    const std::optional<HistoryNotice>& historyNotice() const { return m_historyNotice; }
    void acknowledgeHistoryNotice();

    // The recorded games, newest first, a page at a time: up to `limit` rows older than `before`.
    QList<automatch::HistoryRow> historyPage(std::optional<automatch::HistoryCursor> before,
                                             int limit) const;
    // The whole record of a row.
    std::optional<AutomatchGameRecord> historyRecord(std::int64_t key) const;
    // Every record of the last series, oldest first. Reads the whole history: for tests and
    // small series; the exports stream instead.
    QList<AutomatchGameRecord> readWholeHistory() const;
    // The summary after the series ended, or "Automatch gestoppt.".
    const std::optional<QString>& matchFinishedReason() const { return m_matchFinishedReason; }
    // The same end in figures; changes together with matchFinishedReason.
    const std::optional<automatch::SeriesEnd>& seriesEnd() const { return m_seriesEnd; }
    // Why the last start, or a game's launch, was refused.
    const std::optional<QString>& configurationError() const { return m_configurationError; }
    // The time control and engine thinking mode every game of the series is played with: the
    // game manager's setting for the next game while no series runs, and the one the running
    // series started with (each of its games is started with it, whatever is set meanwhile).
    const TimeControlConfig& timeControl() const { return m_timeControl; }

    // What a configuration error says, for the interface to word in its own language: the fixed
    // refusals by kind, with the FEN or the parser's reason as detail; any other text as `other`.
    struct ConfigurationProblem {
        enum class Kind { enginesRequired, invalidOpening, decidedOpening, other };
        Kind kind = Kind::other;
        QString detail;
    };
    static ConfigurationProblem describeConfigurationError(const QString& error);

    // Derived values, computed on each read.
    // The Elo limit is asked for and the engine is not known to lack UCI_LimitStrength.
    bool engine1LimitApplies() const;
    bool engine2LimitApplies() const;
    double engine1Score() const;
    double engine2Score() const;
    // The engine's name, or "Engine 1" / "Engine 2" without a configuration.
    QString effectiveEngine1Name() const;
    QString effectiveEngine2Name() const;
    QString currentWhiteEngineName() const;
    QString currentBlackEngineName() const;
    // No series runs and the last one has records and played to its end (or, after a restart,
    // recorded at least totalGames games).
    bool isMatchFinished() const;
    // Positive when engine 1 scored more; none without records.
    std::optional<double> estimatedEloDifference() const;

    // Validates the set-up and begins a new series from game 1 (dropping the previous records).
    // Given arguments replace the configured values first; totalGames is raised to at least 1.
    // A refusal is published in configurationError: "Two executable UCI engines are required."
    // or "The opening suite contains an invalid FEN: <reason>".
    void start(std::optional<std::int64_t> totalGames = std::nullopt,
               std::optional<EngineConfiguration> engine1 = std::nullopt,
               std::optional<EngineConfiguration> engine2 = std::nullopt);
    // Ends the running series at once ("Automatch gestoppt."); records and score stay.
    void stop();
    // Suspends the running series: the countdown stops and the game manager's game is paused.
    void pause();
    // Continues a paused series: the paused game, or straight the next one when the game is over.
    void resume();
    // Stops, forgets the records and the score, and removes the stored history.
    void clearHistory();
    // "View on Board": shows the recorded game on the board with its own players, strengths,
    // result, end, clocks and PGN. Refused (false) while a series runs, whose game is on the
    // board.
    bool viewGameOnBoard(const AutomatchGameRecord& record);
    // What the board is given to show a record.
    static StoredGame storedGame(const AutomatchGameRecord& record);

    // The exports the panel copies or saves, read from the store a page at a time. The streaming
    // forms hand the text to `sink` piece by piece and say whether the history could be read.
    QString exportAllPGN() const;
    QString exportCSV() const;
    QString exportJSON() const;
    bool exportAllPGN(const std::function<void(const QString&)>& sink) const;
    bool exportCSV(const std::function<void(const QString&)>& sink) const;
    bool exportJSON(const std::function<void(const QString&)>& sink) const;

    // A series played outside the board (the full-speed runner, a match file read back) goes
    // into the same history: it replaces the last series like a new watched one. Refused (false)
    // while a watched series runs, which owns the history then.
    bool beginOutsideSeries(std::int64_t totalGames, const automatch::SeriesIdentity& engines);
    // Adds a finished game of that series and counts it in the score by its result.
    void recordOutsideGame(const AutomatchGameRecord& record);
    // The outside series is over: its length is saved and its end published.
    void finishOutsideSeries();
    // A whole outside series at once (a match file read back), in one transaction; false when
    // refused or not stored.
    bool importOutsideSeries(const automatch::SeriesIdentity& engines,
                             const QList<AutomatchGameRecord>& records);

    // The game manager reports a game end of the running series here.
    void handleGameEnd(const GameEndReason& reason, const ChessBoard& board, const QString& pgn,
                       const std::optional<QString>& engineFailure) override;

signals:
    void totalGamesChanged(qint64 games);
    void alternateColorsChanged(bool alternate);
    void pauseBetweenGamesSecondsChanged(double seconds);
    void openingFENsChanged(const QStringList& fens);
    void engine1Changed(const std::optional<velkor::EngineConfiguration>& engine);
    void engine1LimitEloChanged(bool limit);
    void engine1EloChanged(qint64 elo);
    void engine2Changed(const std::optional<velkor::EngineConfiguration>& engine);
    void engine2LimitEloChanged(bool limit);
    void engine2EloChanged(qint64 elo);
    void isAutomatchActiveChanged(bool active);
    void isAutomatchPausedChanged(bool paused);
    void currentGameIndexChanged(qint64 index);
    void currentWhiteIsEngine1Changed(bool whiteIsEngine1);
    void isCountingDownChanged(bool countingDown);
    void countdownRemainingChanged(double seconds);
    void engine1WinsChanged(qint64 wins);
    void engine2WinsChanged(qint64 wins);
    void drawsChanged(qint64 draws);
    void historyCountChanged(qint64 count);
    // A game was recorded: its row goes on top of the history.
    void historyRowAdded(const velkor::automatch::HistoryRow& row);
    // The history was replaced as a whole (a new series, clearing): read it again.
    void historyReset();
    void seriesEnginesChanged(const std::optional<velkor::automatch::SeriesIdentity>& engines);
    void historyNoticeChanged(const std::optional<velkor::HistoryNotice>& notice);
    void matchFinishedReasonChanged(const std::optional<QString>& reason);
    void configurationErrorChanged(const std::optional<QString>& error);
    void timeControlChanged(const velkor::TimeControlConfig& config);

private:
    // Fills a missing engine 1 from White's selection or the first installed engine, and a
    // missing engine 2 from Black's selection, the last installed engine or engine 1.
    void ensureEnginesAssigned();
    // Why the engines cannot play, or none.
    std::optional<QString> engineProblem() const;
    // Why the opening suite cannot be used, or none.
    std::optional<QString> openingSuiteProblem() const;
    // A refused start: the error, no series.
    void refuseStart(const QString& error);
    // Sets up and starts the game currentGameIndex through the game manager.
    void launchCurrentGame();
    // The countdown to the next game.
    void scheduleNextGame();
    QCoro::Task<> runCountdown(platform::CancellationToken token);
    void cancelCountdown();
    void advanceToNextGame();
    // Whether the countdown or a launch may still act: a series runs and is not paused.
    bool isRunning() const { return m_isAutomatchActive && !m_isAutomatchPaused; }
    void finishSeries();
    // Resets the score and replaces the stored series with a new, empty one.
    void beginSeriesRecord(std::int64_t totalGames, const automatch::SeriesIdentity& identity);
    // Stores a recorded game (the score already counted) and lists it on top of the history.
    void appendRecord(const AutomatchGameRecord& record);
    // Writes the series length (the score goes with each recorded game).
    void saveHistory();
    void restoreHistory(const QString& databasePath);
    // Brings a history stored by an earlier version over into the database, once.
    void importStoredHistory();
    // The store failed: tell the person once, and carry on with what is in memory.
    void reportStoreFailure();
    automatch::SeriesIdentity currentSeriesIdentity() const;
    automatch::RecordSource storedRecords() const;

    void setIsAutomatchActive(bool active);
    void setIsAutomatchPaused(bool paused);
    void setCurrentGameIndex(std::int64_t index);
    void setCurrentWhiteIsEngine1(bool whiteIsEngine1);
    void setIsCountingDown(bool countingDown);
    void setCountdownRemaining(double seconds);
    void setEngine1Wins(std::int64_t wins);
    void setEngine2Wins(std::int64_t wins);
    void setDraws(std::int64_t draws);
    void setHistoryCount(std::int64_t count);
    void setSeriesEngines(const std::optional<automatch::SeriesIdentity>& engines);
    void setHistoryNotice(const std::optional<HistoryNotice>& notice);
    void setSeriesEnd(const std::optional<automatch::SeriesEnd>& end);
    void setConfigurationError(const std::optional<QString>& error);
    void setTimeControl(const TimeControlConfig& config);

    GameManager& m_games;
    EngineManager& m_engines;
    platform::SoundManager& m_sounds;

    std::int64_t m_totalGames = 10;
    bool m_alternateColors = true;
    double m_pauseBetweenGamesSeconds = 1.5;
    QStringList m_openingFENs;
    std::optional<EngineConfiguration> m_engine1;
    bool m_engine1LimitElo = false;
    std::int64_t m_engine1Elo = 1800;
    std::optional<EngineConfiguration> m_engine2;
    bool m_engine2LimitElo = false;
    std::int64_t m_engine2Elo = 1800;

    bool m_isAutomatchActive = false;
    bool m_isAutomatchPaused = false;
    // The series in hand ended by playing its last game, not by a stop.
    bool m_playedToItsEnd = false;
    std::int64_t m_currentGameIndex = 0;
    bool m_currentWhiteIsEngine1 = true;
    bool m_isCountingDown = false;
    double m_countdownRemaining = 0.0;
    std::int64_t m_engine1Wins = 0;
    std::int64_t m_engine2Wins = 0;
    std::int64_t m_draws = 0;
    std::int64_t m_historyCount = 0;
    std::optional<automatch::SeriesIdentity> m_seriesEngines;
    std::optional<HistoryNotice> m_historyNotice;
    // The history; in memory when its file cannot be opened.
    std::unique_ptr<automatch::HistoryStore> m_store;
    // The series the records belong to; none before the first series.
    std::optional<std::int64_t> m_seriesId;
    bool m_storeFailureReported = false;
    std::optional<QString> m_matchFinishedReason;
    std::optional<automatch::SeriesEnd> m_seriesEnd;
    std::optional<QString> m_configurationError;
    TimeControlConfig m_timeControl;

    // Cancels the running countdown; replaced by each new one.
    platform::CancellationSource m_countdown;
};

} // namespace velkor
