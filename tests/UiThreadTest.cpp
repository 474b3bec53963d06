// Hand-overs onto the user-interface thread: order, exceptions, and nested event loops that must
// still be woken by later hand-overs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/TestEnv.h"
#include "threading/UiThread.h"

namespace tessaly {
namespace {

// Runs the event loop until `done` or a time limit; false at the limit.
bool RunUntil(const std::atomic<bool>& done, int limitMs = 20000) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done.load()) loop.quit();
    });
    poll.start(1);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { loop.exit(1); });
    limit.start(limitMs);
    return loop.exec() == 0;
}

class UiThreadTest : public ::testing::TestWithParam<int> {};

// Two threads hand over calls (short and long kinds) and posts; every function runs once, on
// the user-interface thread, in the order each thread handed them over.
TEST_P(UiThreadTest, CallsAndPostsRunInOrderOnTheUiThread) {
    test::EnsureQtApp();
    TUiThread ui{std::chrono::microseconds(GetParam())};
    const auto uiThread = std::this_thread::get_id();
    constexpr int kSteps = 3000;
    std::vector<int> seen[2];
    std::atomic<int> wrongThread{0};
    std::atomic<int> finished{0};
    std::atomic<bool> done{false};
    auto worker = [&](int who) {
        for (int i = 0; i < kSteps; ++i) {
            auto record = [&, who, i] {
                if (std::this_thread::get_id() != uiThread) ++wrongThread;
                seen[who].push_back(i);
            };
            if (i % 3 == 0) {
                ui.Post(record);
            } else {
                ui.Call(record, i % 3 == 1   ? CallWait::SpinFirst
                                : i % 6 == 2 ? CallWait::PageLoad
                                             : CallWait::Sleep);
            }
        }
        // The last call returns only after every earlier post of this thread has run.
        ui.Call([&] {
            if (++finished == 2) done = true;
        });
    };
    std::thread a(worker, 0), b(worker, 1);
    const bool inTime = RunUntil(done);
    a.join();
    b.join();
    ASSERT_TRUE(inTime);
    EXPECT_EQ(wrongThread.load(), 0);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kSteps));
        for (int i = 0; i < kSteps; ++i) EXPECT_EQ(list[static_cast<std::size_t>(i)], i);
    }
}

// A call that runs a nested event loop is served by later hand-overs of another thread, also
// when they arrive while the first thread's earlier functions are still queued.
TEST_P(UiThreadTest, NestedLoopIsWokenByLaterHandOvers) {
    test::EnsureQtApp();
    TUiThread ui{std::chrono::microseconds(GetParam())};
    std::atomic<bool> released{false}, started{false}, done{false}, nestedInTime{true};
    std::thread caller([&] {
        ui.Post([] {});  // something queued before the long call
        ui.Call(
            [&] {
                started = true;
                nestedInTime = RunUntil(released, 5000);
            },
            CallWait::Sleep);
        done = true;
    });
    std::thread releaser([&] {
        while (!started.load()) std::this_thread::sleep_for(std::chrono::microseconds(50));
        ui.Post([] {});
        ui.Call([&] { released = true; });
    });
    const bool inTime = RunUntil(done);
    caller.join();
    releaser.join();
    EXPECT_TRUE(inTime);
    EXPECT_TRUE(nestedInTime.load());
}

TEST_P(UiThreadTest, ExceptionOfACallIsRaisedInTheCaller) {
    test::EnsureQtApp();
    TUiThread ui{std::chrono::microseconds(GetParam())};
    std::atomic<bool> done{false};
    std::string caught;
    std::thread caller([&] {
        for (CallWait wait : {CallWait::SpinFirst, CallWait::PageLoad, CallWait::Sleep}) {
            try {
                ui.Call([] { throw std::runtime_error("refused"); }, wait);
            } catch (const std::runtime_error& e) {
                caught += e.what();
            }
        }
        done = true;
    });
    ASSERT_TRUE(RunUntil(done));
    caller.join();
    EXPECT_EQ(caught, "refusedrefusedrefused");
}

INSTANTIATE_TEST_SUITE_P(Linger, UiThreadTest, ::testing::Values(0, 100),
                         [](const auto& p) { return "linger" + std::to_string(p.param); });

}  // namespace
}  // namespace tessaly
