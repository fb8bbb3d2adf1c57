#pragma once

#include "FakeEngine.h"
#include "uci/EngineConfiguration.h"

namespace velkor::testing {

// An installed-engine record of `fake` that asks for one thread and no hash, so the fake is told
// no options beyond what a test sets.
inline EngineConfiguration fakeEngineConfig(const FakeEngine& fake) {
    EngineConfiguration config = EngineConfiguration::makeNew("Fake", fake.path(), {});
    config.threads = 1;
    config.hashMB = 0;
    return config;
}

} // namespace velkor::testing
