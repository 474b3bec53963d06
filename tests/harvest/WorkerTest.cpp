// The worker framework and the message walk in one process, against the simulated service: an
// empty run, a hosted worker, and a table of group kinds and service faults walked to their end.
#include <gtest/gtest.h>

#include <filesystem>

#include "harvest/TextThread.h"
#include "platform/Pacing.h"
#include "registry/GroupCache.h"
#include "support/RecordingReporter.h"
#include "support/SessionFixture.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class WorkerTest : public test::SessionTest {
protected:
    // Runs the message worker over `groups` to its end; false when it did not end in time.
    bool Run(TTextThread& worker) {
        if (!worker.Start()) return false;
        const bool ended = test::WaitFor([&] { return worker.Finished(); }, 60000);
        worker.Wait();
        return ended;
    }
    static std::size_t FileCount(const std::string& folder) {
        if (!fs::is_directory(folder)) return 0;
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    TStopRequests stops_;
};

TEST_F(WorkerTest, AnEmptyRunEndsAtOnceWithItsClosingLines) {
    TUiThread ui;
    test::RecordingReporter reporter;
    TTextThread worker(Session(), Options(), reporter, stops_, ui, TWorkerInputs{});
    stops_.stopAll = true;  // cleared by the end of the run
    ASSERT_TRUE(Run(worker));
    EXPECT_FALSE(worker.Start());  // once only
    EXPECT_EQ(reporter.lines, (std::vector<std::string>{
                                  "group bar 0..0", "group line Completed Downloading 0 Groups @0",
                                  "item line Completed all Message Downloads @0", "finished"}));
    EXPECT_FALSE(stops_.stopAll);
    EXPECT_FALSE(stops_.running);
}

// A hosted worker is never started and reports nothing, even when destroyed; the site object it
// owns reads the group's position and fetches pages on the calling thread, without debug pages.
TEST_F(WorkerTest, AHostedWorkerOnlyOwnsItsSiteObject) {
    CacheNewGroups("demo_member", {"DemoGroup"});
    SetLastPosition("demo_member", "DemoGroup", 17);
    TUiThread ui;
    test::RecordingReporter reporter;
    TWorkerInputs inputs;
    inputs.userName = "demo_member";
    inputs.groups = {"DemoGroup"};
    inputs.debugPages = true;
    inputs.hosted = true;
    {
        TTextThread worker(Session(), Options(), reporter, stops_, ui, inputs);
        EXPECT_TRUE(worker.Hosted());
        EXPECT_FALSE(worker.Start());
        TYahooAttachmentDownload site(worker, 0, 0, false, Options(), "", "demo_member",
                                      "DemoGroup");
        EXPECT_EQ(site.GetLastPosition(), 17);
        const TFetch fetch = worker.BrowserFetch("http://groupsim.control/forms");
        ASSERT_TRUE(fetch.ok);
        EXPECT_NE(fetch.Source().find("<form"), std::string::npos);
        EXPECT_EQ(fetch.page->Location(), "http://groupsim.control/forms");
        EXPECT_EQ(fetch.page->Status(), 200);
        EXPECT_EQ(worker.BrowserLocation(), "http://groupsim.control/forms");
    }
    EXPECT_TRUE(reporter.lines.empty());
    EXPECT_FALSE(stops_.running);
}

// One group walked to its end, per kind of group and per fault of the service: the row's final
// status and position, the message files written and the position stored.
struct WalkCase {
    const char* group;   // as the member's list has it
    const char* folder;  // the folder its messages go to
    const char* faults;  // of the service, "" for none
    DownloadStatus status;
    int position;  // of the final row
    std::size_t files;
    std::int64_t stored;  // the stored last position, -1 for none
};

TEST_F(WorkerTest, MessageWalkOverGroupKindsAndFaults) {
    const WalkCase cases[] = {
        {"DemoGroup", "DemoGroup", "", dsCompleted, 40, 37, 40},  // gaps, auth and ad pages
        {"mixedcasegroup", "MixedCaseGroup", "", dsCompleted, 3, 3, 3},
        {"BritishWalkers", "BritishWalkers", "", dsCompleted, 105, 5, 105},  // country site
        {"AdultGroup", "AdultGroup", "", dsCompleted, 3, 3, 3},
        {"OneMessage", "OneMessage", "", dsStopped, 500, 1, 500},
        {"EmptyGroup", "EmptyGroup", "", dsNotAvailable, 0, 0, -1},
        {"Filler01", "Filler01", "drop=/group/Filler01/message/1", dsError, 1, 0, -1},
        {"Filler02", "Filler02", "drop=/group/Filler02/message/2", dsError, 2, 1, 2},
        {"Filler03", "Filler03", "loop=/group/Filler03/message/2", dsError, 2, 1, 2},
        {"Filler04", "Filler04", "latency=5", dsCompleted, 2, 2, 2},
    };
    ASSERT_TRUE(LoggedIn());
    std::vector<std::string> names;
    for (const auto& c : cases) names.emplace_back(c.group);
    CacheNewGroups("demo_member", names);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " with faults \"" + c.faults + "\"");
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.faults));
        Options().strSaveDir = Dir() + "out/";
        TUiThread ui;
        TStopRequests stops;
        test::RecordingReporter reporter({c.group});
        TWorkerInputs inputs;
        inputs.userName = "demo_member";
        inputs.password = test::kDemoPassword;
        inputs.groups = {c.group};
        TTextThread worker(Session(), Options(), reporter, stops, ui, inputs);
        ASSERT_TRUE(Run(worker));
        ASSERT_FALSE(reporter.reports.empty());
        EXPECT_EQ(StatusName(reporter.reports.back().status), StatusName(c.status));
        EXPECT_EQ(reporter.reports.back().position, c.position);
        EXPECT_EQ(FileCount(Dir() + "out/Messages/" + c.folder + "/"), c.files);
        EXPECT_EQ(GetLastPosition("demo_member", c.group), c.stored);
        EXPECT_EQ(reporter.lines.back(), "finished");
    }
    Service().SetFaults({});
}

// A throttled answer is waited out with a countdown on the item line and on the row, and a stop
// request ends the wait at once. At a fifth of the designed pacing the first wait is 12 s.
TEST_F(WorkerTest, AThrottledWaitCountsDownAndAStopEndsIt) {
    ASSERT_TRUE(LoggedIn());
    CacheNewGroups("demo_member", {"Filler05"});
    Service().SetFaults(groupsim::GroupService::ParseFaults("throttlefor=/group/Filler05"));
    const double scale = PacingClock::Scale();
    PacingClock::SetScale(0.2);
    TUiThread ui;
    test::RecordingReporter reporter({"Filler05"});
    TWorkerInputs inputs;
    inputs.userName = "demo_member";
    inputs.password = test::kDemoPassword;
    inputs.groups = {"Filler05"};
    TTextThread worker(Session(), Options(), reporter, stops_, ui, inputs);
    ASSERT_TRUE(worker.Start());
    const std::string countdown = "Throttled by the service, retrying in 60 s";
    // The countdown shows on the item line and on the row (reports arrive in order, but not
    // necessarily in one go).
    const bool throttled = test::WaitFor(
        [&] {
            return std::find(reporter.lines.begin(), reporter.lines.end(),
                             "item line " + countdown + " @0") != reporter.lines.end() &&
                   reporter.rows.Rows()[0].reason == countdown;
        },
        30000);
    const auto asked = std::chrono::steady_clock::now();
    stops_.stopCurrent = true;
    const bool ended = test::WaitFor([&] { return worker.Finished(); }, 30000);
    const auto took = std::chrono::steady_clock::now() - asked;
    worker.Wait();
    PacingClock::SetScale(scale);
    Service().SetFaults({});
    EXPECT_TRUE(throttled);
    ASSERT_TRUE(ended);
    EXPECT_LT(took, std::chrono::seconds(6));  // not the rest of the wait
    EXPECT_EQ(StatusName(reporter.reports.back().status), StatusName(dsSkipped));
    int asks = 0;  // the throttled page was asked for once: the stop came during the wait
    for (const auto& entry : Service().Log()) asks += entry.path == "/group/Filler05" ? 1 : 0;
    EXPECT_EQ(asks, 1);
}

}  // namespace
}  // namespace tessaly
