#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace velkor {

// One finished game of an automatch series, as kept in the history, stored and exported.
struct AutomatchGameRecord {
    // How `timestamp` is written: the stored form counts seconds (with fraction) since
    // 2001-01-01 00:00:00 UTC; the export form is ISO 8601 UTC text without fraction.
    enum class TimestampEncoding { referenceDateSeconds, iso8601 };

    QUuid id;
    // 1-based number of the game in its series.
    std::int64_t gameNumber = 0;
    // "Engine 1"/"Engine 2" when that engine had no configuration.
    QString whiteEngineName;
    QString blackEngineName;
    bool whiteIsEngine1 = true;
    // The Elo limit in force for that colour; absent when it played at full strength.
    std::optional<std::int64_t> whiteEngineElo;
    std::optional<std::int64_t> blackEngineElo;
    // "1-0", "0-1" or "1/2-1/2".
    QString result;
    // Absent for a draw.
    std::optional<QString> winnerEngineName;
    // The fixed German text saying how the game ended.
    QString reason;
    // Half-moves played.
    std::int64_t movesCount = 0;
    // Every move in coordinate notation (e2e4, e7e8q), oldest first.
    QStringList movesUCI;
    // FEN of the start position.
    std::optional<QString> initialFEN;
    // The game's complete PGN text as the game manager exported it.
    QString pgn;
    // When the record was made (the end of the game), in UTC.
    QDateTime timestamp;
    // The clocks when the game ended; absent for a game without a clock and in older records.
    std::optional<std::int64_t> whiteRemainingMs;
    std::optional<std::int64_t> blackRemainingMs;

    // "1 - 0", "0 - 1", or "½ - ½" for anything else.
    QString resultBadgeText() const;

    // An object whose keys are the field names; absent optionals are left out and the id is
    // upper-case UUID text.
    QJsonObject toJson(TimestampEncoding encoding) const;

    // Reads the stored form. Nothing when a required key is missing or any value has the wrong
    // type; the optional fields may be missing or null.
    static std::optional<AutomatchGameRecord> fromJson(const QJsonObject& object);

    bool operator==(const AutomatchGameRecord&) const = default;
};

} // namespace velkor
