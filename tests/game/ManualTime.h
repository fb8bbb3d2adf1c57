#pragma once

#include "platform/Uptime.h"

#include <atomic>

namespace velkor::testing {

// A time source the test moves by hand (seconds). Starts at 0 so that sums stay exact. Atomic,
// because engine worker threads read it to stamp the engines' answers.
struct ManualTime {
    std::atomic<double> now{0.0};

    platform::TimeSource source() {
        return [this] { return now.load(); };
    }
    void advance(double seconds) { now.store(now.load() + seconds); }
};

} // namespace velkor::testing
