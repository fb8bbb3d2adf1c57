#pragma once

#include <chrono>
#include <functional>

namespace velkor::testing {

// Runs the Qt event loop until `condition` holds or `timeout` passes; returns whether it held.
// Tests use it instead of sleeping, so they finish as soon as the awaited state is reached.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs the Qt event loop for the given time (for checks that something does *not* happen).
void processEventsFor(std::chrono::milliseconds duration);

} // namespace velkor::testing
