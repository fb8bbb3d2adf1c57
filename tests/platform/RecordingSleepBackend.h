#pragma once

#include "platform/SleepGuard.h"

namespace velkor::testing {

// What a sleep guard asked of its backend, counted.
struct SleepLog {
    int acquired = 0;
    int released = 0;
};

// A keep-awake backend that only counts, shared with the game tests.
class RecordingSleepBackend : public platform::SleepGuard::Backend {
public:
    explicit RecordingSleepBackend(SleepLog& log) : m_log(log) {}
    void acquire() override { ++m_log.acquired; }
    void release() override { ++m_log.released; }

private:
    SleepLog& m_log;
};

} // namespace velkor::testing
