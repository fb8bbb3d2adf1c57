#include "SleepGuard.h"

#include "LogindSleepInhibitor.h"

namespace velkor::platform {

SleepGuard& SleepGuard::shared() {
    static SleepGuard guard(std::make_unique<LogindSleepInhibitor>());
    return guard;
}

SleepGuard::SleepGuard(std::unique_ptr<Backend> backend) : m_backend(std::move(backend)) {}

SleepGuard::~SleepGuard() {
    setKeepAwake(false);
}

void SleepGuard::setKeepAwake(bool keepAwake) {
    if (keepAwake == m_isHeld) {
        return;
    }
    m_isHeld = keepAwake;
    if (keepAwake) {
        m_backend->acquire();
    } else {
        m_backend->release();
    }
}

} // namespace velkor::platform
