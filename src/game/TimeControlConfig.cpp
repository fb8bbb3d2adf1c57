#include "TimeControlConfig.h"

#include "SaturatingMath.h"

namespace velkor {

std::int64_t TimeControlConfig::effectiveBaseSeconds() const {
    switch (preset) {
    case TimeControlPreset::unlimited:
        return 0;
    case TimeControlPreset::custom:
        return detail::saturatingMultiply(customBaseMinutes, 60);
    default:
        return baseMinutes(preset) * 60;
    }
}

std::int64_t TimeControlConfig::effectiveIncrementSeconds() const {
    return preset == TimeControlPreset::custom ? customIncrementSeconds : incrementSeconds(preset);
}

QString TimeControlConfig::pgnString() const {
    if (isUnlimited()) {
        return QStringLiteral("-");
    }
    QString text = QString::number(effectiveBaseSeconds());
    const std::int64_t increment = effectiveIncrementSeconds();
    if (increment >= 1) {
        text += QLatin1Char('+') + QString::number(increment);
    }
    return text;
}

} // namespace velkor
