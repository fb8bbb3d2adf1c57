#pragma once

#include <QString>
#include <compare>

namespace velkor {

// Orders dotted version or build texts number by number: "v", "V" and spaces around the text are
// ignored, each piece counts by its leading digits (none, or too many, count as 0), and missing
// pieces count as 0, so 1.10 > 1.9, 1.2 == 1.2.0, V2 == 2.0.0 and 1.2beta == 1.2.
std::strong_ordering compareVersions(const QString& a, const QString& b);

} // namespace velkor
