// Hand-overs onto the user-interface thread: order, exceptions, and nested event loops that must
// still be woken by later hand-overs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/TestEnv.h"
#include "threading/UiThread.h"

namespace tessaly {
namespace {

constexpr int kLimitMs = 20000;

// Two threads hand over calls and posts (posts wait for the end of a rest, calls do not); every
// function runs once, on the user-interface thread, in the order each thread handed them over.
TEST(UiThreadTest, CallsAndPostsRunInOrderOnTheUiThread) {
    test::EnsureQtApp();
    TUiThread ui;
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
                ui.Call(record);
            }
        }
        // The last call returns only after every earlier post of this thread has run.
        ui.Call([&] {
            if (++finished == 2) done = true;
        });
    };
    std::thread a(worker, 0), b(worker, 1);
    const bool inTime = test::WaitFor([&] { return done.load(); }, kLimitMs);
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
TEST(UiThreadTest, NestedLoopIsWokenByLaterHandOvers) {
    test::EnsureQtApp();
    TUiThread ui;
    std::atomic<bool> released{false}, started{false}, done{false}, nestedInTime{true};
    std::thread caller([&] {
        ui.Post([] {});  // something queued before the long call
        ui.Call([&] {
            started = true;
            nestedInTime = test::WaitFor([&] { return released.load(); }, 5000);
        });
        done = true;
    });
    std::thread releaser([&] {
        while (!started.load()) std::this_thread::sleep_for(std::chrono::microseconds(50));
        ui.Post([] {});
        ui.Call([&] { released = true; });
    });
    const bool inTime = test::WaitFor([&] { return done.load(); }, kLimitMs);
    caller.join();
    releaser.join();
    EXPECT_TRUE(inTime);
    EXPECT_TRUE(nestedInTime.load());
}

TEST(UiThreadTest, ExceptionOfACallIsRaisedInTheCaller) {
    test::EnsureQtApp();
    TUiThread ui;
    std::atomic<bool> done{false};
    std::string caught;
    std::thread caller([&] {
        for (int call = 0; call < 3; ++call) {
            try {
                ui.Call([] { throw std::runtime_error("refused"); });
            } catch (const std::runtime_error& e) {
                caught += e.what();
            }
        }
        done = true;
    });
    ASSERT_TRUE(test::WaitFor([&] { return done.load(); }, kLimitMs));
    caller.join();
    EXPECT_EQ(caught, "refusedrefusedrefused");
}

}  // namespace
}  // namespace tessaly
