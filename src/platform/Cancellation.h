#pragma once

#include <atomic>
#include <memory>

namespace velkor::platform {

// Cooperative cancellation for asynchronous operations: the owner keeps the source and cancels
// it; the coroutine keeps a token and checks it after every suspension.
class CancellationToken {
public:
    CancellationToken() = default;
    bool isCancelled() const { return m_flag && m_flag->load(); }

private:
    friend class CancellationSource;
    explicit CancellationToken(std::shared_ptr<std::atomic_bool> flag) : m_flag(std::move(flag)) {}
    std::shared_ptr<std::atomic_bool> m_flag;
};

class CancellationSource {
public:
    CancellationSource() : m_flag(std::make_shared<std::atomic_bool>(false)) {}
    CancellationToken token() const { return CancellationToken(m_flag); }
    void cancel() { m_flag->store(true); }
    bool isCancelled() const { return m_flag->load(); }

private:
    std::shared_ptr<std::atomic_bool> m_flag;
};

} // namespace velkor::platform
