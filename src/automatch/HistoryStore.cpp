#include "HistoryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QUuid>
#include <QVariant>
#include <atomic>

namespace velkor::automatch {

namespace {

// Games appended between two checkpoints: a few megabytes of log.
constexpr int appendsPerCheckpoint = 500;

// Raised whenever the tables change shape; older files are brought up to date in createSchema.
constexpr int schemaVersion = 1;

// Qt binds an empty QString that is null as NULL; the COALESCEs of the insertions turn such texts
// back into empty ones.
const QString rowColumns = QStringLiteral(
    "seq, finished_at, game_number, white_name, black_name, white_elo, black_elo, result, reason");
// The small columns first: SQLite then reads a row's moves and PGN only when they are asked for.
const QString recordColumns =
    QStringLiteral("seq, finished_at, game_number, white_name, black_name, white_elo, black_elo, "
                   "result, reason, uuid, white_is_engine1, winner, moves_count, initial_fen, "
                   "moves_uci, pgn, white_remaining_ms, black_remaining_ms");

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("velkor-history-%1").arg(counter.fetch_add(1));
}

QVariant optionalValue(const std::optional<std::int64_t>& value) {
    return value ? QVariant(qint64(*value)) : QVariant(QMetaType(QMetaType::LongLong));
}

QVariant optionalValue(const std::optional<QString>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::QString));
}

std::optional<std::int64_t> optionalInteger(const QVariant& value) {
    if (value.isNull()) {
        return std::nullopt;
    }
    return value.toLongLong();
}

HistoryRow rowFrom(const QSqlQuery& query) {
    HistoryRow row;
    row.key = query.value(0).toLongLong();
    row.finishedAtMs = query.value(1).toLongLong();
    row.gameNumber = query.value(2).toLongLong();
    row.whiteEngineName = query.value(3).toString();
    row.blackEngineName = query.value(4).toString();
    row.whiteEngineElo = optionalInteger(query.value(5));
    row.blackEngineElo = optionalInteger(query.value(6));
    row.result = query.value(7).toString();
    row.reason = query.value(8).toString();
    return row;
}

AutomatchGameRecord recordFrom(const QSqlQuery& query) {
    AutomatchGameRecord record;
    record.timestamp =
        QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(), QTimeZone::utc());
    record.gameNumber = query.value(2).toLongLong();
    record.whiteEngineName = query.value(3).toString();
    record.blackEngineName = query.value(4).toString();
    record.whiteEngineElo = optionalInteger(query.value(5));
    record.blackEngineElo = optionalInteger(query.value(6));
    record.result = query.value(7).toString();
    record.reason = query.value(8).toString();
    record.id = QUuid::fromString(query.value(9).toString());
    record.whiteIsEngine1 = query.value(10).toBool();
    if (!query.value(11).isNull()) {
        record.winnerEngineName = query.value(11).toString();
    }
    record.movesCount = query.value(12).toLongLong();
    if (!query.value(13).isNull()) {
        record.initialFEN = query.value(13).toString();
    }
    const QString moves = query.value(14).toString();
    if (!moves.isEmpty()) {
        record.movesUCI = moves.split(u' ');
    }
    record.pgn = query.value(15).toString();
    record.whiteRemainingMs = optionalInteger(query.value(16));
    record.blackRemainingMs = optionalInteger(query.value(17));
    return record;
}

} // namespace

HistoryStore::HistoryStore(const QString& path) : m_path(path), m_connection(nextConnectionName()) {
    if (path != QStringLiteral(":memory:")) {
        const QFileInfo file(path);
        if (!QDir().mkpath(file.absolutePath())) {
            fail(QStringLiteral("create the folder"), file.absolutePath());
            return;
        }
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    if (!db.open()) {
        fail(QStringLiteral("open"), db.lastError().text());
        return;
    }
    QSqlQuery pragma(db);
    // A write-ahead log: a game's commit appends to the log instead of rewriting pages, and a
    // crash or a kill leaves the last committed state. NORMAL syncs at checkpoints, which keeps
    // an append within a few milliseconds.
    pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    // Another copy of the program may be writing: wait for it rather than fail at once.
    pragma.exec(QStringLiteral("PRAGMA busy_timeout=2000"));
    // The log is folded back by checkpointInTheBackground, not by whichever commit fills it: that
    // takes a file sync, and a game's commit would wait a tenth of a second for it.
    pragma.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    m_open = createSchema();
}

HistoryStore::~HistoryStore() {
    joinCheckpoint();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isValid()) {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool HistoryStore::fail(const QString& what, const QString& why) const {
    m_error = QStringLiteral("Cannot %1 the match history (%2): %3").arg(what, m_path, why);
    return false;
}

bool HistoryStore::createSchema() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        return fail(QStringLiteral("read"), query.lastError().text());
    }
    const int version = query.value(0).toInt();
    if (version > schemaVersion) {
        return fail(QStringLiteral("read"),
                    QStringLiteral("written by a newer version of the program"));
    }
    if (version == schemaVersion) {
        return true;
    }
    return inTransaction([&] {
        const QStringList statements{
            QStringLiteral("CREATE TABLE IF NOT EXISTS markers (name TEXT PRIMARY KEY, value TEXT "
                           "NOT NULL)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS series ("
                           "id INTEGER PRIMARY KEY AUTOINCREMENT, total_games INTEGER NOT NULL, "
                           "engine1_name TEXT NOT NULL, engine1_elo INTEGER, "
                           "engine2_name TEXT NOT NULL, engine2_elo INTEGER, "
                           "engine1_wins INTEGER NOT NULL DEFAULT 0, "
                           "engine2_wins INTEGER NOT NULL DEFAULT 0, "
                           "draws INTEGER NOT NULL DEFAULT 0, "
                           "last_game_number INTEGER NOT NULL DEFAULT 0, "
                           "last_white_is_engine1 INTEGER NOT NULL DEFAULT 1)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS games ("
                           "seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "series_id INTEGER NOT NULL REFERENCES series(id) ON DELETE CASCADE, "
                           "finished_at INTEGER NOT NULL, game_number INTEGER NOT NULL, "
                           "white_name TEXT NOT NULL, black_name TEXT NOT NULL, "
                           "white_elo INTEGER, black_elo INTEGER, result TEXT NOT NULL, "
                           "reason TEXT NOT NULL, uuid TEXT NOT NULL, "
                           "white_is_engine1 INTEGER NOT NULL, winner TEXT, "
                           "moves_count INTEGER NOT NULL, initial_fen TEXT, "
                           "moves_uci TEXT NOT NULL, pgn TEXT NOT NULL, "
                           "white_remaining_ms INTEGER, black_remaining_ms INTEGER)"),
            // Rows of one series in time order; the row id breaks ties in recording order.
            QStringLiteral("CREATE INDEX IF NOT EXISTS games_by_series_and_time ON "
                           "games (series_id, finished_at)"),
            QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion)};
        QSqlQuery statement(db);
        for (const QString& text : statements) {
            if (!statement.exec(text)) {
                return fail(QStringLiteral("create"), statement.lastError().text());
            }
        }
        return true;
    });
}

bool HistoryStore::inTransaction(const std::function<bool()>& work) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        return fail(QStringLiteral("write"), db.lastError().text());
    }
    if (!work()) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        const QString why = db.lastError().text();
        db.rollback();
        return fail(QStringLiteral("write"), why);
    }
    return true;
}

std::optional<StoredSeries> HistoryStore::latestSeries() const {
    if (!m_open) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral(
            "SELECT id, total_games, engine1_name, engine1_elo, engine2_name, engine2_elo, "
            "engine1_wins, engine2_wins, draws, last_game_number, last_white_is_engine1 "
            "FROM series ORDER BY id DESC LIMIT 1"))) {
        fail(QStringLiteral("read"), query.lastError().text());
        return std::nullopt;
    }
    if (!query.next()) {
        return std::nullopt;
    }
    StoredSeries series;
    series.id = query.value(0).toLongLong();
    series.totalGames = query.value(1).toLongLong();
    series.engines.engine1Name = query.value(2).toString();
    series.engines.engine1Elo = optionalInteger(query.value(3));
    series.engines.engine2Name = query.value(4).toString();
    series.engines.engine2Elo = optionalInteger(query.value(5));
    series.engine1Wins = query.value(6).toLongLong();
    series.engine2Wins = query.value(7).toLongLong();
    series.draws = query.value(8).toLongLong();
    series.lastGameNumber = query.value(9).toLongLong();
    series.lastWhiteIsEngine1 = query.value(10).toBool();
    return series;
}

std::optional<std::int64_t> HistoryStore::insertSeries(std::int64_t totalGames,
                                                       const SeriesIdentity& engines) {
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT INTO series (total_games, engine1_name, engine1_elo, "
                                 "engine2_name, engine2_elo) VALUES (?, COALESCE(?, ''), ?, "
                                 "COALESCE(?, ''), ?)"));
    query.addBindValue(qint64(totalGames));
    query.addBindValue(engines.engine1Name);
    query.addBindValue(optionalValue(engines.engine1Elo));
    query.addBindValue(engines.engine2Name);
    query.addBindValue(optionalValue(engines.engine2Elo));
    if (!query.exec()) {
        fail(QStringLiteral("write"), query.lastError().text());
        return std::nullopt;
    }
    return query.lastInsertId().toLongLong();
}

std::optional<std::int64_t> HistoryStore::replaceSeries(std::int64_t totalGames,
                                                        const SeriesIdentity& engines) {
    // Only the last series is kept: a new one takes the place of the old one and its games.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("DELETE FROM games")) ||
        !query.exec(QStringLiteral("DELETE FROM series"))) {
        fail(QStringLiteral("write"), query.lastError().text());
        return std::nullopt;
    }
    return insertSeries(totalGames, engines);
}

std::optional<std::int64_t> HistoryStore::beginSeries(std::int64_t totalGames,
                                                      const SeriesIdentity& engines) {
    if (!m_open) {
        return std::nullopt;
    }
    std::optional<std::int64_t> id;
    const bool done = inTransaction([&] {
        id = replaceSeries(totalGames, engines);
        return id.has_value();
    });
    return done ? id : std::nullopt;
}

bool HistoryStore::setTotalGames(std::int64_t seriesId, std::int64_t totalGames) {
    if (!m_open) {
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE series SET total_games = ? WHERE id = ?"));
    query.addBindValue(qint64(totalGames));
    query.addBindValue(qint64(seriesId));
    return query.exec() || fail(QStringLiteral("write"), query.lastError().text());
}

std::optional<std::int64_t> HistoryStore::insertGame(std::int64_t seriesId,
                                                     const AutomatchGameRecord& record) {
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "INSERT INTO games (series_id, finished_at, game_number, white_name, black_name, "
        "white_elo, black_elo, result, reason, uuid, white_is_engine1, winner, moves_count, "
        "initial_fen, moves_uci, pgn, white_remaining_ms, black_remaining_ms) VALUES (?, ?, ?, "
        "COALESCE(?, ''), COALESCE(?, ''), ?, ?, COALESCE(?, ''), COALESCE(?, ''), ?, ?, ?, ?, ?, "
        "COALESCE(?, ''), COALESCE(?, ''), ?, ?)"));
    query.addBindValue(qint64(seriesId));
    query.addBindValue(record.timestamp.toMSecsSinceEpoch());
    query.addBindValue(qint64(record.gameNumber));
    query.addBindValue(record.whiteEngineName);
    query.addBindValue(record.blackEngineName);
    query.addBindValue(optionalValue(record.whiteEngineElo));
    query.addBindValue(optionalValue(record.blackEngineElo));
    query.addBindValue(record.result);
    query.addBindValue(record.reason);
    query.addBindValue(record.id.toString(QUuid::WithoutBraces).toUpper());
    query.addBindValue(record.whiteIsEngine1 ? 1 : 0);
    query.addBindValue(optionalValue(record.winnerEngineName));
    query.addBindValue(qint64(record.movesCount));
    query.addBindValue(optionalValue(record.initialFEN));
    query.addBindValue(record.movesUCI.join(u' '));
    query.addBindValue(record.pgn);
    query.addBindValue(optionalValue(record.whiteRemainingMs));
    query.addBindValue(optionalValue(record.blackRemainingMs));
    if (!query.exec()) {
        fail(QStringLiteral("write"), query.lastError().text());
        return std::nullopt;
    }
    return query.lastInsertId().toLongLong();
}

bool HistoryStore::updateScore(std::int64_t seriesId, std::int64_t engine1Wins,
                               std::int64_t engine2Wins, std::int64_t draws,
                               std::int64_t lastGameNumber, bool lastWhiteIsEngine1) {
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE series SET engine1_wins = ?, engine2_wins = ?, draws = ?, "
                                 "last_game_number = ?, last_white_is_engine1 = ? WHERE id = ?"));
    query.addBindValue(qint64(engine1Wins));
    query.addBindValue(qint64(engine2Wins));
    query.addBindValue(qint64(draws));
    query.addBindValue(qint64(lastGameNumber));
    query.addBindValue(lastWhiteIsEngine1 ? 1 : 0);
    query.addBindValue(qint64(seriesId));
    if (!query.exec()) {
        return fail(QStringLiteral("write"), query.lastError().text());
    }
    return query.numRowsAffected() == 1 ||
           fail(QStringLiteral("write"), QStringLiteral("the series is gone"));
}

std::optional<std::int64_t> HistoryStore::appendGame(std::int64_t seriesId,
                                                     const AutomatchGameRecord& record,
                                                     std::int64_t engine1Wins,
                                                     std::int64_t engine2Wins, std::int64_t draws) {
    if (!m_open) {
        return std::nullopt;
    }
    std::optional<std::int64_t> key;
    const bool done = inTransaction([&] {
        key = insertGame(seriesId, record);
        return key && updateScore(seriesId, engine1Wins, engine2Wins, draws, record.gameNumber,
                                  record.whiteIsEngine1);
    });
    if (done && ++m_appendsSinceCheckpoint >= appendsPerCheckpoint) {
        checkpointInTheBackground();
    }
    return done ? key : std::nullopt;
}

void HistoryStore::joinCheckpoint() {
    if (m_checkpoint.joinable()) {
        m_checkpoint.join();
    }
}

void HistoryStore::checkpointInTheBackground() {
    if (m_path == QStringLiteral(":memory:") || m_checkpointRunning.load()) {
        return;
    }
    joinCheckpoint();
    m_appendsSinceCheckpoint = 0;
    m_checkpointRunning = true;
    // A connection of its own: Qt's connections belong to the thread that made them. PASSIVE
    // never waits for the main thread's readers or writers; what it cannot fold in now, the next
    // checkpoint (or closing the database) does.
    m_checkpoint =
        std::thread([this, path = m_path, name = m_connection + QStringLiteral("-checkpoint")] {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(path);
                if (db.open()) {
                    QSqlQuery query(db);
                    query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
            m_checkpointRunning = false;
        });
}

std::optional<std::int64_t>
HistoryStore::importSeries(std::int64_t totalGames, const SeriesIdentity& engines,
                           const QList<AutomatchGameRecord>& records, std::int64_t engine1Wins,
                           std::int64_t engine2Wins, std::int64_t draws, const QString& marker) {
    if (!m_open) {
        return std::nullopt;
    }
    std::optional<std::int64_t> id;
    const bool done = inTransaction([&] {
        id = replaceSeries(totalGames, engines);
        if (!id) {
            return false;
        }
        for (const AutomatchGameRecord& record : records) {
            if (!insertGame(*id, record)) {
                return false;
            }
        }
        const std::int64_t lastNumber = records.isEmpty() ? 0 : records.last().gameNumber;
        const bool lastWhite = records.isEmpty() || records.last().whiteIsEngine1;
        return updateScore(*id, engine1Wins, engine2Wins, draws, lastNumber, lastWhite) &&
               setMarker(marker, QStringLiteral("1"));
    });
    return done ? id : std::nullopt;
}

bool HistoryStore::clear() {
    if (!m_open) {
        return false;
    }
    return inTransaction([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        return (query.exec(QStringLiteral("DELETE FROM games")) &&
                query.exec(QStringLiteral("DELETE FROM series"))) ||
               fail(QStringLiteral("write"), query.lastError().text());
    });
}

QList<HistoryRow> HistoryStore::newestFirst(std::int64_t seriesId,
                                            std::optional<HistoryCursor> before, int limit) const {
    QList<HistoryRow> rows;
    if (!m_open || limit <= 0) {
        return rows;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    const QString older = before ? QStringLiteral(" AND (finished_at, seq) < (?, ?)") : QString();
    query.prepare(QStringLiteral("SELECT ") + rowColumns +
                  QStringLiteral(" FROM games WHERE series_id = ?") + older +
                  QStringLiteral(" ORDER BY finished_at DESC, seq DESC LIMIT ?"));
    query.addBindValue(qint64(seriesId));
    if (before) {
        query.addBindValue(qint64(before->finishedAtMs));
        query.addBindValue(qint64(before->key));
    }
    query.addBindValue(limit);
    if (!query.exec()) {
        fail(QStringLiteral("read"), query.lastError().text());
        return rows;
    }
    rows.reserve(limit);
    while (query.next()) {
        rows.append(rowFrom(query));
    }
    return rows;
}

std::optional<AutomatchGameRecord> HistoryStore::record(std::int64_t key) const {
    if (!m_open) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT ") + recordColumns +
                  QStringLiteral(" FROM games WHERE seq = ?"));
    query.addBindValue(qint64(key));
    if (!query.exec()) {
        fail(QStringLiteral("read"), query.lastError().text());
        return std::nullopt;
    }
    if (!query.next()) {
        return std::nullopt;
    }
    return recordFrom(query);
}

bool HistoryStore::forEachRecord(std::int64_t seriesId,
                                 const std::function<bool(const AutomatchGameRecord&)>& visit,
                                 int pageSize) const {
    if (!m_open) {
        return false;
    }
    std::optional<HistoryCursor> after;
    while (true) {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        const QString newer =
            after ? QStringLiteral(" AND (finished_at, seq) > (?, ?)") : QString();
        query.prepare(QStringLiteral("SELECT ") + recordColumns +
                      QStringLiteral(" FROM games WHERE series_id = ?") + newer +
                      QStringLiteral(" ORDER BY finished_at, seq LIMIT ?"));
        query.addBindValue(qint64(seriesId));
        if (after) {
            query.addBindValue(qint64(after->finishedAtMs));
            query.addBindValue(qint64(after->key));
        }
        query.addBindValue(pageSize);
        if (!query.exec()) {
            return fail(QStringLiteral("read"), query.lastError().text());
        }
        int read = 0;
        while (query.next()) {
            ++read;
            after = HistoryCursor{query.value(1).toLongLong(), query.value(0).toLongLong()};
            if (!visit(recordFrom(query))) {
                return true;
            }
        }
        if (read < pageSize) {
            return true;
        }
    }
}

std::optional<QString> HistoryStore::marker(const QString& name) const {
    if (!m_open) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT value FROM markers WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec() || !query.next()) {
        return std::nullopt;
    }
    return query.value(0).toString();
}

bool HistoryStore::setMarker(const QString& name, const QString& value) {
    if (!m_open) {
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO markers (name, value) VALUES (?, ?)"));
    query.addBindValue(name);
    query.addBindValue(value);
    return query.exec() || fail(QStringLiteral("write"), query.lastError().text());
}

} // namespace velkor::automatch
