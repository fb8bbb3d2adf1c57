#pragma once

#include "FullSpeedSettings.h"
#include "MatchReport.h"
#include "MatchRunner.h"
#include "platform/Uptime.h"

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velkor {
class AutomatchManager;
}

namespace velkor::automatch {

// A game the runner is playing now, as the window may show it.
struct RunningGame {
    std::int64_t number = 0;
    QString white;
    QString black;
    // Empty until the first position arrives (only while boards are watched).
    QString fen;

    bool operator==(const RunningGame&) const = default;
};

// How far the match has come, and what its counts say.
struct FullSpeedStatus {
    bool running = false;
    // Games that ended (counted or not yet, because an earlier one still runs), and in all.
    std::int64_t finishedGames = 0;
    std::int64_t totalGames = 0;
    double gamesPerMinute = 0;
    // At the present rate; none before the first game ended.
    std::optional<double> secondsLeft;
    std::int64_t timeLosses = 0;
    // Names, limits and the counts in game order, as the summary lines read them; none before
    // the first match or import.
    std::optional<MatchSummary> summary;
    // How the last match ended; none while one runs or before the first.
    std::optional<MatchEnd> end;
    // Why it ended early, in the runner's words.
    QString failure;
};

// Runs a full-speed match from the window: the settings (kept across sessions), the engines
// the automatch has chosen, one runner on this thread, every finished game into the automatch
// history, and the progress the Automatch tab shows. Main thread.
class FullSpeedMatch : public QObject {
    Q_OBJECT

public:
    // Where the settings are kept.
    static inline const QString settingsKey = QStringLiteral("VelkorFullSpeedMatch");

    explicit FullSpeedMatch(AutomatchManager& automatch, QObject* parent = nullptr,
                            platform::TimeSource clock = platform::systemUptime);
    ~FullSpeedMatch() override;
    FullSpeedMatch(const FullSpeedMatch&) = delete;
    FullSpeedMatch& operator=(const FullSpeedMatch&) = delete;

    const FullSpeedSettings& settings() const { return m_settings; }
    void setSettings(const FullSpeedSettings& settings);
    // The match these settings and the chosen engines make, or why there is none.
    std::variant<MatchConfig, QString> config() const;
    // The fastchess command line that plays the configured match; the reason when there is none.
    std::variant<QString, QString> fastchessCommandLine() const;

    const FullSpeedStatus& status() const { return m_status; }
    const QList<RunningGame>& runningGames() const { return m_runningGames; }
    // Why the last start or import was refused; none after a good one.
    const std::optional<QString>& error() const { return m_error; }

    // Boards of the running games cost a position per move: they are followed only on request.
    void setWatchingBoards(bool watching);
    bool isWatchingBoards() const { return m_watchingBoards; }

    // Starts the configured match; refused (see error()) while one runs or a watched series
    // owns the history, and when the set-up is not playable.
    void start();
    // Ends the match as soon as the running searches return.
    void stop();

    // Reads back a match file a runner wrote: its W/L/D, pairs, Elo and test from the settings'
    // SPRT bounds, and its games into the history. False (see error()) when the text is not
    // one two-engine match.
    bool importPGN(const QString& text);

signals:
    void settingsChanged();
    void statusChanged();
    void runningGamesChanged();
    void errorChanged();

private:
    QCoro::Task<> play(std::unique_ptr<MatchRunner> runner);
    void gameFinished(const PlayedGame& game);
    void refreshStatus();
    void setError(const std::optional<QString>& error);

    AutomatchManager& m_automatch;
    platform::TimeSource m_clock;
    FullSpeedSettings m_settings;
    FullSpeedStatus m_status;
    QList<RunningGame> m_runningGames;
    std::optional<QString> m_error;
    bool m_watchingBoards = false;
    // The running match; null between matches.
    MatchRunner* m_runner = nullptr;
    // The coroutine that plays it, to wait for on destruction.
    std::optional<QCoro::Task<>> m_playing;
    double m_startedAt = 0;
    std::int64_t m_finishedAtStart = 0;
    // Set on destruction, so a match still running does not touch what is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace velkor::automatch
