// The desktop program and tessaly-cli side by side, as users run them: one settings store, one
// output folder, the simulated service as a program of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "gui/SimServiceFixture.h"
#include "gui/TGroupTree.h"
#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "platform/RunLock.h"
#include "registry/GroupCache.h"
#include "registry/LoginProfiles.h"
#include "registry/ProgramRegistry.h"
#include "status/Outcome.h"
#include "support/CliRunner.h"
#include "support/StoreCheck.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

class SideBySideTest : public SimProcessTest {
protected:
    static CliRun Cli(const std::vector<std::string>& args) {
        return RunCli(TESSALY_CLI_BINARY, args, "tessaly-demo");
    }
    static std::size_t Pages(const std::string& folder) {
        std::size_t n = 0;
        if (fs::exists(folder)) {
            for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
        }
        return n;
    }
};

// Runs of the desktop program with `tessaly-cli groups` after each: the command line finds the
// store sound every time, and the login, the profiles, the marks and the positions stay.
TEST_F(SideBySideTest, TheCommandLineBetweenRunsOfTheDesktopProgramKeepsTheStore) {
    StartService();
    SaveLoginProfiles({{"friend", "secret"}});
    auto& m = SignedIn();
    for (auto* item : m.Tree().GroupItems()) {
        if (gui::TGroupTree::TextOf(item) == "SportsFans") m.Tree().SetFavourite(item, true);
    }
    const std::string out = Dir() + "out";
    for (const char* group : {"DemoGroup", "Filler01"}) {
        SCOPED_TRACE(group);
        CheckOnly(m, {group});
        BoxAnswers boxes;
        boxes.Then(Choose(2, out, false));
        FinishWatcher watcher(m);
        m.mnuItemStartDownloadClick();
        ASSERT_EQ(watcher.rows.size(), 1u) << boxes.Last();
        EXPECT_NE(watcher.rows[0].find("|Completed|"), std::string::npos) << watcher.rows[0];
        const CliRun groups = Cli({"groups"});
        EXPECT_EQ(groups.status, 0) << groups.err;
        EXPECT_NE(groups.out.find(std::string("[x]   ") + group), std::string::npos) << groups.out;
        EXPECT_NE(groups.out.find("[ ] * SportsFans"), std::string::npos) << groups.out;
    }
    EXPECT_EQ(StoreIntegrity(DefaultRegistryFile()), "ok");
    EXPECT_EQ(StoredUserName(), "demo_member");
    const auto profiles = LoadLoginProfiles();
    EXPECT_NE(std::find(profiles.begin(), profiles.end(), TLoginProfile{"friend", "secret"}),
              profiles.end());
    EXPECT_TRUE(CachedGroupMarks("demo_member", "Filler01").checked);
    EXPECT_FALSE(CachedGroupMarks("demo_member", "DemoGroup").checked);
    EXPECT_TRUE(CachedGroupMarks("demo_member", "SportsFans").favourite);
    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 40);
    EXPECT_EQ(Pages(out + "/Messages/DemoGroup"), 37u);
}

// Start Download into a folder a tessaly-cli run is writing into: an error box names the folder,
// no run starts (the main window stays, nothing is opened), and the command line's run ends as
// it would alone.
TEST_F(SideBySideTest, ARunIntoAFolderTheCommandLineIsWritingIntoIsRefused) {
    StartService({"--latency", "100"});
    auto& m = SignedIn();
    CheckOnly(m, {"OneMessage"});
    const std::string out = Dir() + "out/";
    std::atomic<bool> cliDone{false};
    CliRun cli;
    std::thread run([&] {
        cli = Cli({"download", "--password-stdin", "--out", out, "DemoGroup"});
        cliDone = true;
    });
    const std::string lockFile = out + std::string(kRunLockName);
    ASSERT_TRUE(WaitFor([&] { return cliDone || IsFileLocked(lockFile); }, 60000));
    BoxAnswers boxes;
    boxes.Then(Choose(2, out, false));
    boxes.Then(BoxAnswers::Ok());
    FinishWatcher watcher(m);  // ends a run that should not have started
    m.mnuItemStartDownloadClick();
    const bool cliWasRunning = !cliDone;
    run.join();
    ASSERT_TRUE(cliWasRunning) << "the command line's run ended before the desktop program tried";
    EXPECT_TRUE(boxes.AllUsed());
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[1], "Error: " + FolderBusyText(out));
    EXPECT_TRUE(watcher.rows.empty());
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(fs::exists(out + "Messages/OneMessage"));
    EXPECT_EQ(cli.status, 0) << cli.out << cli.err;
    EXPECT_EQ(Pages(out + "Messages/DemoGroup"), 37u);
}

}  // namespace
}  // namespace tessaly::test
