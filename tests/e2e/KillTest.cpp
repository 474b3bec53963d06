// tessaly-cli killed with SIGKILL at random moments of a download, then resumed: no message file
// is ever short or empty, and the next start leaves no temporary of the program behind. Real
// processes throughout: the simulated service runs as its own program on loopback.
//
// The kill moments come from a seed printed with the test; TESSALY_KILL_SEED=N repeats them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <random>

#include "groupsim/SimData.h"
#include "groupsim/SimPages.h"
#include "platform/SpecialFolders.h"
#include "platform/TemporaryFiles.h"
#include "support/GroupSimProcess.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

// Sanitized builds (a few times slower) run the same kills over a smaller group.
#ifdef TESSALY_SANITIZED
constexpr int kMessages = 5000;
#else
constexpr int kMessages = 20000;
#endif
constexpr int kLatestKillMs = 1500;
constexpr int kKills = 20;
constexpr std::uint64_t kServiceSeed = 5;
const std::vector<std::string> kSettingsNames{"Options.ini", "cookies.txt", ".tessaly-write-test"};

// Whether the child ends within `ms` milliseconds (it is not reaped).
bool ExitsWithin(pid_t pid, int ms) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    const bool ended = ::poll(&p, 1, ms) > 0;
    ::close(fd);
    return ended;
}

class KillTest : public test::TempHomeTest {
protected:
    void SetUp() override {
        test::TempHomeTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
        StartService();
        const groupsim::SimData data = groupsim::DemoData(kServiceSeed, kMessages);
        const groupsim::Group& big = *data.FindGroup("BigGroup");
        const std::string token =
            groupsim::FileStoreToken(kServiceSeed, std::string("demo_member/") + big.name);
        for (std::size_t i = 0; i < big.messages.size(); ++i)
            for (const char c : groupsim::pages::MessagePage(big, i, token))  // saved in CR LF
                pages_[big.messages[i].number] +=
                    c == '\n' ? std::string("\r\n") : std::string(1, c);
        ASSERT_EQ(
            Finish(StartCli({"login", "--user", "demo_member", "--password-stdin", "--refresh"})),
            0);
    }
    void TearDown() override {
        service_.reset();
        ::unsetenv("http_proxy");
        test::TempHomeTest::TearDown();
    }

    void StartService() {
        service_ = std::make_unique<test::GroupSimProcess>(
            GROUPSIM_BINARY,
            std::vector<std::string>{"--port", "0", "--messages", std::to_string(kMessages),
                                     "--seed", std::to_string(kServiceSeed)});
        ASSERT_TRUE(service_->Running()) << "the service did not start";
        ::setenv("http_proxy",
                 ("http://127.0.0.1:" + std::to_string(service_->PlainPort())).c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }

    // Starts tessaly-cli with the password on standard input; its output goes to a log file.
    pid_t StartCli(const std::vector<std::string>& args) {
        int in[2];
        EXPECT_EQ(::pipe(in), 0);
        const std::string log = Dir() + "cli.log";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            ::dup2(in[0], 0);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> argv{const_cast<char*>(TESSALY_CLI_BINARY)};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(TESSALY_CLI_BINARY, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        const std::string line = "tessaly-demo\n";
        [[maybe_unused]] auto w = ::write(in[1], line.data(), line.size());
        ::close(in[1]);
        return pid;
    }
    // Waits for the program's end; its exit status, or -1 when it did not end by itself.
    int Finish(pid_t pid) {
        if (!ExitsWithin(pid, 240000)) ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Messages() const { return Dir() + "out/Messages/BigGroup/"; }
    // A run from the group's first message (a resumed run would soon have nothing left to do,
    // and a kill after the end tests nothing).
    std::vector<std::string> DownloadArgs() const {
        return {"download", "--password-stdin", "--out", Dir() + "out", "BigGroup"};
    }

    // Compares every message file with the page the service serves, byte for byte; hidden files
    // (a killed run's temporaries) are left to the next start. Returns how many files match.
    int CheckMessageFiles(const std::string& when) {
        int good = 0, reported = 0;
        if (!fs::exists(Messages())) return 0;
        for (const auto& e : fs::directory_iterator(Messages())) {
            const std::string name = e.path().filename().string();
            if (name.front() == '.') continue;
            const auto page = name.size() == 12 && name.ends_with(".html")
                                  ? pages_.find(std::atoi(name.c_str()))
                                  : pages_.end();
            const std::string bytes = ReadFile(e.path().string());
            if (page != pages_.end() && bytes == page->second) {
                ++good;
            } else if (++reported <= 5) {
                ADD_FAILURE() << when << ": " << name << " holds " << bytes.size() << " bytes"
                              << (page == pages_.end() ? ", no such message" : ", not the page");
            }
        }
        return good;
    }

    // The program's temporaries in a folder, as the cleanup would recognise them.
    static std::vector<std::string> Temporaries(const std::string& folder) {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (IsOwnTemporaryName(name, kSettingsNames)) found.push_back(folder + name);
        }
        return found;
    }

    std::unique_ptr<test::GroupSimProcess> service_;
    std::map<int, std::string> pages_;
};

TEST_F(KillTest, KilledDownloadsLeaveNoShortFilesAndNoTemporaries) {
    const char* given = std::getenv("TESSALY_KILL_SEED");
    const std::uint64_t seed =
        given != nullptr ? std::strtoull(given, nullptr, 10) : std::random_device{}();
    std::cout << "kill moments from seed " << seed << " (TESSALY_KILL_SEED=" << seed
              << " repeats them), " << kMessages << " messages" << std::endl;
    RecordProperty("kill_seed", std::to_string(seed));
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> moment(0, kLatestKillMs);

    int killed = 0;
    for (int k = 0; k < kKills; ++k) {
        const int at = moment(rng);
        // Mostly into an empty folder (new files are being made when the kill comes); every
        // fourth run over the files of the runs before (files replaced or left as they are).
        if (k % 4 != 3) fs::remove_all(Messages());
        const pid_t pid = StartCli(DownloadArgs());
        if (!ExitsWithin(pid, at)) {
            ::kill(pid, SIGKILL);
            ++killed;
        }
        ::waitpid(pid, nullptr, 0);
        const int saved =
            CheckMessageFiles("kill " + std::to_string(k) + " at " + std::to_string(at) + " ms");
        std::cout << "kill " << k << " at " << at << " ms: " << saved << " messages saved"
                  << std::endl;
    }
    // A run that ends before its kill moment tests nothing; most must not.
    EXPECT_GE(killed, kKills * 3 / 4);

    // Leftovers of each kind the next start must remove, and a file that is not the program's.
    const std::vector<std::string> planted{
        SettingsFolder() + ".Options.ini.Ab3xZ9",
        SettingsFolder() + ".Options.ini.tessaly-tmp-Ab3xZ9",
        PrivateStateFolder() + ".cookies.txt.tessaly-tmp-Ab3xZ9",
        Dir() + "out/..tessaly-write-test.tessaly-tmp-Ab3xZ9",
        Messages() + ".0000001.html.tessaly-tmp-Ab3xZ9",
    };
    for (const auto& file : planted) WriteFile(file, "half");
    const std::string foreign = SettingsFolder() + ".notes.txt.Ab3xZ9";
    WriteFile(foreign, "not ours");

    EXPECT_EQ(Finish(StartCli(DownloadArgs())), 0) << ReadFile(Dir() + "cli.log");
    EXPECT_EQ(CheckMessageFiles("after the last run"), kMessages);
    for (const auto& folder : std::vector<std::string>{SettingsFolder(), PrivateStateFolder(),
                                                       Dir() + "out/", Messages()}) {
        EXPECT_EQ(Temporaries(folder), std::vector<std::string>{}) << folder;
    }
    EXPECT_EQ(ReadFile(foreign), "not ours");
}

}  // namespace
}  // namespace tessaly
