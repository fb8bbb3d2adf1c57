#pragma once

#include "TimeControlConfig.h"
#include "uci/UciProtocol.h"

#include <cstdint>

namespace velkor {

// The search an engine is asked for on its turn, by the thinking mode of the game's time
// control: a fixed move time (whole milliseconds, truncated toward zero), a fixed depth, or the
// game clock with both sides' remaining time and the increment of the time control.
uci::SearchLimits searchLimitsForTurn(const TimeControlConfig& timeControl,
                                      std::int64_t whiteRemainingMs, std::int64_t blackRemainingMs);

} // namespace velkor
