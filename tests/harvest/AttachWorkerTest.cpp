// The attachment worker in one process, against the simulated service: what its viewer sees of
// a group whose messages have files and of one whose messages have none.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "harvest/AttachThread.h"
#include "registry/GroupCache.h"
#include "support/RecordingReporter.h"
#include "support/SessionFixture.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class AttachWorkerTest : public test::SessionTest {};

TEST_F(AttachWorkerTest, RowsAndItemLinesOfAnAttachmentRun) {
    ASSERT_TRUE(LoggedIn());
    CacheNewGroups("demo_member", {"SportsFans", "Filler06"});
    Options().strSaveDir = Dir() + "out/";
    for (auto& entry : Options().ExcludeExtensions) entry.erase(0, entry.find(':') + 1);
    Options().intThreadCount = 2;
    TUiThread ui;
    TStopRequests stops;
    test::RecordingReporter reporter({"SportsFans", "Filler06"});
    TWorkerInputs inputs;
    inputs.userName = "demo_member";
    inputs.password = test::kDemoPassword;
    inputs.groups = {"SportsFans", "Filler06"};
    TAttachThread worker(Session(), Options(), reporter, stops, ui, inputs);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(test::WaitFor([&] { return worker.Finished(); }, 60000));
    worker.Wait();

    const auto& rows = reporter.rows.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].status, "Completed");
    EXPECT_EQ(rows[0].filesFound, "8");  // the program file is not counted
    EXPECT_EQ(rows[0].position, "4");
    EXPECT_EQ(rows[1].status, "Completed");  // messages without files
    EXPECT_EQ(rows[1].filesFound, "0");
    EXPECT_FALSE(fs::exists(Dir() + "out/Attachments/Filler06"));
    EXPECT_EQ(GetLastPosition("demo_member", "SportsFans"), 4);
    // The batch of the first message shows on the item line while it runs.
    EXPECT_NE(std::find_if(reporter.lines.begin(), reporter.lines.end(),
                           [](const std::string& line) {
                               return line.rfind("item line Downloading Attachment ", 0) == 0 &&
                                      line.find("  of 3 (Message - 1 of 4) @1") != line.npos;
                           }),
              reporter.lines.end());
    EXPECT_EQ(reporter.lines.back(), "finished");
}

}  // namespace
}  // namespace tessaly
