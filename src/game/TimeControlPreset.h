#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace velkor {

// The clock presets in the order of the control panel's chips. `custom` takes its times from
// TimeControlConfig; `unlimited` plays without a clock.
enum class TimeControlPreset : unsigned char {
    bullet1_0,
    bullet2_1,
    blitz3_0,
    blitz3_2,
    blitz5_0,
    blitz5_3,
    rapid10_0,
    rapid15_10,
    classical30_0,
    custom,
    unlimited,
};

inline constexpr std::array<TimeControlPreset, 11> allTimeControlPresets{
    TimeControlPreset::bullet1_0, TimeControlPreset::bullet2_1,  TimeControlPreset::blitz3_0,
    TimeControlPreset::blitz3_2,  TimeControlPreset::blitz5_0,   TimeControlPreset::blitz5_3,
    TimeControlPreset::rapid10_0, TimeControlPreset::rapid15_10, TimeControlPreset::classical30_0,
    TimeControlPreset::custom,    TimeControlPreset::unlimited,
};

// The stable identifier ("blitz_5_3"), also the raw value.
QString id(TimeControlPreset preset);

// The label key: "time_" followed by the id.
QString locKey(TimeControlPreset preset);

// Base time in minutes (the `custom` value is a placeholder; `unlimited` is 0).
std::int64_t baseMinutes(TimeControlPreset preset);

// Increment per move in seconds (a placeholder for `custom`).
std::int64_t incrementSeconds(TimeControlPreset preset);

constexpr bool isUnlimited(TimeControlPreset preset) {
    return preset == TimeControlPreset::unlimited;
}

// Accepts exactly the eleven ids, case-sensitive.
std::optional<TimeControlPreset> timeControlPresetFromId(const QString& id);

} // namespace velkor
