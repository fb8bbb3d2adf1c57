#pragma once

#include <QJsonValue>
#include <cstdint>
#include <optional>

namespace velkor::platform {

// A JSON number read as a 64-bit integer; none for other types, fractions, infinities and
// values out of range. Stored files are untrusted, so nothing here may overflow.
std::optional<std::int64_t> jsonInteger(const QJsonValue& value);

} // namespace velkor::platform
