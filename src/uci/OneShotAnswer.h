#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <coroutine>
#include <memory>
#include <optional>
#include <utility>

namespace velkor::uci {

// A waiter that a coroutine suspends on until someone answers it, exactly once, with a value.
// Copies share one waiter. The answer resumes the coroutine from the event loop, never from
// inside the code that answers: an answer given while the answering object is being destroyed
// cannot run the waiting coroutine into freed memory, and answering never re-enters the caller.
template <typename Value>
class OneShot {
public:
    OneShot() : m_state(std::make_shared<State>()) {}

    // The first answer counts; later ones are ignored.
    void answer(Value value) {
        if (m_state->value) {
            return;
        }
        m_state->value = std::move(value);
        const std::coroutine_handle<> waiting = std::exchange(m_state->waiting, nullptr);
        if (waiting) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [waiting] { waiting.resume(); },
                Qt::QueuedConnection);
        }
    }
    bool isAnswered() const { return m_state->value.has_value(); }

    bool await_ready() const noexcept { return m_state->value.has_value(); }
    void await_suspend(std::coroutine_handle<> waiting) noexcept { m_state->waiting = waiting; }
    Value await_resume() const { return m_state->value.value_or(Value{}); }

private:
    struct State {
        std::optional<Value> value;
        std::coroutine_handle<> waiting;
    };
    std::shared_ptr<State> m_state;
};

// The handshake's waiter: true once the engine answered, false on a time-out or its end.
using OneShotAnswer = OneShot<bool>;

} // namespace velkor::uci
