#pragma once

#include "AutomatchGameRecord.h"

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

namespace velkor::automatch {

// Who played a series and at what strength (an Elo limit, or none for full strength), as the
// scoreboard names them, also after a restart when other engines sit in the pickers.
struct SeriesIdentity {
    QString engine1Name;
    std::optional<std::int64_t> engine1Elo;
    QString engine2Name;
    std::optional<std::int64_t> engine2Elo;

    bool operator==(const SeriesIdentity&) const = default;
};

// The stored head of a series: its length, its engines and its score.
struct StoredSeries {
    std::int64_t id = 0;
    std::int64_t totalGames = 0;
    SeriesIdentity engines;
    std::int64_t engine1Wins = 0;
    std::int64_t engine2Wins = 0;
    std::int64_t draws = 0;
    // The number and colours of the last recorded game; 0 without games.
    std::int64_t lastGameNumber = 0;
    bool lastWhiteIsEngine1 = true;

    // Every record counts once in exactly one of the three counters.
    std::int64_t recordCount() const { return engine1Wins + engine2Wins + draws; }
};

// Where a page of the history ends, to ask for the next one.
struct HistoryCursor {
    std::int64_t finishedAtMs = 0;
    std::int64_t key = 0;

    bool operator==(const HistoryCursor&) const = default;
};

// One game as the history list shows it: what a row needs, without moves and PGN.
struct HistoryRow {
    // The store's key of the record, to fetch it whole.
    std::int64_t key = 0;
    std::int64_t finishedAtMs = 0;
    std::int64_t gameNumber = 0;
    QString whiteEngineName;
    QString blackEngineName;
    std::optional<std::int64_t> whiteEngineElo;
    std::optional<std::int64_t> blackEngineElo;
    QString result;
    QString reason;

    HistoryCursor cursor() const { return {finishedAtMs, key}; }
    bool operator==(const HistoryRow&) const = default;
};

// The match history in an SQLite database: one row per game, written in one transaction with the
// series' new score, kept in time order per series and read page by page, so neither start-up
// nor a new game costs more with a long history. Main thread only.
class HistoryStore {
public:
    // Opens or creates the database file; ":memory:" keeps it in memory for this process only.
    // A store that cannot be opened reports why in error() and refuses every call.
    explicit HistoryStore(const QString& path);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    bool isOpen() const { return m_open; }
    const QString& path() const { return m_path; }
    // Why the last operation failed (or the store did not open).
    const QString& error() const { return m_error; }

    // The series started last, if any.
    std::optional<StoredSeries> latestSeries() const;
    // A new, empty series; every earlier series and its games go in the same transaction.
    std::optional<std::int64_t> beginSeries(std::int64_t totalGames, const SeriesIdentity& engines);
    bool setTotalGames(std::int64_t seriesId, std::int64_t totalGames);
    // Adds the game to the series together with the series' score after it; the new row's key.
    std::optional<std::int64_t> appendGame(std::int64_t seriesId, const AutomatchGameRecord& record,
                                           std::int64_t engine1Wins, std::int64_t engine2Wins,
                                           std::int64_t draws);
    // A whole series at once (the history stored by earlier versions), with `marker` set in the
    // same transaction so that it is brought over exactly once.
    std::optional<std::int64_t> importSeries(std::int64_t totalGames, const SeriesIdentity& engines,
                                             const QList<AutomatchGameRecord>& records,
                                             std::int64_t engine1Wins, std::int64_t engine2Wins,
                                             std::int64_t draws, const QString& marker);
    // Forgets every series and game.
    bool clear();

    // Up to `limit` rows of the series, newest first, older than `before` when given.
    QList<HistoryRow> newestFirst(std::int64_t seriesId, std::optional<HistoryCursor> before,
                                  int limit) const;
    // The whole record under `key`.
    std::optional<AutomatchGameRecord> record(std::int64_t key) const;
    // Every record of the series, oldest first, read `pageSize` at a time so that memory stays
    // small whatever the length; stops early when `visit` returns false. False on a read error.
    bool forEachRecord(std::int64_t seriesId,
                       const std::function<bool(const AutomatchGameRecord&)>& visit,
                       int pageSize = 200) const;

    // Small facts about the store itself (whether the old history was brought over).
    std::optional<QString> marker(const QString& name) const;
    bool setMarker(const QString& name, const QString& value);

private:
    bool createSchema();
    std::optional<std::int64_t> insertGame(std::int64_t seriesId,
                                           const AutomatchGameRecord& record);
    bool updateScore(std::int64_t seriesId, std::int64_t engine1Wins, std::int64_t engine2Wins,
                     std::int64_t draws, std::int64_t lastGameNumber, bool lastWhiteIsEngine1);
    std::optional<std::int64_t> insertSeries(std::int64_t totalGames,
                                             const SeriesIdentity& engines);
    // Removes the stored series and its games and inserts a new one; inside a transaction.
    std::optional<std::int64_t> replaceSeries(std::int64_t totalGames,
                                              const SeriesIdentity& engines);
    // Runs `work` in one transaction, rolled back when it fails.
    bool inTransaction(const std::function<bool()>& work);
    bool fail(const QString& what, const QString& why) const;
    // Folds the write-ahead log back into the database on a thread of its own from time to time,
    // so that no game's commit waits for it.
    void checkpointInTheBackground();
    void joinCheckpoint();

    QString m_path;
    std::thread m_checkpoint;
    std::atomic<bool> m_checkpointRunning{false};
    int m_appendsSinceCheckpoint = 0;
    QString m_connection;
    bool m_open = false;
    mutable QString m_error;
};

} // namespace velkor::automatch
