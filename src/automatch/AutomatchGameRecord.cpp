#include "AutomatchGameRecord.h"

#include "AutomatchTimestamps.h"
#include "platform/JsonFieldReader.h"

#include <QJsonArray>

namespace velkor {

namespace {

namespace key {
const QString id = QStringLiteral("id");
const QString gameNumber = QStringLiteral("gameNumber");
const QString whiteEngineName = QStringLiteral("whiteEngineName");
const QString blackEngineName = QStringLiteral("blackEngineName");
const QString whiteIsEngine1 = QStringLiteral("whiteIsEngine1");
const QString whiteEngineElo = QStringLiteral("whiteEngineElo");
const QString blackEngineElo = QStringLiteral("blackEngineElo");
const QString result = QStringLiteral("result");
const QString winnerEngineName = QStringLiteral("winnerEngineName");
const QString reason = QStringLiteral("reason");
const QString movesCount = QStringLiteral("movesCount");
const QString movesUCI = QStringLiteral("movesUCI");
const QString initialFEN = QStringLiteral("initialFEN");
const QString pgn = QStringLiteral("pgn");
const QString timestamp = QStringLiteral("timestamp");
const QString whiteRemainingMs = QStringLiteral("whiteRemainingMs");
const QString blackRemainingMs = QStringLiteral("blackRemainingMs");
} // namespace key

void insertIfPresent(QJsonObject& object, const QString& name,
                     const std::optional<std::int64_t>& value) {
    if (value) {
        object.insert(name, qint64(*value));
    }
}

void insertIfPresent(QJsonObject& object, const QString& name,
                     const std::optional<QString>& value) {
    if (value) {
        object.insert(name, *value);
    }
}

} // namespace

QString AutomatchGameRecord::resultBadgeText() const {
    if (result == QStringLiteral("1-0")) {
        return QStringLiteral("1 - 0");
    }
    if (result == QStringLiteral("0-1")) {
        return QStringLiteral("0 - 1");
    }
    return QStringLiteral("½ - ½");
}

QJsonObject AutomatchGameRecord::toJson(TimestampEncoding encoding) const {
    QJsonObject object;
    object.insert(key::id, id.toString(QUuid::WithoutBraces).toUpper());
    object.insert(key::gameNumber, qint64(gameNumber));
    object.insert(key::whiteEngineName, whiteEngineName);
    object.insert(key::blackEngineName, blackEngineName);
    object.insert(key::whiteIsEngine1, whiteIsEngine1);
    insertIfPresent(object, key::whiteEngineElo, whiteEngineElo);
    insertIfPresent(object, key::blackEngineElo, blackEngineElo);
    object.insert(key::result, result);
    insertIfPresent(object, key::winnerEngineName, winnerEngineName);
    object.insert(key::reason, reason);
    object.insert(key::movesCount, qint64(movesCount));
    object.insert(key::movesUCI, QJsonArray::fromStringList(movesUCI));
    insertIfPresent(object, key::initialFEN, initialFEN);
    object.insert(key::pgn, pgn);
    if (encoding == TimestampEncoding::iso8601) {
        object.insert(key::timestamp, automatch::iso8601Text(timestamp));
    } else {
        object.insert(key::timestamp, automatch::secondsSinceReferenceDate(timestamp));
    }
    insertIfPresent(object, key::whiteRemainingMs, whiteRemainingMs);
    insertIfPresent(object, key::blackRemainingMs, blackRemainingMs);
    return object;
}

std::optional<AutomatchGameRecord> AutomatchGameRecord::fromJson(const QJsonObject& object) {
    platform::JsonFieldReader read(object);
    AutomatchGameRecord record;
    record.id = read.uuid(key::id);
    record.gameNumber = read.integer(key::gameNumber);
    record.whiteEngineName = read.string(key::whiteEngineName);
    record.blackEngineName = read.string(key::blackEngineName);
    record.whiteIsEngine1 = read.boolean(key::whiteIsEngine1);
    record.whiteEngineElo = read.optionalInteger(key::whiteEngineElo);
    record.blackEngineElo = read.optionalInteger(key::blackEngineElo);
    record.result = read.string(key::result);
    record.winnerEngineName = read.optionalString(key::winnerEngineName);
    record.reason = read.string(key::reason);
    record.movesCount = read.integer(key::movesCount);
    record.movesUCI = read.stringList(key::movesUCI);
    record.initialFEN = read.optionalString(key::initialFEN);
    record.pgn = read.string(key::pgn);
    record.whiteRemainingMs = read.optionalInteger(key::whiteRemainingMs);
    record.blackRemainingMs = read.optionalInteger(key::blackRemainingMs);
    const std::optional<QDateTime> timestamp =
        automatch::dateFromReferenceSeconds(read.number(key::timestamp));
    if (!read.ok() || !timestamp) {
        return std::nullopt;
    }
    record.timestamp = *timestamp;
    return record;
}

} // namespace velkor
