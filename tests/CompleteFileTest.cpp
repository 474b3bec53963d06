// Message-sized files that appear only when complete, and replace an older file in one step.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class CompleteFileTest : public test::TempHomeTest {
protected:
    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CompleteFileTest, WritesNewAndReplacedFilesWithTheUsualPermissions) {
    const std::string folder = Dir() + "msgs/";
    fs::create_directories(folder);
    const std::string path = folder + "0000001.html";
    const std::string big(3 << 20, 'm');
    struct Case {
        const char* what;
        mode_t umask;
        std::string bytes;
        mode_t mode;
    };
    const Case cases[] = {
        {"new", 022, "<html>first</html>", 0644},
        {"replaced, longer", 022, "<html>second, longer than the first</html>", 0644},
        {"replaced, shorter", 027, "<p>", 0640},
        {"replaced, empty", 077, "", 0600},
        {"replaced, large", 022, big, 0644},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const mode_t before = ::umask(c.umask);
        WriteCompleteFile(path, c.bytes);
        ::umask(before);
        EXPECT_TRUE(ReadFile(path) == c.bytes);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        EXPECT_EQ(Names(folder), std::vector<std::string>{"0000001.html"});  // nothing beside it
    }
}

// The old file is never emptied or cut short: whoever has it open keeps reading all of it, and
// whoever opens the name sees the old file or the new one, whole.
TEST_F(CompleteFileTest, ReplacingNeverShowsAShortFile) {
    const std::string path = Dir() + "0000002.html";
    const std::string oldBytes(100000, 'o');
    const std::string newBytes(150000, 'n');
    WriteCompleteFile(path, oldBytes);
    const int held = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            const std::string seen = ReadFile(path);
            if (seen != oldBytes && seen != newBytes) ++torn;
            ++reads;
        }
    });
    for (int i = 0; i < 200; ++i) WriteCompleteFile(path, i % 2 == 0 ? newBytes : oldBytes);
    WriteCompleteFile(path, newBytes);
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_EQ(ReadFile(path), newBytes);
    struct stat st {};
    ASSERT_EQ(::fstat(held, &st), 0);
    EXPECT_EQ(st.st_size, static_cast<off_t>(oldBytes.size()));
    std::string first(oldBytes.size(), '\0');
    EXPECT_EQ(::pread(held, first.data(), first.size(), 0), static_cast<ssize_t>(first.size()));
    EXPECT_TRUE(first == oldBytes);
    ::close(held);
}

// A write that fails (a full disk, here a file size limit; a folder in the way; no folder)
// throws, leaves an older file as it was and leaves no temporary.
TEST_F(CompleteFileTest, AFailureLeavesNothingBehind) {
    const std::string folder = Dir() + "msgs/";
    fs::create_directories(folder + "0000003.html");  // a folder in the way
    WriteFile(folder + "0000004.html", "old page");
    EXPECT_THROW(WriteCompleteFile(folder + "0000003.html", "page"), EFileError);
    EXPECT_THROW(WriteCompleteFile(Dir() + "no/such/folder/0000001.html", "page"), EFileError);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string tooBig(10000, 'x');
    EXPECT_THROW(WriteCompleteFile(folder + "0000004.html", tooBig), EFileError);
    EXPECT_THROW(WriteCompleteFile(folder + "0000005.html", tooBig), EFileError);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(Names(folder), (std::vector<std::string>{"0000003.html", "0000004.html"}));
    EXPECT_TRUE(fs::is_directory(folder + "0000003.html"));
    EXPECT_TRUE(fs::is_empty(folder + "0000003.html"));
    EXPECT_EQ(ReadFile(folder + "0000004.html"), "old page");
}

}  // namespace
}  // namespace tessaly
