// The worker framework on its own: an empty run, and a hosted worker that only owns a site
// access object.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "browser/PageBrowser.h"
#include "harvest/TextThread.h"
#include "registry/GroupCache.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "support/SimFixture.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

class SilentUi : public ILoginUi {
public:
    bool CommonMessageBox(const std::string&, TMessageKind, bool) override { return false; }
    bool CommonPasswordBox(const std::string&, std::string&, bool, bool&, std::string&) override {
        return false;
    }
    void ShowPlainMessage(const std::string&) override {}
    void StartProgress(const std::string&, int) override {}
    void SetStatusText(const std::string&) override {}
    void ResetProgressDialog() override {}
    void SetStatusPanel(int, const std::string&) override {}
    void OpenWebPage(const std::string&) override {}
};

// Every report as a line, in the order they ran.
class RecordingReporter : public IProgressReporter {
public:
    void SetGroupBarRange(int min, int max) override { Add("group bar " + R(min, max)); }
    void ResetItemBar() override { Add("item bar reset"); }
    void SetItemBarRange(int min, int max) override { Add("item bar " + R(min, max)); }
    void ShowGroupLine(const std::string& text, int position) override {
        Add("group line " + text + " @" + std::to_string(position));
    }
    void ShowItemLine(const std::string& text, int position) override {
        Add("item line " + text + " @" + std::to_string(position));
    }
    void ReportGroup(const TGroupReport& r) override {
        Add("row " + std::to_string(r.row) + " " + std::string(StatusName(r.status)));
    }
    void ShowFinishedState() override { Add("finished"); }
    std::vector<std::string> lines;

private:
    static std::string R(int a, int b) { return std::to_string(a) + ".." + std::to_string(b); }
    void Add(std::string line) { lines.push_back(std::move(line)); }
};

class WorkerTest : public test::SimServiceTest {
protected:
    void SetUp() override {
        test::EnsureQtApp();
        test::SimServiceTest::SetUp();
        browser_ = std::make_unique<TPageBrowser>();
        session_ = std::make_unique<TMemberSession>(options_, *browser_, loginUi_);
    }
    void TearDown() override {
        session_.reset();
        browser_.reset();
        test::SimServiceTest::TearDown();
    }

    TYahooDownloadOptions options_;
    SilentUi loginUi_;
    RecordingReporter reporter_;
    TStopRequests stops_;
    std::unique_ptr<TPageBrowser> browser_;
    std::unique_ptr<TMemberSession> session_;
};

TEST_F(WorkerTest, AnEmptyRunEndsAtOnceWithItsClosingLines) {
    TUiThread ui(kWorkerUiLinger);
    TTextThread worker(*session_, options_, reporter_, stops_, ui, TWorkerInputs{});
    stops_.stopAll = true;  // cleared by the end of the run
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start());  // once only
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (worker.Finished()) loop.quit();
    });
    poll.start(1);
    loop.exec();
    worker.Wait();
    EXPECT_EQ(reporter_.lines, (std::vector<std::string>{
                                   "group bar 0..0", "group line Completed Downloading 0 Groups @0",
                                   "item line Completed all Message Downloads @0", "finished"}));
    EXPECT_FALSE(stops_.stopAll);
    EXPECT_FALSE(stops_.running);
}

// A hosted worker is never started and reports nothing, even when destroyed; the site object it
// owns reads the group's position and fetches pages on the calling (user-interface) thread,
// without debug pages.
TEST_F(WorkerTest, AHostedWorkerOnlyOwnsItsSiteObject) {
    CacheNewGroups("demo_member", {"DemoGroup"});
    SetLastPosition("demo_member", "DemoGroup", 17);
    TUiThread ui;
    TWorkerInputs inputs;
    inputs.userName = "demo_member";
    inputs.groups = {"DemoGroup"};
    inputs.debugPages = true;
    inputs.hosted = true;
    {
        TTextThread worker(*session_, options_, reporter_, stops_, ui, inputs);
        EXPECT_TRUE(worker.Hosted());
        EXPECT_FALSE(worker.Start());
        TYahooAttachmentDownload site(worker, 0, 0, false, options_, "", "demo_member",
                                      "DemoGroup");
        EXPECT_EQ(site.GetLastPosition(), 17);
        std::vector<std::string> lines;
        ASSERT_TRUE(worker.BrowserFetch("http://groupsim.control/forms", lines));
        EXPECT_NE(LinesToText(lines).find("<form"), std::string::npos);
        EXPECT_EQ(worker.BrowserLocation(), "http://groupsim.control/forms");
    }
    EXPECT_TRUE(reporter_.lines.empty());
    EXPECT_FALSE(stops_.running);
}

}  // namespace
}  // namespace tessaly
