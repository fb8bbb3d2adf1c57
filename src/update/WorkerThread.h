#pragma once

#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <functional>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>

namespace velkor {

// Runs blocking work (hashing, unpacking, signature checks) on Qt's thread pool and resumes the
// awaiting coroutine on its own thread afterwards; an exception from the work is rethrown there.
inline QCoro::Task<> runOnWorkerThread(std::function<void()> work) {
    QFuture<std::exception_ptr> running = QtConcurrent::run([work = std::move(work)] {
        try {
            work();
            return std::exception_ptr();
        } catch (...) {
            return std::current_exception();
        }
    });
    const std::exception_ptr failure = co_await running;
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace velkor
