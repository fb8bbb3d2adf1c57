#pragma once

#include "AutomatchGameRecord.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

namespace velkor::automatch {

// The stored state of the last series: its length, the score and every record, written as one
// compact JSON object with timestamps in seconds since 2001-01-01 UTC.
struct PersistedHistory {
    std::int64_t totalGames = 0;
    std::int64_t engine1Wins = 0;
    std::int64_t engine2Wins = 0;
    std::int64_t draws = 0;
    QList<AutomatchGameRecord> records;

    QByteArray encode() const;

    // Nothing when the bytes are not such an object: not JSON, a key missing or of the wrong
    // type, a negative count, or any record unreadable. One bad part spoils the whole blob.
    static std::optional<PersistedHistory> decode(const QByteArray& data);

    bool operator==(const PersistedHistory&) const = default;
};

// What can be saved from a stored history that may be damaged: every record that reads, one by
// one, with the number of those that do not.
struct SalvagedHistory {
    // The bytes hold a JSON object at all.
    bool isObject = false;
    // The series length, when it reads as a positive number.
    std::optional<std::int64_t> totalGames;
    QList<AutomatchGameRecord> records;
    // Records that could not be read, and whether any part besides them was missing or wrong.
    std::int64_t unreadableRecords = 0;
    bool headerDamaged = false;

    bool isWhole() const { return isObject && unreadableRecords == 0 && !headerDamaged; }
};

// Reads whatever is readable of a stored history: unlike PersistedHistory::decode, one bad record
// or field costs only itself.
SalvagedHistory salvageHistory(const QByteArray& data);

} // namespace velkor::automatch
