// Game records in their stored JSON form, the stored history blob, timestamps and the exports.
#include "QStringPrinter.h"
#include "automatch/AutomatchExports.h"
#include "automatch/AutomatchGameRecord.h"
#include "automatch/AutomatchTimestamps.h"
#include "automatch/PersistedHistory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

using Encoding = AutomatchGameRecord::TimestampEncoding;

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), QTimeZone::utc());
}

AutomatchGameRecord sampleRecord() {
    AutomatchGameRecord record;
    record.id = QUuid::fromString(QStringLiteral("6f1c2d3e-4a5b-4c6d-8e9f-0a1b2c3d4e5f"));
    record.gameNumber = 3;
    record.whiteEngineName = QStringLiteral("Alpha");
    record.blackEngineName = QStringLiteral("Beta");
    record.whiteIsEngine1 = false;
    record.whiteEngineElo = 1500;
    record.result = QStringLiteral("0-1");
    record.winnerEngineName = QStringLiteral("Beta");
    record.reason = QStringLiteral("Schachmatt (Schwarz gewinnt)");
    record.movesCount = 2;
    record.movesUCI = {QStringLiteral("f2f3"), QStringLiteral("e7e5")};
    record.initialFEN = QStringLiteral("8/8/8/8/8/8/8/K6k w - - 0 1");
    record.pgn = QStringLiteral("[Event \"Velkor Match\"]\n\n1. f3 e5 0-1");
    record.timestamp = utc(2025, 3, 1, 18, 4, 5, 250);
    return record;
}

QJsonObject storedObject(const AutomatchGameRecord& record) {
    return record.toJson(Encoding::referenceDateSeconds);
}

TEST(TimestampTest, SecondsSinceTheStartOf2001AndIsoText) {
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(utc(2001, 1, 1, 0, 0, 0)), 0.0);
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(utc(2001, 1, 2, 0, 0, 1, 500)), 86401.5);
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(utc(2000, 12, 31, 23, 59, 59)), -1.0);
    EXPECT_EQ(dateFromReferenceSeconds(86401.5), utc(2001, 1, 2, 0, 0, 1, 500));
    EXPECT_EQ(iso8601Text(utc(2025, 3, 1, 18, 4, 5, 999)), "2025-03-01T18:04:05Z");
    // A local time is written as the same moment in UTC.
    EXPECT_EQ(iso8601Text(utc(2025, 3, 1, 18, 4, 5).toTimeZone(QTimeZone(3600))),
              "2025-03-01T18:04:05Z");
    EXPECT_FALSE(dateFromReferenceSeconds(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(dateFromReferenceSeconds(std::nan("")));
    EXPECT_FALSE(dateFromReferenceSeconds(1e300));
}

TEST(GameRecordJsonTest, StoredFormRoundTripsWithUpperCaseIdAndNoAbsentKeys) {
    const AutomatchGameRecord record = sampleRecord();
    const QJsonObject object = storedObject(record);
    EXPECT_EQ(object.value("id").toString(), "6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F");
    EXPECT_FALSE(object.contains("blackEngineElo"));
    EXPECT_DOUBLE_EQ(object.value("timestamp").toDouble(),
                     secondsSinceReferenceDate(record.timestamp));
    EXPECT_EQ(object.keys().size(), 14);
    EXPECT_EQ(AutomatchGameRecord::fromJson(object), record);

    AutomatchGameRecord draw = record;
    draw.result = QStringLiteral("1/2-1/2");
    draw.winnerEngineName.reset();
    draw.whiteEngineElo.reset();
    draw.initialFEN.reset();
    const QJsonObject drawObject = storedObject(draw);
    EXPECT_FALSE(drawObject.contains("winnerEngineName"));
    EXPECT_FALSE(drawObject.contains("whiteEngineElo"));
    EXPECT_FALSE(drawObject.contains("initialFEN"));
    EXPECT_EQ(AutomatchGameRecord::fromJson(drawObject), draw);
}

TEST(GameRecordJsonTest, OptionalFieldsMayBeNullAndRequiredOnesMayNotBeMissing) {
    QJsonObject object = storedObject(sampleRecord());
    for (const char* key : {"whiteEngineElo", "blackEngineElo", "winnerEngineName", "initialFEN"}) {
        QJsonObject withNull = object;
        withNull.insert(key, QJsonValue::Null);
        const auto record = AutomatchGameRecord::fromJson(withNull);
        ASSERT_TRUE(record) << key;
    }
    EXPECT_FALSE(AutomatchGameRecord::fromJson(object)->blackEngineElo);

    for (const char* key :
         {"id", "gameNumber", "whiteEngineName", "blackEngineName", "whiteIsEngine1", "result",
          "reason", "movesCount", "movesUCI", "pgn", "timestamp"}) {
        QJsonObject without = object;
        without.remove(key);
        EXPECT_FALSE(AutomatchGameRecord::fromJson(without)) << key;
        QJsonObject nulled = object;
        nulled.insert(key, QJsonValue::Null);
        EXPECT_FALSE(AutomatchGameRecord::fromJson(nulled)) << key;
    }
}

TEST(GameRecordJsonTest, ValuesOfTheWrongTypeAreRefused) {
    const QJsonObject object = storedObject(sampleRecord());
    const std::vector<std::pair<const char*, QJsonValue>> wrong{
        {"id", "not-a-uuid"},    {"id", "{6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F}"},
        {"gameNumber", 2.5},     {"gameNumber", "3"},
        {"whiteIsEngine1", 1},   {"whiteEngineElo", "1500"},
        {"winnerEngineName", 7}, {"movesUCI", QJsonArray{"e2e4", 5}},
        {"movesUCI", "e2e4"},    {"timestamp", "2025-03-01T18:04:05Z"},
        {"timestamp", 1e300},
    };
    for (const auto& [key, value] : wrong) {
        QJsonObject changed = object;
        changed.insert(key, value);
        EXPECT_FALSE(AutomatchGameRecord::fromJson(changed))
            << key << " = " << QJsonDocument(QJsonArray{value}).toJson().toStdString();
    }
}

TEST(PersistedHistoryTest, CompactBlobRoundTrips) {
    AutomatchGameRecord second = sampleRecord();
    second.id = QUuid::createUuid();
    second.gameNumber = 4;
    const PersistedHistory history{7, 2, 1, 1, {sampleRecord(), second}};
    const QByteArray blob = history.encode();
    EXPECT_FALSE(blob.contains('\n'));
    EXPECT_FALSE(blob.contains(": "));
    EXPECT_EQ(PersistedHistory::decode(blob), history);
    EXPECT_EQ(PersistedHistory::decode(PersistedHistory{10, 0, 0, 0, {}}.encode()),
              (PersistedHistory{10, 0, 0, 0, {}}));
}

TEST(PersistedHistoryTest, AnyUnreadablePartSpoilsTheWholeBlob) {
    const QJsonObject object =
        QJsonDocument::fromJson(PersistedHistory{7, 2, 1, 1, {sampleRecord()}}.encode()).object();
    const auto decodeChanged = [&](auto change) {
        QJsonObject changed = object;
        change(changed);
        return PersistedHistory::decode(QJsonDocument(changed).toJson());
    };
    for (const char* key : {"totalGames", "engine1Wins", "engine2Wins", "draws", "records"}) {
        EXPECT_FALSE(decodeChanged([key](QJsonObject& o) { o.remove(key); })) << key;
    }
    EXPECT_FALSE(decodeChanged([](QJsonObject& o) { o.insert("draws", -1); }));
    EXPECT_FALSE(decodeChanged([](QJsonObject& o) { o.insert("records", QJsonObject()); }));
    EXPECT_FALSE(decodeChanged([](QJsonObject& o) {
        QJsonArray records = o.value("records").toArray();
        QJsonObject record = records.first().toObject();
        record.remove("pgn");
        records.append(record);
        o.insert("records", records);
    }));
    EXPECT_FALSE(decodeChanged([](QJsonObject& o) {
        QJsonArray records = o.value("records").toArray();
        records.append(42);
        o.insert("records", records);
    }));
    EXPECT_FALSE(PersistedHistory::decode(QByteArray()));
    EXPECT_FALSE(PersistedHistory::decode(QByteArray("{\"totalGames\":")));
    EXPECT_FALSE(PersistedHistory::decode(QByteArray("[1,2,3]")));
    EXPECT_FALSE(PersistedHistory::decode(QByteArray("\xff\xfe garbage", 11)));
}

TEST(GameRecordTest, ResultBadgeSpacesTheScoreAndHalvesAnythingButAWin) {
    AutomatchGameRecord record = sampleRecord();
    const std::vector<std::pair<QString, QString>> cases{{"1-0", "1 - 0"},
                                                         {"0-1", "0 - 1"},
                                                         {"1/2-1/2", "\u00BD - \u00BD"},
                                                         {"*", "\u00BD - \u00BD"}};
    for (const auto& [result, badge] : cases) {
        record.result = result;
        EXPECT_EQ(record.resultBadgeText(), badge) << result.toStdString();
    }
}

TEST(ExportTest, EmptyHistory) {
    EXPECT_EQ(exportAllPGN({}), "");
    EXPECT_EQ(exportCSV({}), "game,white,black,result,reason,plies,opening_fen,timestamp");
    const QJsonDocument json = QJsonDocument::fromJson(exportJSON({}).toUtf8());
    ASSERT_TRUE(json.isArray());
    EXPECT_TRUE(json.array().isEmpty());
}

TEST(ExportTest, AllGamesAsPgnSeparatedByOneEmptyLine) {
    AutomatchGameRecord first = sampleRecord();
    AutomatchGameRecord second = sampleRecord();
    AutomatchGameRecord third = sampleRecord();
    for (AutomatchGameRecord* record : {&first, &second, &third}) {
        record->whiteEngineElo.reset();
    }
    // Stored texts end in a line feed as the game wrote them; an older one may not.
    first.pgn = QStringLiteral("[Event \"A\"]\n\n1. e4 *\n");
    second.pgn = QStringLiteral("[Event \"B\"]\n\n1. d4 *");
    third.pgn = QStringLiteral("1. c4 *\n");
    second.gameNumber = 4;
    EXPECT_EQ(exportAllPGN({first, second, third}),
              "[Event \"A\"]\n[Round \"3\"]\n\n1. e4 *\n\n[Event \"B\"]\n[Round \"4\"]\n\n1. d4 "
              "*\n\n1. c4 *");
}

// The games of a series leave the program numbered by their round, with the Elo limit of each
// engine that played with one.
TEST(ExportTest, SeriesGamesCarryTheirRoundAndTheEngineStrength) {
    AutomatchGameRecord record = sampleRecord();
    record.gameNumber = 12;
    record.whiteEngineElo = 1800;
    record.blackEngineElo.reset();
    record.pgn = QStringLiteral("[Event \"Velkor Match\"]\n[Site \"?\"]\n[Date \"2025.03.01\"]\n"
                                "[Round \"1\"]\n[White \"Stockfish\"]\n[Black \"Toga II\"]\n"
                                "[Result \"0-1\"]\n\n1. f3 e5 0-1\n");
    EXPECT_EQ(seriesGamePGN(record),
              "[Event \"Velkor Match\"]\n[Site \"?\"]\n[Date \"2025.03.01\"]\n[Round \"12\"]\n"
              "[White \"Stockfish\"]\n[Black \"Toga II\"]\n[WhiteElo \"1800\"]\n"
              "[Result \"0-1\"]\n\n1. f3 e5 0-1\n");
    record.blackEngineElo = 2200;
    EXPECT_TRUE(seriesGamePGN(record).contains(
        "[WhiteElo \"1800\"]\n[BlackElo \"2200\"]\n[Result \"0-1\"]"));
    // Applied twice, nothing doubles.
    record.pgn = seriesGamePGN(record);
    EXPECT_EQ(seriesGamePGN(record), record.pgn);
}

TEST(ExportTest, CsvQuotesTextFieldsAndWritesUtcTimes) {
    AutomatchGameRecord quoted = sampleRecord();
    quoted.whiteEngineName = QStringLiteral("Stock \"fish\", 16");
    quoted.blackEngineName = QStringLiteral("Two\nLines");
    quoted.timestamp = utc(2025, 3, 1, 18, 4, 5, 750).toTimeZone(QTimeZone(-7200));
    AutomatchGameRecord noOpening = sampleRecord();
    noOpening.gameNumber = 4;
    noOpening.result = QStringLiteral("1/2-1/2");
    noOpening.reason = QStringLiteral("Remis (Patt)");
    noOpening.movesCount = 0;
    noOpening.initialFEN.reset();
    EXPECT_EQ(exportCSV({quoted, noOpening}),
              "game,white,black,result,reason,plies,opening_fen,timestamp\n"
              "3,\"Stock \"\"fish\"\", 16\",\"Two\nLines\",0-1,\"Schachmatt (Schwarz gewinnt)\",2,"
              "\"8/8/8/8/8/8/8/K6k w - - 0 1\",2025-03-01T18:04:05Z\n"
              "4,\"Alpha\",\"Beta\",1/2-1/2,\"Remis (Patt)\",0,"
              "\"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\","
              "2025-03-01T18:04:05Z");
}

TEST(ExportTest, JsonIsPrettyPrintedWithIsoTimes) {
    AutomatchGameRecord draw = sampleRecord();
    draw.winnerEngineName.reset();
    draw.whiteEngineElo.reset();
    const QString text = exportJSON({sampleRecord(), draw});
    EXPECT_TRUE(text.contains(u'\n'));
    EXPECT_FALSE(text.endsWith(u'\n'));
    // Written record by record, the text is what Qt writes for the whole array at once.
    const QJsonArray whole{sampleRecord().toJson(Encoding::iso8601),
                           draw.toJson(Encoding::iso8601)};
    EXPECT_EQ(text + u'\n',
              QString::fromUtf8(QJsonDocument(whole).toJson(QJsonDocument::Indented)));

    const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8());
    ASSERT_TRUE(json.isArray());
    ASSERT_EQ(json.array().size(), 2);
    const QJsonObject first = json.array().at(0).toObject();
    EXPECT_EQ(first.value("timestamp").toString(), "2025-03-01T18:04:05Z");
    EXPECT_EQ(first.value("id").toString(), "6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F");
    EXPECT_EQ(first.value("whiteEngineElo").toInteger(), 1500);
    EXPECT_EQ(first.value("movesUCI").toArray(), (QJsonArray{"f2f3", "e7e5"}));
    // As written, the keys of each object stand in alphabetical order.
    QStringList written;
    const QRegularExpression key(QStringLiteral("^\\s+\"(\\w+)\":"),
                                 QRegularExpression::MultilineOption);
    for (auto match = key.globalMatch(text.section(u'}', 0, 0)); match.hasNext();) {
        written.append(match.next().captured(1));
    }
    EXPECT_EQ(written.size(), first.size());
    QStringList sorted = written;
    sorted.sort();
    EXPECT_EQ(written, sorted);
    const QJsonObject second = json.array().at(1).toObject();
    EXPECT_FALSE(second.contains("winnerEngineName"));
    EXPECT_FALSE(second.contains("whiteEngineElo"));
}

} // namespace
} // namespace velkor::automatch
