#include "JsonValues.h"

#include <QVariant>
#include <cmath>

namespace velkor::platform {

std::optional<std::int64_t> jsonInteger(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    // Qt keeps integers read from JSON exactly; anything else arrives as a double.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong) {
        return variant.toLongLong();
    }
    const double number = value.toDouble();
    constexpr double limit = 9.2e18;
    if (!std::isfinite(number) || std::trunc(number) != number || std::abs(number) > limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
}

} // namespace velkor::platform
