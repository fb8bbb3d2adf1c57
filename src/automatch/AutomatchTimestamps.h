#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace velkor::automatch {

// Seconds (with fraction) from 2001-01-01 00:00:00 UTC to `moment`, the stored form of dates
// (kept so that histories written elsewhere stay readable).
double secondsSinceReferenceDate(const QDateTime& moment);

// The UTC moment that many seconds after 2001-01-01 00:00:00 UTC, to the millisecond; none for
// a value that is not finite or lies beyond year ±100000.
std::optional<QDateTime> dateFromReferenceSeconds(double seconds);

// "2025-03-01T18:04:05Z": ISO 8601 in UTC, whole seconds.
QString iso8601Text(const QDateTime& moment);

} // namespace velkor::automatch
