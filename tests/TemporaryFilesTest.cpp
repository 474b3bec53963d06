// The program's temporaries: how they are named and locked, and the cleanup of those a killed
// run left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/FileLock.h"
#include "platform/TemporaryFiles.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class TemporaryFilesTest : public test::TempHomeTest {};

TEST_F(TemporaryFilesTest, TellsTheProgramsTemporariesFromOtherNames) {
    const std::vector<std::string> settings{"Options.ini", "cookies.txt"};
    struct Case {
        const char* name;
        bool own;
    };
    const Case cases[] = {
        {".0000001.html.tessaly-tmp-Ab3xZ9", true},
        {".Options.ini.tessaly-tmp-000000", true},
        {".Options.ini.Ab3xZ9", true},  // how settings files were saved before
        {".cookies.txt.q1W2e3", true},
        {".notes.txt.Ab3xZ9", false},  // the earlier pattern, for a file that is not ours
        {".Options.ini.Ab3xZ", false},
        {".Options.ini.Ab3xZ9~", false},
        {".Options.ini.Ab-xZ9", false},
        {".0000001.html.tessaly-tmp-Ab3xZ", false},
        {".tessaly-tmp-Ab3xZ9", false},
        {"0000001.html.tessaly-tmp-Ab3xZ9", false},
        {"Options.ini", false},
        {"0000001.html", false},
        {".Options.ini.", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsOwnTemporaryName(c.name, settings), c.own) << c.name;
    const std::string made = TemporaryNameFor("/some/folder/0000001.html");
    EXPECT_EQ(made.rfind("/some/folder/.0000001.html.tessaly-tmp-", 0), 0u) << made;
    EXPECT_TRUE(IsOwnTemporaryName(fs::path(made).filename().string()));
    EXPECT_NE(made, TemporaryNameFor("/some/folder/0000001.html"));
}

// Only the program's own temporaries go, and only when no live writer holds them: a temporary
// that this or another process is writing is locked and stays. Folders, links and everybody
// else's files stay too.
TEST_F(TemporaryFilesTest, RemovesOnlyStaleTemporariesOfItsOwn) {
    const std::string folder = Dir() + "Data/";
    fs::create_directories(folder);
    const std::vector<std::string> stale{".0000001.html.tessaly-tmp-Ab3xZ9",
                                         ".Options.ini.tessaly-tmp-q1W2e3", ".Options.ini.Zz9Yy8"};
    const std::vector<std::string> kept{"0000001.html", "Options.ini", ".notes.txt.Ab3xZ9",
                                        ".hidden", "outside.txt"};
    for (const auto& name : stale) WriteFile(folder + name, "half a fi");
    for (const auto& name : kept) WriteFile(folder + name, "keep");
    fs::create_directories(folder + ".dir.tessaly-tmp-Ab3xZ9");
    fs::create_symlink(folder + "outside.txt", folder + ".link.tessaly-tmp-Ab3xZ9");
    const TLockedTemporary live = CreateLockedTemporary(folder + "0000002.html", 0644);
    const std::string liveName = fs::path(live.name).filename().string();

    EXPECT_EQ(RemoveStaleTemporaries(folder, {"Options.ini"}), 3);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folder))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> want = kept;
    want.insert(want.end(), {".dir.tessaly-tmp-Ab3xZ9", ".link.tessaly-tmp-Ab3xZ9", liveName});
    std::sort(want.begin(), want.end());
    EXPECT_EQ(left, want);
    for (const auto& name : kept) EXPECT_EQ(ReadFile(folder + name), "keep") << name;

    // A cleanup in another process (a second run starting) leaves it too; once its writer is
    // gone it goes.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool skipped = RemoveStaleTemporaries(folder) == 0 && fs::exists(live.name);
        ::_exit(skipped ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(live.fd);
    EXPECT_EQ(RemoveStaleTemporaries(folder), 1);
    EXPECT_FALSE(fs::exists(live.name));
    EXPECT_EQ(RemoveStaleTemporaries(Dir() + "no-such-folder/"), 0);
}

}  // namespace
}  // namespace tessaly
