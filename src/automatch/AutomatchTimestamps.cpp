#include "AutomatchTimestamps.h"

#include <QTimeZone>
#include <cmath>
#include <cstdint>

namespace velkor::automatch {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr std::int64_t referenceDateMs = 978'307'200'000;
// About ±100000 years: keeps the conversion to milliseconds far from overflow.
constexpr double maxAbsoluteSeconds = 3.2e12;

} // namespace

double secondsSinceReferenceDate(const QDateTime& moment) {
    return static_cast<double>(moment.toMSecsSinceEpoch() - referenceDateMs) / 1000.0;
}

std::optional<QDateTime> dateFromReferenceSeconds(double seconds) {
    if (!std::isfinite(seconds) || std::abs(seconds) > maxAbsoluteSeconds) {
        return std::nullopt;
    }
    const auto ms = static_cast<std::int64_t>(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(ms + referenceDateMs, QTimeZone::utc());
}

QString iso8601Text(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODate);
}

} // namespace velkor::automatch
