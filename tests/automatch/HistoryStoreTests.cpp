// The match history's database: appending, paging newest first, whole records, the exports read
// through it, and a series replacing the one before.
#include "QStringPrinter.h"
#include "automatch/AutomatchExports.h"
#include "automatch/HistoryStore.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

AutomatchGameRecord game(std::int64_t number, std::int64_t finishedAtMs) {
    AutomatchGameRecord record;
    record.id = QUuid::createUuid();
    record.gameNumber = number;
    record.whiteEngineName = number % 2 == 1 ? QStringLiteral("Alpha") : QStringLiteral("Beta");
    record.blackEngineName = number % 2 == 1 ? QStringLiteral("Beta") : QStringLiteral("Alpha");
    record.whiteIsEngine1 = number % 2 == 1;
    record.whiteEngineElo = number % 3 == 0 ? std::optional<std::int64_t>(1800) : std::nullopt;
    record.result = QStringLiteral("1/2-1/2");
    record.reason = QStringLiteral("Remis (Patt)");
    record.movesCount = 2;
    record.movesUCI = {QStringLiteral("e2e4"), QStringLiteral("e7e5")};
    record.initialFEN =
        number % 2 == 0 ? std::optional<QString>() : QStringLiteral("8/8 w - - 0 1");
    record.pgn = QStringLiteral("[Event \"Velkor Match\"]\n[Round \"1\"]\n[White \"%1\"]\n[Black "
                                "\"%2\"]\n\n1. e4 e5 1/2-1/2\n")
                     .arg(record.whiteEngineName, record.blackEngineName);
    record.timestamp = QDateTime::fromMSecsSinceEpoch(finishedAtMs, QTimeZone::utc());
    return record;
}

class HistoryStoreTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("nested/history.sqlite"));
    const SeriesIdentity engines{QStringLiteral("Alpha"), std::nullopt, QStringLiteral("Beta"),
                                 1800};
};

TEST_F(HistoryStoreTest, GamesAppendWithTheScoreAndReadBackPageByPageNewestFirst) {
    QList<AutomatchGameRecord> written;
    {
        HistoryStore store(path);
        ASSERT_TRUE(store.isOpen()) << store.error().toStdString();
        const std::optional<std::int64_t> series = store.beginSeries(30, engines);
        ASSERT_TRUE(series);
        for (std::int64_t number = 1; number <= 25; ++number) {
            // Two games end in the same millisecond: the order they were recorded in holds.
            const AutomatchGameRecord record = game(number, 1'000'000 + (number / 2) * 10);
            ASSERT_TRUE(store.appendGame(*series, record, 0, 0, number)) << number;
            written.append(record);
        }
    }
    HistoryStore store(path);
    const std::optional<StoredSeries> series = store.latestSeries();
    ASSERT_TRUE(series);
    EXPECT_EQ(series->totalGames, 30);
    EXPECT_EQ(series->engines, engines);
    EXPECT_EQ(series->recordCount(), 25);
    EXPECT_EQ(series->lastGameNumber, 25);
    EXPECT_TRUE(series->lastWhiteIsEngine1);

    QList<std::int64_t> numbers;
    std::optional<HistoryCursor> before;
    for (int page = 0; page < 10; ++page) {
        const QList<HistoryRow> rows = store.newestFirst(series->id, before, 10);
        for (const HistoryRow& row : rows) {
            numbers.append(row.gameNumber);
        }
        if (rows.size() < 10) {
            break;
        }
        before = rows.last().cursor();
    }
    QList<std::int64_t> expected;
    for (std::int64_t number = 25; number >= 1; --number) {
        expected.append(number);
    }
    EXPECT_EQ(numbers, expected);

    const HistoryRow newest = store.newestFirst(series->id, std::nullopt, 1).at(0);
    EXPECT_EQ(newest.whiteEngineName, "Alpha");
    EXPECT_EQ(newest.reason, "Remis (Patt)");
    EXPECT_EQ(store.record(newest.key), written.last());
    EXPECT_FALSE(store.record(newest.key + 1000));

    // The streamed exports read the same as those of the records held in memory.
    const RecordSource stored = [&](const RecordVisitor& visit) {
        return store.forEachRecord(series->id, visit, 7);
    };
    for (const auto& write : {&writeAllPGN, &writeCSV, &writeJSON}) {
        QString streamed;
        int pieces = 0;
        ASSERT_TRUE(write(stored, [&](const QString& piece) {
            streamed += piece;
            ++pieces;
        }));
        QString whole;
        write(recordsOf(written), [&](const QString& piece) { whole += piece; });
        EXPECT_EQ(streamed, whole);
        EXPECT_GE(pieces, 25);
    }
}

TEST_F(HistoryStoreTest, ANewSeriesReplacesTheLastAndClearingEmptiesTheStore) {
    HistoryStore store(path);
    const std::int64_t first = *store.beginSeries(2, engines);
    ASSERT_TRUE(store.appendGame(first, game(1, 5), 1, 0, 0));
    const std::int64_t second = *store.beginSeries(4, engines);
    EXPECT_NE(first, second);
    EXPECT_TRUE(store.newestFirst(first, std::nullopt, 10).isEmpty());
    EXPECT_EQ(store.latestSeries()->id, second);
    EXPECT_EQ(store.latestSeries()->recordCount(), 0);
    // A game for a series that is gone is refused as a whole: nothing half written.
    EXPECT_FALSE(store.appendGame(first, game(2, 6), 2, 0, 0));
    EXPECT_FALSE(store.error().isEmpty());
    int visited = 0;
    store.forEachRecord(first, [&](const AutomatchGameRecord&) { return ++visited, true; });
    EXPECT_EQ(visited, 0);

    ASSERT_TRUE(store.appendGame(second, game(1, 7), 0, 1, 0));
    ASSERT_TRUE(store.clear());
    EXPECT_FALSE(store.latestSeries());
}

TEST_F(HistoryStoreTest, ADatabaseOfANewerVersionOrNoFileAtAllIsRefused) {
    {
        HistoryStore store(path);
        ASSERT_TRUE(store.setMarker(QStringLiteral("a"), QStringLiteral("b")));
    }
    {
        // Pretend a later version changed the tables.
        HistoryStore store(path);
        ASSERT_TRUE(store.isOpen());
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    // The header's user_version field (offset 60, big-endian) raised to 99.
    file.seek(60);
    file.write(QByteArray::fromHex("00000063"));
    file.close();
    HistoryStore newer(path);
    EXPECT_FALSE(newer.isOpen());
    EXPECT_TRUE(newer.error().contains(path)) << newer.error().toStdString();
    EXPECT_FALSE(newer.latestSeries());
    EXPECT_FALSE(newer.beginSeries(1, engines));
}

} // namespace
} // namespace velkor::automatch
