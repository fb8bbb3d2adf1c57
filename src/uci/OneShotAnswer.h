#pragma once

#include <coroutine>
#include <memory>
#include <optional>

namespace velkor::uci {

// A waiter that a coroutine suspends on until someone answers it, exactly once, with a flag.
// Copies share one waiter. The answer resumes the coroutine from the event loop, never from
// inside the code that answers: an answer given while the answering object is being destroyed
// cannot run the waiting coroutine into freed memory, and answering never re-enters the caller.
class OneShotAnswer {
public:
    OneShotAnswer() : m_state(std::make_shared<State>()) {}

    // The first answer counts; later ones are ignored.
    void answer(bool value);
    bool isAnswered() const { return m_state->value.has_value(); }

    bool await_ready() const noexcept { return m_state->value.has_value(); }
    void await_suspend(std::coroutine_handle<> waiting) noexcept { m_state->waiting = waiting; }
    bool await_resume() const noexcept { return m_state->value.value_or(false); }

private:
    struct State {
        std::optional<bool> value;
        std::coroutine_handle<> waiting;
    };
    std::shared_ptr<State> m_state;
};

} // namespace velkor::uci
