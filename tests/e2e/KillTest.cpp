// tessaly-cli killed with SIGKILL at random moments of a command, then run again: no file under
// its final name is ever short or empty, the next start leaves no temporary of the program
// behind, the indexes and the registry store stay readable, and the run after the kills gives
// every byte. Real processes throughout: the simulated service runs as its own program on
// loopback. The messages section has a test of its own (its pages are known in advance); the
// other commands are rows of one table. The configuration transfer's kills are in
// ConfigCliTest.
//
// The kill moments come from a seed printed with each test; TESSALY_KILL_SEED=N repeats them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
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
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "platform/TemporaryFiles.h"
#include "settings/SettingsFile.h"
#include "support/CliRunner.h"
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
// The item sections' groups: many items, so that a kill finds transfers under way.
#ifdef TESSALY_SANITIZED
constexpr int kBenchItems = 60;
#else
constexpr int kBenchItems = 200;
#endif
constexpr int kBenchItemBytes = 65536;

std::uint64_t KillSeed() {
    const char* given = std::getenv("TESSALY_KILL_SEED");
    const std::uint64_t seed =
        given != nullptr ? std::strtoull(given, nullptr, 10) : std::random_device{}();
    std::cout << "kill moments from seed " << seed << " (TESSALY_KILL_SEED=" << seed
              << " repeats them)" << std::endl;
    ::testing::Test::RecordProperty("kill_seed", std::to_string(seed));
    return seed;
}

class KillTest : public test::TempHomeTest {
protected:
    void SetUp() override {
        test::TempHomeTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
        StartService();
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
                                     "--seed", std::to_string(kServiceSeed), "--bench-files",
                                     std::to_string(kBenchItems), "--bench-file-size",
                                     std::to_string(kBenchItemBytes), "--bench-photos",
                                     std::to_string(kBenchItems), "--bench-photo-size",
                                     std::to_string(kBenchItemBytes)});
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
        if (!test::ExitsWithin(pid, 240000)) ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The pages of BigGroup as the messages section saves them.
    void MakePages() {
        const groupsim::SimData data = groupsim::DemoData(kServiceSeed, kMessages);
        const groupsim::Group& big = *data.FindGroup("BigGroup");
        const std::string token =
            groupsim::FileStoreToken(kServiceSeed, std::string("demo_member/") + big.name);
        for (std::size_t i = 0; i < big.messages.size(); ++i)
            for (const char c : groupsim::pages::MessagePage(big, i, token))  // saved in CR LF
                pages_[big.messages[i].number] +=
                    c == '\n' ? std::string("\r\n") : std::string(1, c);
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
    MakePages();
    std::cout << kMessages << " messages" << std::endl;
    std::mt19937_64 rng(KillSeed());
    std::uniform_int_distribution<int> moment(0, kLatestKillMs);

    int killed = 0;
    for (int k = 0; k < kKills; ++k) {
        const int at = moment(rng);
        // Mostly into an empty folder (new files are being made when the kill comes); every
        // fourth run over the files of the runs before (files replaced or left as they are).
        if (k % 4 != 3) fs::remove_all(Messages());
        const pid_t pid = StartCli(DownloadArgs());
        if (!test::ExitsWithin(pid, at)) {
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

// One command killed again and again: what it runs, in which folder its results lie (below the
// output folder) and in which folder of the settings its index (none: "").
struct KillCommand {
    const char* name;
    int kills;
    std::vector<std::string> args;  // "{out}" stands for the output folder
    const char* results;
    const char* index;
    bool needsMessages;  // works on BigGroup's saved messages
};

void PrintTo(const KillCommand& c, std::ostream* os) {
    *os << c.name;
}

using TreeDigest = std::map<std::string, std::pair<std::size_t, std::size_t>>;

class CommandKillTest : public KillTest, public ::testing::WithParamInterface<KillCommand> {
protected:
    // The files under `folder` by their path relative to it: size and a hash of the bytes (the
    // trees are large). Hidden files (temporaries of a killed run) are left out.
    static TreeDigest Digest(const std::string& folder) {
        TreeDigest files;
        if (!fs::exists(folder)) return files;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (!e.is_regular_file() || e.path().filename().string().front() == '.') continue;
            const std::string bytes = ReadFile(e.path().string());
            files[fs::relative(e.path(), folder).string()] = {bytes.size(),
                                                              std::hash<std::string>{}(bytes)};
        }
        return files;
    }

    std::vector<std::string> Args() const {
        std::vector<std::string> args = GetParam().args;
        for (auto& a : args)
            if (a == "{out}") a = Dir() + "out";
        return args;
    }
    std::string Results() const { return Dir() + "out/" + GetParam().results + "/"; }
    // A start from nothing: no results and no index.
    void Reset() const {
        fs::remove_all(Results());
        if (*GetParam().index != '\0') fs::remove_all(SettingsFolder() + GetParam().index);
    }
    // The length of a whole run from nothing in milliseconds, and its exit status.
    std::pair<int, int> TimedRun() {
        Reset();
        const auto start = std::chrono::steady_clock::now();
        const int status = Finish(StartCli(Args()));
        return {static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count()),
                status};
    }

    // Every file present is a file of the whole run, byte for byte.
    void CheckPresentFiles(const TreeDigest& whole, const std::string& when) {
        int reported = 0;
        for (const auto& [path, digest] : Digest(Results())) {
            const auto it = whole.find(path);
            if ((it == whole.end() || it->second != digest) && ++reported <= 5)
                ADD_FAILURE() << when << ": " << path << " holds " << digest.first << " bytes"
                              << (it == whole.end() ? ", not a file of the run"
                                                    : ", not its bytes");
        }
    }

    // No temporary of the program anywhere in the home.
    void CheckNoTemporaries() {
        for (const auto& e : fs::recursive_directory_iterator(Dir())) {
            const std::string name = e.path().filename().string();
            EXPECT_FALSE(e.is_regular_file() && IsOwnTemporaryName(name, kSettingsNames))
                << e.path();
        }
    }

    // Every settings file and index reads as the program writes it (a file cut short would
    // lose its last line end), and the registry store passes its own check.
    void CheckStoresReadable() {
        for (const auto& e : fs::recursive_directory_iterator(SettingsFolder())) {
            if (!e.is_regular_file() || e.path().extension() != ".ini") continue;
            const std::string text = ReadFile(e.path().string());
            TSettingsFile file;
            file.LoadFromText(text);
            EXPECT_EQ(file.ContentText(), text) << e.path();
        }
        EXPECT_EQ(test::StoreIntegrity(DefaultRegistryFile()), "ok");
    }
};

TEST_P(CommandKillTest, KilledRunsLeaveWholeFilesAndTheNextRunCompletes) {
    const KillCommand& command = GetParam();
    if (command.needsMessages) {
        ASSERT_EQ(Finish(StartCli(DownloadArgs())), 0) << ReadFile(Dir() + "cli.log");
    }
    std::mt19937_64 rng(KillSeed());

    // What a whole run gives, and the kill moments spread over its length (the shorter of two).
    const auto [firstMs, status] = TimedRun();
    const TreeDigest whole = Digest(Results());
    ASSERT_FALSE(whole.empty()) << ReadFile(Dir() + "cli.log");
    const int length = std::min(firstMs, TimedRun().first);
    std::cout << command.name << ": " << whole.size() << " files, a run takes " << length
              << " ms, exit status " << status << std::endl;
    std::uniform_int_distribution<int> moment(0, length);

    int killed = 0;
    for (int k = 0; k < command.kills; ++k) {
        const int at = moment(rng);
        // Mostly from nothing; every fourth run over the files and index of the runs before.
        if (k % 4 != 3) Reset();
        const pid_t pid = StartCli(Args());
        if (!test::ExitsWithin(pid, at)) {
            ::kill(pid, SIGKILL);
            ++killed;
        }
        ::waitpid(pid, nullptr, 0);
        const std::string when = "kill " + std::to_string(k) + " at " + std::to_string(at) + " ms";
        CheckPresentFiles(whole, when);
        std::cout << when << ": " << Digest(Results()).size() << " files" << std::endl;
    }
    // A run that ends before its kill moment tests nothing; most must not.
    EXPECT_GE(killed, command.kills / 2);

    EXPECT_EQ(Finish(StartCli(Args())), status) << ReadFile(Dir() + "cli.log");
    EXPECT_EQ(Digest(Results()), whole);
    CheckNoTemporaries();
    CheckStoresReadable();
}

// Sanitized builds (a few times slower) kill a third as often.
#ifdef TESSALY_SANITIZED
constexpr int kKillScale = 3;
#else
constexpr int kKillScale = 1;
#endif

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandKillTest,
    ::testing::Values(KillCommand{"Files",
                                  15 / kKillScale,
                                  {"download", "--password-stdin", "--section", "files", "--out",
                                   "{out}", "--threads", "3", "BenchFiles"},
                                  "Files/BenchFiles",
                                  "Files",
                                  false},
                      KillCommand{"Photos",
                                  15 / kKillScale,
                                  {"download", "--password-stdin", "--section", "photos", "--out",
                                   "{out}", "--threads", "3", "BenchPhotos"},
                                  "Photos/BenchPhotos",
                                  "Photos",
                                  false},
                      KillCommand{"Attachments",
                                  15 / kKillScale,
                                  {"download", "--password-stdin", "--section", "attachments",
                                   "--out", "{out}", "--threads", "3", "DemoGroup"},
                                  "Attachments",
                                  "Attachments",
                                  false},
                      KillCommand{
                          "ArchiveBuild", 5, {"archive", "build", "{out}"}, "Archive", "", true}),
    [](const ::testing::TestParamInfo<KillCommand>& row) { return row.param.name; });

}  // namespace
}  // namespace tessaly
