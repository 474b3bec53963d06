// The writer of a worker: order, Flush (and the failure it raises), and what is left at the end.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "harvest/BackgroundWriter.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

TEST(BackgroundWriter, RunsInOrderFlushesAndRaisesTheFirstFailure) {
    std::vector<int> done;  // touched by the writer's tasks, read after Flush
    {
        TBackgroundWriter writer;
        for (int i = 0; i < 100; ++i) writer.Add([&done, i] { done.push_back(i); });
        writer.Flush();  // fewer than a batch may wait: Flush still runs them now
        ASSERT_EQ(done.size(), 100u);
        for (int i = 0; i < 100; ++i) EXPECT_EQ(done[static_cast<std::size_t>(i)], i);

        auto raises = [](const std::function<void()>& call, const char* what) {
            try {
                call();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), what);
                return true;
            }
            return false;
        };
        writer.Add([] { throw std::runtime_error("disk full"); });
        writer.Add([] { throw std::runtime_error("second"); });
        writer.Add([&done] { done.push_back(100); });  // behind a failure: passed over
        EXPECT_TRUE(raises([&] { writer.Flush(); }, "disk full"));
        EXPECT_EQ(done.back(), 99);
        writer.Flush();  // the failure was reported once
        writer.Add([&done] { done.push_back(101); });
        writer.Flush();
        EXPECT_EQ(done.back(), 101);  // and the writer works again

        // The next hand-over after a failure raises it, and what it hands over is not taken.
        writer.Add([] { throw std::runtime_error("store held"); });
        EXPECT_TRUE(test::WaitFor(
            [&] {
                return raises([&] { writer.Add([&done] { done.push_back(-1); }); }, "store held");
            },
            5000));
        writer.Flush();
        EXPECT_EQ(done.back(), 101);
        writer.Add([&done] { done.push_back(102); });
    }  // destroyed with a task waiting: it runs before the writer stops
    EXPECT_EQ(done.back(), 102);
}

}  // namespace
}  // namespace tessaly
