#pragma once

#include <chrono>
#include <functional>

namespace velkor::platform {

// Monotonic time in seconds since an arbitrary fixed point (the system uptime stand-in).
inline double systemUptime() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The injectable time source of clocks and timed logic; tests replace it with a manual one.
using TimeSource = std::function<double()>;

} // namespace velkor::platform
