#include "TurnSearchLimits.h"

#include "SaturatingMath.h"

#include <cmath>
#include <limits>

namespace velkor {

namespace {

// A fixed move time in whole milliseconds, truncated toward zero; absurd values stay in range.
std::int64_t moveTimeMs(double seconds) {
    const double milliseconds = std::trunc(seconds * 1000.0);
    if (!(milliseconds > 0)) {
        return 0;
    }
    if (milliseconds >= 9.0e18) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return static_cast<std::int64_t>(milliseconds);
}

} // namespace

uci::SearchLimits searchLimitsForTurn(const TimeControlConfig& timeControl,
                                      std::int64_t whiteRemainingMs,
                                      std::int64_t blackRemainingMs) {
    const EngineThinkingMode mode = timeControl.engineThinkingMode;
    switch (mode.kind()) {
    case EngineThinkingMode::Kind::gameClock: {
        const std::int64_t incrementMs =
            detail::saturatingMultiply(timeControl.effectiveIncrementSeconds(), 1000);
        return {.wtime = whiteRemainingMs,
                .btime = blackRemainingMs,
                .winc = incrementMs,
                .binc = incrementMs};
    }
    case EngineThinkingMode::Kind::fixedMoveTime:
        return {.movetime = moveTimeMs(mode.seconds())};
    case EngineThinkingMode::Kind::fixedDepth:
        return {.depth = mode.depth()};
    }
    return {};
}

} // namespace velkor
