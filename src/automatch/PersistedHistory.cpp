#include "PersistedHistory.h"

#include "platform/JsonFieldReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace velkor::automatch {

namespace {

namespace key {
const QString totalGames = QStringLiteral("totalGames");
const QString engine1Wins = QStringLiteral("engine1Wins");
const QString engine2Wins = QStringLiteral("engine2Wins");
const QString draws = QStringLiteral("draws");
const QString records = QStringLiteral("records");
} // namespace key

} // namespace

QByteArray PersistedHistory::encode() const {
    QJsonArray recordArray;
    for (const AutomatchGameRecord& record : records) {
        recordArray.append(
            record.toJson(AutomatchGameRecord::TimestampEncoding::referenceDateSeconds));
    }
    const QJsonObject object{{key::totalGames, qint64(totalGames)},
                             {key::engine1Wins, qint64(engine1Wins)},
                             {key::engine2Wins, qint64(engine2Wins)},
                             {key::draws, qint64(draws)},
                             {key::records, recordArray}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<PersistedHistory> PersistedHistory::decode(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    platform::JsonFieldReader read(document.object());
    PersistedHistory history;
    history.totalGames = read.integer(key::totalGames);
    history.engine1Wins = read.integer(key::engine1Wins);
    history.engine2Wins = read.integer(key::engine2Wins);
    history.draws = read.integer(key::draws);
    const QJsonArray recordArray = read.array(key::records);
    // Negative counts never come from a save; they would only make the score and the Elo
    // estimate nonsense.
    if (!read.ok() || history.engine1Wins < 0 || history.engine2Wins < 0 || history.draws < 0) {
        return std::nullopt;
    }
    for (const QJsonValue& value : recordArray) {
        std::optional<AutomatchGameRecord> record =
            value.isObject() ? AutomatchGameRecord::fromJson(value.toObject()) : std::nullopt;
        if (!record) {
            return std::nullopt;
        }
        history.records.append(std::move(*record));
    }
    return history;
}

SalvagedHistory salvageHistory(const QByteArray& data) {
    SalvagedHistory salvaged;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return salvaged;
    }
    salvaged.isObject = true;
    const QJsonObject object = document.object();
    // The counters are not taken over: they are counted again from the records that survive, so
    // the score always agrees with the games shown.
    for (const QString& name : {key::totalGames, key::engine1Wins, key::engine2Wins, key::draws}) {
        platform::JsonFieldReader read(object);
        const std::int64_t value = read.integer(name);
        if (!read.ok() || value < 0) {
            salvaged.headerDamaged = true;
        } else if (name == key::totalGames && value > 0) {
            salvaged.totalGames = value;
        }
    }
    const QJsonValue recordValue = object.value(key::records);
    if (!recordValue.isArray()) {
        salvaged.headerDamaged = true;
        return salvaged;
    }
    for (const QJsonValue& value : recordValue.toArray()) {
        std::optional<AutomatchGameRecord> record =
            value.isObject() ? AutomatchGameRecord::fromJson(value.toObject()) : std::nullopt;
        if (record) {
            salvaged.records.append(std::move(*record));
        } else {
            ++salvaged.unreadableRecords;
        }
    }
    return salvaged;
}

} // namespace velkor::automatch
