#include "TimeControlPreset.h"

#include "EnumIds.h"

namespace velkor {

namespace {

struct PresetRow {
    const char* id;
    std::int64_t baseMinutes;
    std::int64_t incrementSeconds;
};

// Indexed by the enumeration's order.
constexpr std::array<PresetRow, 11> presetRows{{
    {"bullet_1_0", 1, 0},
    {"bullet_2_1", 2, 1},
    {"blitz_3_0", 3, 0},
    {"blitz_3_2", 3, 2},
    {"blitz_5_0", 5, 0},
    {"blitz_5_3", 5, 3},
    {"rapid_10_0", 10, 0},
    {"rapid_15_10", 15, 10},
    {"classical_30_0", 30, 0},
    {"custom", 5, 0},
    {"unlimited", 0, 0},
}};

constexpr const PresetRow& row(TimeControlPreset preset) {
    return presetRows[static_cast<std::size_t>(preset)];
}

} // namespace

QString id(TimeControlPreset preset) {
    return QString::fromLatin1(row(preset).id);
}

QString locKey(TimeControlPreset preset) {
    return QStringLiteral("time_") + id(preset);
}

std::int64_t baseMinutes(TimeControlPreset preset) {
    return row(preset).baseMinutes;
}

std::int64_t incrementSeconds(TimeControlPreset preset) {
    return row(preset).incrementSeconds;
}

std::optional<TimeControlPreset> timeControlPresetFromId(const QString& text) {
    return detail::caseWithId(allTimeControlPresets, text);
}

} // namespace velkor
