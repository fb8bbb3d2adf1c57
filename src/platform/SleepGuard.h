#pragma once

#include <memory>

namespace velkor::platform {

// Keeps the machine from sleeping while engines play. The guard knows whether it holds the lock
// and asks its backend to take or give it back only on a change. Main thread.
class SleepGuard {
public:
    // What actually keeps the machine awake. Neither call may block or fail the caller; a backend
    // that finds no way to keep the machine awake quietly does nothing.
    class Backend {
    public:
        virtual ~Backend() = default;
        virtual void acquire() = 0;
        virtual void release() = 0;
    };

    // The program's guard: a logind inhibitor lock over the system bus.
    static SleepGuard& shared();

    explicit SleepGuard(std::unique_ptr<Backend> backend);
    // Gives a held lock back.
    ~SleepGuard();
    SleepGuard(const SleepGuard&) = delete;
    SleepGuard& operator=(const SleepGuard&) = delete;

    // Whether the guard asked for the lock and has not given it back.
    bool isHeld() const { return m_isHeld; }

    // Takes the lock when `keepAwake` and none is held; gives it back when not and one is held.
    void setKeepAwake(bool keepAwake);

private:
    std::unique_ptr<Backend> m_backend;
    bool m_isHeld = false;
};

} // namespace velkor::platform
