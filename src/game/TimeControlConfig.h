#pragma once

#include "EngineThinkingMode.h"
#include "TimeControlPreset.h"

#include <QString>
#include <cstdint>

namespace velkor {

// The time control of the next game and how engines search. Defaults are the game manager's
// starting values (Blitz 5+3, custom 5 min + 3 s, engines on the game clock).
struct TimeControlConfig {
    TimeControlPreset preset = TimeControlPreset::blitz5_3;
    // Used when `preset` is `custom`.
    std::int64_t customBaseMinutes = 5;
    // Used when `preset` is `custom`.
    std::int64_t customIncrementSeconds = 3;
    EngineThinkingMode engineThinkingMode = EngineThinkingMode::gameClock();

    bool isUnlimited() const { return velkor::isUnlimited(preset); }

    // Base time in seconds: 0 when unlimited, the custom minutes × 60 for `custom`.
    std::int64_t effectiveBaseSeconds() const;

    // Increment in seconds: the custom value for `custom`, else the preset's.
    std::int64_t effectiveIncrementSeconds() const;

    // The PGN TimeControl tag: "-" unlimited, else base seconds with "+increment" when the
    // increment is at least 1 ("180+2", "600").
    QString pgnString() const;

    bool operator==(const TimeControlConfig&) const = default;
};

} // namespace velkor
