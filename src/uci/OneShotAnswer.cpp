#include "OneShotAnswer.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace velkor::uci {

void OneShotAnswer::answer(bool value) {
    if (m_state->value) {
        return;
    }
    m_state->value = value;
    const std::coroutine_handle<> waiting = std::exchange(m_state->waiting, nullptr);
    if (waiting) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
    }
}

} // namespace velkor::uci
