#include "QtTestSupport.h"
#include "uci/UciEngineWorker.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace velkor::uci {
namespace {

using namespace std::chrono_literals;

TEST(UciEngineWorker, ASearchResetWaitsUntilTheBatchBeingHandedOnIsOnItsWay) {
    std::mutex orderMutex;
    std::vector<std::string> order;
    const auto note = [&](std::string event) {
        std::lock_guard lock(orderMutex);
        order.push_back(std::move(event));
    };
    std::atomic<bool> handingOn = false;

    UciEngineWorker::Sink sink;
    sink.batch = [&](OutputBatch) {
        handingOn = true;
        // A slow hand-over: the reset below arrives while it runs.
        std::this_thread::sleep_for(100ms);
        note("batch posted");
    };
    UciEngineWorker worker(platform::systemUptime, 200ms, std::move(sink));
    QThread thread;
    worker.moveToThread(&thread);
    thread.start();

    QMetaObject::invokeMethod(
        &worker, [&worker] { worker.log("> go"); }, Qt::QueuedConnection);
    ASSERT_TRUE(testing::waitUntil([&] { return handingOn.load(); }, 2s));
    worker.withState([](UciOutputState& state) { state.resetForSearch(); });
    note("search reset");

    QMetaObject::invokeMethod(
        &worker, [&worker] { worker.shutDown(); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    EXPECT_EQ(order, (std::vector<std::string>{"batch posted", "search reset"}));
}

} // namespace
} // namespace velkor::uci
