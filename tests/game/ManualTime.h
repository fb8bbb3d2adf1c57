#pragma once

#include "platform/Uptime.h"

namespace velkor::testing {

// A time source the test moves by hand (seconds). Starts at 0 so that sums stay exact.
struct ManualTime {
    double now = 0.0;

    platform::TimeSource source() {
        return [this] { return now; };
    }
    void advance(double seconds) { now += seconds; }
};

} // namespace velkor::testing
