// The writer of a worker: order, Flush (and the failure it raises), and what is left at the end.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "harvest/BackgroundWriter.h"

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

        writer.Add([] { throw std::runtime_error("disk full"); });
        writer.Add([] { throw std::runtime_error("second"); });
        writer.Add([&done] { done.push_back(100); });  // later tasks still run
        EXPECT_THROW(
            {
                try {
                    writer.Flush();
                } catch (const std::runtime_error& e) {
                    EXPECT_STREQ(e.what(), "disk full");
                    throw;
                }
            },
            std::runtime_error);
        EXPECT_EQ(done.back(), 100);
        writer.Flush();  // the failure was reported once
        writer.Add([&done] { done.push_back(101); });
    }  // destroyed with a task waiting: it runs before the writer stops
    EXPECT_EQ(done.back(), 101);
}

}  // namespace
}  // namespace tessaly
