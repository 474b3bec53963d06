// End-to-end runs of tessaly-cli against the simulated service (pacing 0).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "groupsim/SimPages.h"
#include "harvest/YahooAttach.h"
#include "platform/RegistryStore.h"
#include "registry/GroupCache.h"
#include "registry/RegistryAccess.h"
#include "registry/RegistryLayout.h"
#include "settings/DownloadOptions.h"
#include "support/CliRunner.h"
#include "support/SimFixture.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

using test::CliRun;

class CliTest : public test::SimServiceTest {
protected:
    void SetUp() override {
        test::SimServiceTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
        ASSERT_EQ(Run({"login", "--user", "demo_member", "--password-stdin", "--refresh"}).status,
                  0);
    }

    // Runs tessaly-cli with `args`, the password on standard input; `onLine` sees every line of
    // standard output and of standard error as it comes and may signal the program.
    CliRun Run(const std::vector<std::string>& args, const std::string& password = "tessaly-demo",
               const std::function<void(const std::string&, pid_t)>& onLine = {}) {
        return test::RunCli(TESSALY_CLI_BINARY, args, password, {}, onLine);
    }

    CliRun Download(std::vector<std::string> args, const std::string& password = "tessaly-demo",
                    const std::function<void(const std::string&, pid_t)>& onLine = {}) {
        std::vector<std::string> all{"download", "--password-stdin", "--out", Out()};
        all.insert(all.end(), args.begin(), args.end());
        return Run(all, password, onLine);
    }

    std::string Out() const { return Dir() + "out/"; }
    std::vector<std::string> Files(const std::string& folder) const {
        std::vector<std::string> names;
        if (!fs::exists(folder)) return names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    int Requests(const std::string& path) {
        int n = 0;
        for (const auto& e : Service().Log()) n += e.path == path ? 1 : 0;
        return n;
    }
};

TEST_F(CliTest, MessagesOfSeveralKindsOfGroups) {
    Service().ClearLog();
    CliRun run = Download({"DemoGroup", "mixedcasegroup", "BritishWalkers", "AdultGroup",
                           "OneMessage", "EmptyGroup"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const auto demo = Files(Out() + "Messages/DemoGroup/");
    EXPECT_EQ(demo.size(), 37u);
    EXPECT_EQ(demo.front(), "0000001.html");
    EXPECT_FALSE(fs::exists(Out() + "Messages/DemoGroup/0000007.html"));  // a gap
    EXPECT_NE(ReadFile(Out() + "Messages/DemoGroup/0000001.html").find("Message 1 of 40"),
              std::string::npos);
    EXPECT_NE(ReadFile(Out() + "Messages/DemoGroup/0000005.html").find("Message 5 of 40"),
              std::string::npos);
    EXPECT_NE(ReadFile(Out() + "Messages/DemoGroup/0000015.html").find("does not exist"),
              std::string::npos);
    EXPECT_NE(ReadFile(Out() + "Messages/DemoGroup/0000010.html").find("Message 10 of 40"),
              std::string::npos);
    EXPECT_EQ(Requests("/group/DemoGroup/message/5"),
              2);  // the re-authorisation page, then the message
    EXPECT_EQ(Requests("/group/DemoGroup/message/10"), 2);  // the advertisement, then the message
    EXPECT_EQ(Files(Out() + "Messages/MixedCaseGroup/").size(), 3u);  // the service's spelling
    EXPECT_EQ(Files(Out() + "Messages/BritishWalkers/").front(), "0000101.html");
    EXPECT_EQ(Files(Out() + "Messages/AdultGroup/").size(), 3u);
    EXPECT_EQ(Files(Out() + "Messages/OneMessage/"), std::vector<std::string>{"0000500.html"});
    EXPECT_NE(run.out.find("OneMessage: Stopped"), std::string::npos);
    EXPECT_NE(run.out.find("EmptyGroup: Not Available"), std::string::npos);

    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 40);
    EXPECT_EQ(GetLastPosition("demo_member", "mixedcasegroup"), 3);
    EXPECT_EQ(GetLastPosition("demo_member", "OneMessage"), 500);
    EXPECT_EQ(GetLastPosition("demo_member", "EmptyGroup"), -1);
    const std::string key = std::string(reg::kKey);
    EXPECT_TRUE(RegValueExists(RegRoot::CurrentUser, key + "GrabbedGroups\\HikersUnited"));
    EXPECT_TRUE(RegValueExists(RegRoot::CurrentUser, key + "GrabbedGroups\\trail-news"));
    std::vector<std::string> urls;
    ReadRegValueNames(RegRoot::CurrentUser, key + "GrabbedURLs", urls);
    EXPECT_NE(std::find(urls.begin(), urls.end(), "http://www.example.org/trails/page1.html"),
              urls.end());
    for (const auto& u : urls) EXPECT_EQ(u.find("rd.yahoo.com"), std::string::npos) << u;
}

TEST_F(CliTest, DateNamesAndTheOldLayout) {
    TYahooDownloadOptions options;
    options.Load();
    options.boolUseMessageDateFormat = true;
    options.Save();
    WriteRegValue(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kOldFormat, true,
                  TRegValueKind::Boolean);
    CliRun run = Download({"OneMessage"});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto files = Files(Out() + "OneMessage/Messages/");
    ASSERT_EQ(files.size(), 1u);
    const std::string page = ReadFile(Out() + "OneMessage/Messages/" + files[0]);
    EXPECT_EQ(files[0], TYahooAttachmentDownload::MessageDatePrefix(page) + "0000500.html");
    EXPECT_EQ(files[0].front(), '_');
}

TEST_F(CliTest, FailingMessagesAndAWrongPassword) {
    Service().SetFaults(groupsim::GroupService::ParseFaults("drop=/group/Filler01/message/1"));
    CliRun first = Download({"Filler01"});
    EXPECT_EQ(first.status, 3);
    EXPECT_NE(first.out.find("Filler01: Error"), std::string::npos);
    EXPECT_EQ(GetLastPosition("demo_member", "Filler01"), -1);  // nothing stored

    Service().SetFaults(groupsim::GroupService::ParseFaults("drop=/group/Filler02/message/2"));
    CliRun later = Download({"Filler02"});
    EXPECT_EQ(later.status, 3);
    EXPECT_EQ(GetLastPosition("demo_member", "Filler02"), 2);  // the message that failed
    Service().SetFaults({});

    // A message file that cannot be written (a folder in its way) ends the group "Error"; the
    // position is that message and nothing after it is written, so no message is lost.
    fs::create_directories(Out() + "Messages/DemoGroup/0000003.html");
    CliRun unwritable = Download({"DemoGroup"});
    EXPECT_EQ(unwritable.status, 3) << unwritable.out;
    EXPECT_NE(unwritable.out.find("DemoGroup: Error"), std::string::npos) << unwritable.out;
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/"),
              (std::vector<std::string>{"0000001.html", "0000002.html", "0000003.html"}));
    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 3);

    CliRun wrong = Download({"Filler03", "Filler04"}, "not-the-password");
    EXPECT_EQ(wrong.status, 5);
    EXPECT_NE(wrong.out.find("Filler03: Error"), std::string::npos);
    EXPECT_NE(wrong.out.find("Filler04: Error"), std::string::npos);
    EXPECT_NE(wrong.err.find("wrong user name or password"), std::string::npos);
}

// A message file holds the page's lines each ended by CR LF, the last one too, whatever line
// ends the service sent (LF, CR LF, lone CR, a mix with none after the last line); a page sent
// in CR LF is saved byte for byte. A file that holds these bytes already is left alone.
TEST_F(CliTest, MessageFilesEndEveryLineWithCrLf) {
    const groupsim::Group& group = *Service().Data().FindGroup("OneMessage");
    std::string served;  // the page in CR LF
    for (const char c : groupsim::pages::MessagePage(
             group, 0, groupsim::FileStoreToken(kSeed, "demo_member/" + group.name)))
        served += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string file = Out() + "Messages/OneMessage/0000500.html";
    for (const std::string ends : {"", "crlf", "cr", "mixed"}) {
        SCOPED_TRACE(ends.empty() ? "lf" : ends);
        fs::remove_all(Out());
        Service().SetFaults(groupsim::GroupService::ParseFaults("lineends=" + ends));
        const CliRun run = Download({"OneMessage"});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_TRUE(ReadFile(file) == served);
    }
    Service().SetFaults({});
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(file, old);
    EXPECT_EQ(Download({"OneMessage"}).status, 0);
    EXPECT_EQ(fs::last_write_time(file), old);
}

// An error answer of the service (on a message, the index pages or the home page) ends the
// group with Error: nothing already archived is overwritten and the stored position does not
// move back.
// Every way the service can fail, on an archived group: the run says which group failed and
// why, exits 3, and leaves the files and the stored position as they were. A throttled answer
// is waited out (no wait at pacing 0) and never saved.
TEST_F(CliTest, ServiceFaultsAreFailuresWithAReason) {
    ASSERT_EQ(Download({"DemoGroup"}).status, 0);
    ASSERT_EQ(GetLastPosition("demo_member", "DemoGroup"), 40);
    const std::string folder = Out() + "Messages/DemoGroup/";
    std::map<std::string, std::string> archived;
    for (const auto& name : Files(folder)) archived[name] = ReadFile(folder + name);
    struct Case {
        const char* fault;
        int exit;
        const char* row;     // the row's status
        const char* reason;  // part of the reason line ("" when none)
    };
    const std::string message3 = "(http://groups.yahoo.com/group/DemoGroup/message/3)";
    const Case cases[] = {
        {"status=403:/group/DemoGroup/message/3", 3, "Error", "the service answered 403"},
        {"status=404:/group/DemoGroup/message/3", 3, "Error", "the service answered 404"},
        {"status=500:/group/DemoGroup/message/3", 3, "Error", "the service answered 500"},
        {"status=503:/group/DemoGroup/message/3", 3, "Error", "the service answered 503"},
        {"status=403:/group/DemoGroup/message/1", 3, "Error", "the service answered 403"},
        {"status=503:/group/DemoGroup/messages", 3, "Error", "the service answered 503"},
        {"status=404:/group/DemoGroup/messages/1", 3, "Error", "the service answered 404"},
        {"status=403:/group/DemoGroup", 3, "Error", "the service answered 403"},
        {"status=500:/group/DemoGroup", 3, "Error", "the service answered 500"},
        {"status=503:/group/DemoGroup", 3, "Error", "the service answered 503"},
        {"status=404:/group/DemoGroup", 3, "Error", "no such group"},
        {"drop=/group/DemoGroup/message/3", 3, "Error", "the answer broke off"},
        {"stall=/group/DemoGroup/message/3", 3, "Error", "the answer broke off"},
        {"oversize=/group/DemoGroup/message/3", 3, "Error", "larger than 32 MB"},
        {"hang=/group/DemoGroup/message/3", 3, "Error", "no answer from the service within 2 s"},
        {"throttlefor=/group/DemoGroup/message/3", 3, "Error",
         "throttled by the service 6 times in a row"},
        {"throttlefor=/group/DemoGroup/messages", 3, "Error",
         "throttled by the service 6 times in a row"},
        {"throttlefor=/group/DemoGroup/message/3&throttletimes=5", 0, "Completed", ""},
        {"throttlefor=/group/DemoGroup/messages&throttletimes=2", 0, "Completed", ""},
        {"throttlefor=/group/DemoGroup&throttletimes=1", 0, "Completed", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.fault));
        const CliRun run = Download({"--timeout", "2", "DemoGroup"});
        EXPECT_EQ(run.status, c.exit) << run.out << run.err;
        const std::string row = std::string("DemoGroup: ") + c.row;
        EXPECT_NE(run.out.find(row), std::string::npos) << run.out;
        if (*c.reason != '\0') {
            // The row and the closing line carry the reason.
            EXPECT_NE(run.out.find(c.reason), std::string::npos) << run.out;
            EXPECT_NE(run.err.find(std::string("DemoGroup failed (") + c.row + "): "),
                      std::string::npos)
                << run.err;
            EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        }
        if (std::string(c.fault).find("message/3") != std::string::npos && c.exit != 0) {
            EXPECT_NE(run.err.find(message3), std::string::npos) << run.err;
        }
        if (std::string(c.fault).find("throttle") != std::string::npos) {
            EXPECT_NE(run.out.find("Throttled by the service, retrying in 60 s"), std::string::npos)
                << run.out;
        }
        std::map<std::string, std::string> now;
        for (const auto& name : Files(folder)) now[name] = ReadFile(folder + name);
        EXPECT_TRUE(now == archived);  // byte-identical, none added or lost
        EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 40);
    }
    Service().SetFaults({});

    // No service behind the proxy, or a service that never answers: no login, exit 6.
    const std::string proxy = std::getenv("http_proxy");
    for (const std::string outage : {"no service", "hang=yahoo.com"}) {
        SCOPED_TRACE(outage);
        if (outage == "no service")
            ::setenv("http_proxy", "http://127.0.0.1:1", 1);
        else
            Service().SetFaults(groupsim::GroupService::ParseFaults(outage));
        const CliRun run = Download({"--timeout", "2", "DemoGroup"});
        ::setenv("http_proxy", proxy.c_str(), 1);
        Service().SetFaults({});
        EXPECT_EQ(run.status, 6) << run.out << run.err;
        EXPECT_NE(run.err.find("cannot reach the group service"), std::string::npos) << run.err;
        std::map<std::string, std::string> now;
        for (const auto& name : Files(folder)) now[name] = ReadFile(folder + name);
        EXPECT_TRUE(now == archived);
        EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 40);
    }
}

// A walk that a failure ended stores the message at which it failed: the next run offered that
// number (--resume) starts there and fetches it. A group the service does not know is an error,
// one with nothing to fetch is not.
TEST_F(CliTest, AFailedWalkStoresTheMessageItFailedAt) {
    Service().SetFaults(groupsim::GroupService::ParseFaults("throttlefor=/DemoGroup/message/3"));
    const CliRun run = Download({"DemoGroup"});
    Service().SetFaults({});
    EXPECT_EQ(run.status, 3) << run.out << run.err;
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/"),
              (std::vector<std::string>{"0000001.html", "0000002.html"}));
    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 3);
    Service().ClearLog();
    const CliRun resumed = Download({"--resume", "DemoGroup"});
    EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
    EXPECT_EQ(Requests("/group/DemoGroup/message/2"), 0);
    EXPECT_EQ(Requests("/group/DemoGroup/message/3"), 1);
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/").size(), 37u);  // 40 less the 3 gaps
    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 40);

    const CliRun unknown = Download({"NoSuchGroupHere", "EmptyGroup"});
    EXPECT_EQ(unknown.status, 3) << unknown.out << unknown.err;
    EXPECT_NE(unknown.out.find("NoSuchGroupHere: Error (from unknown, to unknown, at 0): no such "
                               "group"),
              std::string::npos)
        << unknown.out;
    EXPECT_NE(unknown.out.find("EmptyGroup: Not Available"), std::string::npos) << unknown.out;
}

// With no service behind the proxy (a closed port), neither a login nor a download is a
// success: both say the service cannot be reached and exit 6.
TEST_F(CliTest, AnOutageIsNeitherALoginNorNotAvailable) {
    const std::string proxy = std::getenv("http_proxy");
    ::setenv("http_proxy", "http://127.0.0.1:1", 1);
    const CliRun login = Run({"login", "--user", "demo_member", "--password-stdin", "--refresh"});
    const CliRun download = Download({"DemoGroup"});
    ::setenv("http_proxy", proxy.c_str(), 1);
    EXPECT_EQ(login.status, 6) << login.out << login.err;
    EXPECT_EQ(login.out.find("Logged in"), std::string::npos) << login.out;
    EXPECT_NE(login.err.find("cannot reach the group service"), std::string::npos) << login.err;
    EXPECT_EQ(download.status, 6) << download.out << download.err;
    EXPECT_EQ(download.out.find("Not Available"), std::string::npos) << download.out;
    EXPECT_FALSE(fs::exists(Out() + "Messages"));
}

// A settings store that is not a database stops every command at once with one line naming the
// file, exit 8, and the file is left as it was (the member's cache may still be recovered).
TEST_F(CliTest, ADamagedStoreIsReportedAndKept) {
    const std::string store = DefaultRegistryFile();
    const std::string garbage(5000, 'x');
    WriteFile(store, garbage);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"groups"},
             {"login", "--user", "demo_member", "--password-stdin"},
             {"download", "--user", "demo_member", "--password-stdin", "--out", Out(),
              "Filler01"}}) {
        SCOPED_TRACE(args.front());
        const auto start = std::chrono::steady_clock::now();
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 8) << run.out << run.err;
        EXPECT_NE(run.err.find(store), std::string::npos) << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(ReadFile(store), garbage);
    }
}

// A store that another program holds is waited for; held past the busy time-out, the command
// says so in one line naming the file and exits 8.
TEST_F(CliTest, AStoreHeldByAnotherProgramIsWaitedForThenReported) {
    const std::string store = DefaultRegistryFile();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([db] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        (void)sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    });
    const CliRun waited = Run({"groups"});
    release.join();
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_NE(waited.out.find("DemoGroup"), std::string::npos) << waited.out;

    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    const CliRun held = Run({"groups"});
    const auto took = std::chrono::steady_clock::now() - start;
    (void)sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(held.status, 8) << held.out << held.err;
    EXPECT_NE(held.err.find(store + ": another program has held it"), std::string::npos)
        << held.err;
    EXPECT_GE(took, std::chrono::seconds(9));  // its busy time-out, not at once
    EXPECT_EQ(std::count(held.err.begin(), held.err.end(), '\n'), 1) << held.err;
}

// The store held by another program past its busy time-out in the middle of a run: the group
// ends Error with the store's failure, the next one is not started, and the run exits 8 with a
// closing line that says why. The lock is taken once the first group has started, after the
// program's own connection opened the store and before the run's first use of it.
TEST_F(CliTest, AStoreHeldDuringARunEndsItWithTheStoresStatus) {
    Service().SetFaults(groupsim::GroupService::ParseFaults("latency=100"));
    const std::string store = DefaultRegistryFile();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    bool held = false;
    const auto start = std::chrono::steady_clock::now();
    const CliRun run =
        Download({"Filler01", "Filler02"}, "tessaly-demo", [&](const std::string& line, pid_t) {
            if (!held && line.find("Filler01: Starting") != line.npos)
                held = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
        });
    const auto took = std::chrono::steady_clock::now() - start;
    (void)sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Service().SetFaults({});
    ASSERT_TRUE(held) << run.out;
    EXPECT_EQ(run.status, 8) << run.out << run.err;
    EXPECT_GE(took, std::chrono::seconds(9));  // the store's busy time-out
    EXPECT_NE(run.out.find("Filler01: Error"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Filler02: Skipped"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Filler01 failed (Error): registry: " + store +
                           ": another program has held it"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("tessaly-cli: the settings store cannot be used (registry: " + store),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(Out() + "Messages/Filler02"));
}

// The store made unusable (no longer a database) once the first group has started, in each
// section: its first use in the run fails the group with the store's words, the next group is
// not started, exit 8. The store is put back between the sections.
TEST_F(CliTest, AStoreLostDuringARunEndsItInEverySection) {
    struct Case {
        const char* section;
        std::vector<std::string> groups;
    };
    const Case cases[] = {{"messages", {"Filler01", "Filler02"}},
                          {"attachments", {"SportsFans", "DemoGroup"}},
                          {"files", {"DemoGroup", "Filler16"}},
                          {"photos", {"BritishWalkers", "SportsFans"}}};
    const std::string store = DefaultRegistryFile();
    const std::string saved = ReadFile(store);
    ASSERT_FALSE(fs::exists(store + "-wal"));
    Service().SetFaults(groupsim::GroupService::ParseFaults("latency=50"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        std::vector<std::string> args{"--section", c.section};
        args.insert(args.end(), c.groups.begin(), c.groups.end());
        bool lost = false;
        const CliRun run = Download(args, "tessaly-demo", [&](const std::string& line, pid_t) {
            if (!lost && line.find(c.groups[0] + ": Starting") != line.npos) {
                WriteFile(store, std::string(5000, 'x'));
                lost = true;
            }
        });
        for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(store + suffix);
        WriteFile(store, saved);
        ASSERT_TRUE(lost) << run.out;
        EXPECT_EQ(run.status, 8) << run.out << run.err;
        EXPECT_NE(run.out.find(c.groups[0] + ": Error"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(c.groups[1] + ": Skipped"), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.groups[0] + " failed (Error): registry: "), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("tessaly-cli: the settings store cannot be used (registry: "),
                  std::string::npos)
            << run.err;
    }
    Service().SetFaults({});
}

TEST_F(CliTest, ChosenRangesAndResume) {
    CliRun range = Download({"--from", "10", "--to", "14", "DemoGroup"});
    EXPECT_EQ(range.status, 0) << range.err;
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/"),
              (std::vector<std::string>{"0000010.html", "0000011.html", "0000012.html",
                                        "0000013.html", "0000014.html"}));
    fs::remove_all(Out());
    CliRun gap = Download({"--from", "7", "--to", "9", "DemoGroup"});  // 7 and 8 do not exist
    EXPECT_EQ(gap.status, 0) << gap.err;
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/"), std::vector<std::string>{"0000009.html"});
    fs::remove_all(Out());
    SetLastPosition("demo_member", "DemoGroup", 37);
    CliRun resume = Download({"--resume", "DemoGroup"});
    EXPECT_EQ(resume.status, 0) << resume.err;
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/").front(), "0000037.html");
    EXPECT_EQ(Files(Out() + "Messages/DemoGroup/").size(), 4u);
}

// Two runs into one folder at once: the second is refused at once (exit 11, one line naming the
// folder, nothing of its own written) while the first goes on and leaves exactly what it leaves
// when it runs alone. The hold goes with its run: once a run has ended, even killed, the next
// one goes ahead.
TEST_F(CliTest, ASecondRunIntoTheSameFolderIsRefused) {
    const std::string alone = Dir() + "alone/";
    ASSERT_EQ(Run({"download", "--password-stdin", "--out", alone, "DemoGroup"}).status, 0);

    Service().SetFaults(groupsim::GroupService::ParseFaults("latency=20"));
    CliRun second;
    bool tried = false;
    const CliRun first =
        Download({"DemoGroup"}, "tessaly-demo", [&](const std::string& line, pid_t) {
            if (!tried && line.find("DemoGroup: Progress") != std::string::npos) {
                tried = true;
                second = Download({"Filler01"});
            }
        });
    ASSERT_TRUE(tried) << first.out;
    EXPECT_EQ(second.status, 11) << second.out << second.err;
    EXPECT_EQ(second.err, "tessaly-cli: Another run is writing into the output folder " + Out() +
                              ". Wait until it has ended, or choose another folder.\n");
    EXPECT_FALSE(fs::exists(Out() + "Messages/Filler01"));
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    const std::vector<std::string> pages = Files(alone + "Messages/DemoGroup/");
    ASSERT_EQ(Files(Out() + "Messages/DemoGroup/"), pages);
    for (const auto& page : pages) {
        EXPECT_TRUE(ReadFile(Out() + "Messages/DemoGroup/" + page) ==
                    ReadFile(alone + "Messages/DemoGroup/" + page))
            << page;
    }

    bool killed = false;
    const CliRun dead =
        Download({"DemoGroup"}, "tessaly-demo", [&](const std::string& line, pid_t pid) {
            if (!killed && line.find("DemoGroup: Progress") != std::string::npos) {
                killed = true;
                ::kill(pid, SIGKILL);
            }
        });
    Service().SetFaults({});
    EXPECT_TRUE(killed) << dead.out;
    const CliRun after = Download({"OneMessage"});
    EXPECT_EQ(after.status, 0) << after.out << after.err;
    EXPECT_TRUE(fs::exists(Out() + "Messages/OneMessage/0000500.html"));
}

// On a terminal the view is redrawn in place: both bars, the header and the rows with their
// status names, and no plain progress lines.
// Every wrong argument exits 2 with a message, before anything is fetched or saved; an output
// folder that cannot be used exits 7 and is not kept for the next run.
TEST_F(CliTest, UsageErrorsAndARefusedOutputFolder) {
    ASSERT_EQ(Download({"OneMessage"}).status, 0);  // the folder of a good run is kept
    TYahooDownloadOptions before;
    before.Load();
    Service().ClearLog();
    const std::vector<std::vector<std::string>> cases = {
        {"--from", "abc", "OneMessage"},    {"--from", "99999999999", "OneMessage"},
        {"--no-such-option", "OneMessage"}, {"--from", "-3", "OneMessage"},
        {"--to", "-1", "OneMessage"},       {"--from", "50", "--to", "10", "OneMessage"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        SCOPED_TRACE(shown);
        const CliRun run = Download(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_TRUE(Service().Log().empty());  // nothing was fetched

    WriteFile(Dir() + "some-file", "not a folder");
    const CliRun refused =
        Run({"download", "--password-stdin", "--out", Dir() + "some-file", "OneMessage"});
    EXPECT_EQ(refused.status, 7) << refused.err;
    TYahooDownloadOptions after;
    after.Load();
    EXPECT_EQ(after.strSaveDir, before.strSaveDir);
    EXPECT_EQ(ReadFile(Dir() + "some-file"), "not a folder");
}

TEST_F(CliTest, LiveViewOnATerminal) {
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const std::string out = Out();
        ::execl(TESSALY_CLI_BINARY, TESSALY_CLI_BINARY, "download", "--password-stdin", "--out",
                out.c_str(), "DemoGroup", "Filler01", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::string line = "tessaly-demo\n";
    ASSERT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    std::string screen;
    pollfd fd{master, POLLIN, 0};
    while (::poll(&fd, 1, 60000) > 0) {
        char buf[4096];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;  // the program has ended (the terminal hangs up)
        screen.append(buf, static_cast<std::size_t>(n));
    }
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << screen;
    EXPECT_NE(screen.find("\x1b[7F"), std::string::npos) << screen;  // back over 5 + 2 rows
    EXPECT_NE(screen.find("DL Pos"), std::string::npos);
    EXPECT_NE(screen.find("[##############################] 2/2"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Completed Downloading 2 Groups"), std::string::npos);
    const auto last = screen.rfind("\x1b[7F");
    const std::string frame = screen.substr(last);
    for (const char* group : {"DemoGroup", "Filler01"}) {
        const auto row = frame.find(group);
        ASSERT_NE(row, std::string::npos) << frame;
        EXPECT_NE(frame.substr(row, frame.find('\n', row) - row).find("Completed"),
                  std::string::npos)
            << frame;
    }
    EXPECT_EQ(screen.find(": Completed (from"), std::string::npos);  // no plain lines
}

// Ctrl-C leaves the current group; a second one, once the first is taken, skips the rest. The
// second signal goes out when the program has said it took the first: two signals sent before
// the first is delivered count as one. The latency keeps a group far longer than the program
// needs to take a signal.
TEST_F(CliTest, StopAndStopAll) {
    Service().SetFaults(groupsim::GroupService::ParseFaults("latency=50"));
    bool sent = false;
    CliRun stop = Download({"Filler01", "DemoGroup", "Filler03"}, "tessaly-demo",
                           [&sent](const std::string& line, pid_t pid) {
                               if (!sent && line.find("DemoGroup: Progress") != line.npos) {
                                   sent = true;  // one signal only: a second would stop all
                                   ::kill(pid, SIGINT);
                               }
                           });
    EXPECT_EQ(stop.status, 4) << stop.out;
    EXPECT_NE(stop.out.find("DemoGroup: Skipped"), std::string::npos) << stop.out;
    EXPECT_NE(stop.out.find("Filler03: Completed"), std::string::npos) << stop.out;

    int signals = 0;
    CliRun all = Download(
        {"Filler01", "DemoGroup", "Filler03", "Filler04", "Filler05"}, "tessaly-demo",
        [&signals](const std::string& line, pid_t pid) {
            const bool first = signals == 0 && line.find("DemoGroup: Progress") != line.npos;
            const bool second = signals == 1 && line.find("Ctrl-C again") != line.npos;
            if (first || second) {
                ++signals;
                ::kill(pid, SIGINT);
            }
        });
    EXPECT_EQ(signals, 2) << all.err;
    EXPECT_EQ(all.status, 4) << all.out << all.err;
    for (const char* g : {"DemoGroup", "Filler03", "Filler04", "Filler05"}) {
        EXPECT_NE(all.out.find(std::string(g) + ": Skipped"), std::string::npos) << g << "\n"
                                                                                 << all.out;
    }
    EXPECT_NE(all.out.find("Filler01: Completed"), std::string::npos);
    Service().SetFaults({});
}

}  // namespace
}  // namespace tessaly
