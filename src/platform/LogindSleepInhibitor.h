#pragma once

#include "SleepGuard.h"

#include <QString>
#include <QThread>
#include <chrono>
#include <optional>

namespace velkor::platform {

namespace detail {
class InhibitorWorker;
} // namespace detail

// Keeps the machine awake with a logind inhibitor lock (what "idle:sleep", mode "block"), held as
// the file descriptor the login manager hands out and closed to give it back. The bus is only
// touched on a thread of the inhibitor's own, each call with a time limit, so a missing, slow or
// refusing bus never reaches the game; where no bus is reachable nothing happens.
class LogindSleepInhibitor : public SleepGuard::Backend {
public:
    static constexpr std::chrono::milliseconds callTimeout{5000};

    // `busAddress` names the bus to ask; none means the system bus.
    explicit LogindSleepInhibitor(std::optional<QString> busAddress = std::nullopt);
    // Gives a held lock back; waits for a call in progress (at most the time limit).
    ~LogindSleepInhibitor() override;
    LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
    LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

    void acquire() override;
    void release() override;

private:
    void ensureThread();

    std::optional<QString> m_busAddress;
    QThread m_thread;
    // Lives on m_thread from its start; deleted there when the thread finishes.
    detail::InhibitorWorker* m_worker = nullptr;
};

} // namespace velkor::platform
