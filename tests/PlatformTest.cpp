#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>

#include "files/FileUtils.h"
#include "platform/FileLock.h"
#include "platform/Pacing.h"
#include "platform/Processes.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemProxy.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class PlatformTest : public test::TempHomeTest {};

TEST_F(PlatformTest, SpecialFoldersFollowTheEnvironment) {
    EXPECT_EQ(GetSpecialFolder(SpecialFolder::AppData), Dir() + "data/");
    EXPECT_EQ(SettingsFolder(), Dir() + "data/Tessaly2/Data/");
    EXPECT_EQ(DebugFolder(), Dir() + "data/Tessaly2 Debug/");
    EXPECT_EQ(ConfigurationFolder(), Dir() + "data/Tessaly2/");
    EXPECT_EQ(DefaultOutputFolder(), Dir() + "home/Yahoo Groups Files/");
    EXPECT_EQ(PrivateStateFolder(), Dir() + "config/Tessaly2/");

    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetSpecialFolder(SpecialFolder::AppData), Dir() + "home/.local/share/");
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(GetSpecialFolder(SpecialFolder::AppData), Dir() + "home/.local/share/");
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetSpecialFolder(SpecialFolder::AppData), ProgramFolder());
    EXPECT_EQ(ProgramFolder().back(), '/');
}

TEST_F(PlatformTest, ProxyFromTheEnvironment) {
    struct Case {
        const char* http;
        const char* https;
        const char* ftp;
        const char* all;
        const char* want[5];
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, nullptr, {"", "", "", "", ""}},
        {"http://p:3128/",
         "http://p:3128",
         nullptr,
         "http://p:3128",
         {"p:3128", "p:3128", "p:3128", "p:3128", "p:3128"}},
        {"http://a:1", "http://b:2", nullptr, nullptr, {"a:1", "b:2", "", "", ""}},
        {nullptr, nullptr, nullptr, "socks5://s:1080", {"", "", "", "", "s:1080"}},
        {"http://a:1", nullptr, nullptr, "http://c:3", {"a:1", "c:3", "c:3", "", ""}},
    };
    for (const Case& c : cases) {
        for (const char* name : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy",
                                 "HTTP_PROXY", "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY"}) {
            ::unsetenv(name);
        }
        if (c.http) ::setenv("http_proxy", c.http, 1);
        if (c.https) ::setenv("HTTPS_PROXY", c.https, 1);
        if (c.ftp) ::setenv("ftp_proxy", c.ftp, 1);
        if (c.all) ::setenv("all_proxy", c.all, 1);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(GetSystemProxy(i), c.want[i]) << (c.http ? c.http : "-") << " #" << i;
    }
}

TEST_F(PlatformTest, LocksShowWhileAWriterHoldsTheFile) {
    const std::string path = Dir() + "item.bin";
    EXPECT_FALSE(IsFileLocked(path));  // missing
    {
        TLockedFileWriter writer(path, false);
        writer.Write("part");
        EXPECT_TRUE(IsFileLocked(path));
        EXPECT_THROW(TLockedFileWriter(path, true), EFileError);
        writer.Close();
        EXPECT_FALSE(IsFileLocked(path));
    }
    TLockedFileWriter appender(path, true);
    appender.Write("+more");
    appender.Close();
    EXPECT_EQ(ReadFile(path), "part+more");

    WriteTextFile(Dir() + "t.txt", "abc");
    EXPECT_EQ(ReadFile(Dir() + "t.txt"), "abc");
    EXPECT_THROW(WriteTextFile(Dir() + "no/such/dir/t.txt", "x"), EFileError);
}

TEST_F(PlatformTest, RunProgramStartsAndWaits) {
    const std::string marker = Dir() + "ran";
    EXPECT_TRUE(RunProgram("sh -c \"echo ok > '" + marker + "'\"", true, true));
    EXPECT_EQ(ReadFile(marker), "ok\n");
    EXPECT_FALSE(RunProgram("/no/such/program --x", false, true));
    EXPECT_FALSE(RunProgram("", false, false));
}

TEST_F(PlatformTest, PacingScalesFixedWaits) {
    using Clock = std::chrono::steady_clock;
    PacingClock::SetScale(0);
    auto t0 = Clock::now();
    PacedSleep(10000);
    Delay(10000);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(2));
    PacingClock::SetScale(0.5);
    EXPECT_EQ(PacingClock::Scaled(std::chrono::milliseconds(2000)).count(), 1000);
    PacingClock::SetScale(-3);
    EXPECT_EQ(PacingClock::Scale(), 1.0);
    PacingClock::SetScale(0);
}

TEST_F(PlatformTest, DelayKeepsProcessingEvents) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    PacingClock::SetScale(1);
    bool fired = false;
    QTimer::singleShot(10, [&fired] { fired = true; });
    auto t0 = std::chrono::steady_clock::now();
    Delay(100);
    auto took = std::chrono::steady_clock::now() - t0;
    PacingClock::SetScale(0);
    EXPECT_TRUE(fired);
    EXPECT_GE(took, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace tessaly
