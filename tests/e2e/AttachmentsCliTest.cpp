// End-to-end runs of `tessaly-cli download --section attachments` against the simulated service
// (pacing 0): naming schemes, refused, missing and broken files, held files, program files, and
// the parallel downloads.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
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

class AttachmentsCliTest : public test::SimServiceTest {
protected:
    void SetUp() override {
        test::SimServiceTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
        ASSERT_EQ(Run({"login", "--user", "demo_member", "--password-stdin", "--refresh"}).status,
                  0);
        // No extension is left out by choice (every entry unchecked): programs are passed over by
        // the section itself.
        SetOptions([](TYahooDownloadOptions& o) {
            for (auto& entry : o.ExcludeExtensions) entry.erase(0, entry.find(':') + 1);
        });
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

    CliRun Attachments(std::vector<std::string> args) {
        args.insert(args.begin(), {"--section", "attachments"});
        return Download(std::move(args));
    }

    std::string Out() const { return Dir() + "out/"; }
    // Every file below `folder`, as paths relative to it.
    static std::vector<std::string> Tree(const std::string& folder) {
        std::vector<std::string> names;
        if (!fs::exists(folder)) return names;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (e.is_regular_file()) names.push_back(fs::relative(e.path(), folder).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static void SetOptions(const std::function<void(TYahooDownloadOptions&)>& change) {
        TYahooDownloadOptions options;
        options.Load();
        change(options);
        options.Save();
    }
    // The requests for attachments (groups host or file store), in the order they came.
    std::vector<groupsim::LogEntry> AttachmentRequests() {
        std::vector<groupsim::LogEntry> out;
        for (const auto& e : Service().Log()) {
            if (e.path.find("attach/") != std::string::npos) out.push_back(e);
        }
        std::sort(out.begin(), out.end(),
                  [](const auto& a, const auto& b) { return a.startMs < b.startMs; });
        return out;
    }
    int Requests(const std::string& part) {
        int n = 0;
        for (const auto& e : Service().Log()) n += e.path.find(part) != std::string::npos ? 1 : 0;
        return n;
    }
    // The content keys of SportsFans's files that are downloaded (all but the program file),
    // in page order.
    std::vector<std::string> DownloadedKeys() {
        std::vector<std::string> keys;
        for (const auto& m : Service().Data().FindGroup("SportsFans")->messages) {
            for (const auto& a : m.attachments) {
                if (a.name != "setup.exe")
                    keys.push_back(groupsim::AttachmentKey("SportsFans", m.number, a));
            }
        }
        return keys;
    }
    std::string Content(const std::string& key) { return groupsim::FileContent(kSeed, key); }
};

// Every naming scheme over a group whose attachments share names (twice in one message, again
// in the next), carry characters a file name cannot hold or a climb out of the folder, have no
// extension, are embedded pictures or a program: each file saved once, under its scheme's name,
// with every byte the service sent; the program never asked for. A second run gives the same
// names. The old layout puts the same files below the group's own folder.
TEST_F(AttachmentsCliTest, NamingSchemesKeepEveryFileApart) {
    struct Case {
        int scheme;
        bool oldFormat;
        std::vector<std::string> names;  // in the order of DownloadedKeys
    };
    const Case cases[] = {
        {0,
         false,
         {"1_0.txt", "1_1.txt", "1_2.gif", "2_0.txt", "2_1.txt", "3_1", "3_2.png", "4_0.jpg"}},
        {1,
         false,
         {"notes.txt", "notes_1.txt", "a_b%3F.gif", "notes_0.txt", "__up.txt", "readme",
          "inline.png", "photo.jpg"}},
        {2,
         false,
         {"1/notes.txt", "1/notes_1.txt", "1/a_b%3F.gif", "2/notes.txt", "2/__up.txt", "3/readme",
          "3/inline.png", "4/photo.jpg"}},
        {3,
         false,
         {"notes_0000001.txt", "notes_0000001_1.txt", "a_b%3F_0000001.gif", "notes_0000002.txt",
          "__up_0000002.txt", "readme_0000003", "inline_0000003.png", "photo_0000004.jpg"}},
        {4,
         false,
         {"0000001_notes.txt", "0000001_notes_1.txt", "0000001_a_b%3F.gif", "0000002_notes.txt",
          "0000002___up.txt", "0000003_readme", "0000003_inline.png", "0000004_photo.jpg"}},
        {2,
         true,
         {"1/notes.txt", "1/notes_1.txt", "1/a_b%3F.gif", "2/notes.txt", "2/__up.txt", "3/readme",
          "3/inline.png", "4/photo.jpg"}},
    };
    const std::vector<std::string> keys = DownloadedKeys();
    ASSERT_EQ(keys.size(), 8u);
    for (const Case& c : cases) {
        SCOPED_TRACE("scheme " + std::to_string(c.scheme) + (c.oldFormat ? ", old layout" : ""));
        fs::remove_all(Out());
        SetOptions([&](TYahooDownloadOptions& o) {
            o.fileNameFormatObj = static_cast<std::uint8_t>(c.scheme);
        });
        WriteRegValue(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kOldFormat, c.oldFormat,
                      TRegValueKind::Boolean);
        const std::string folder =
            Out() + (c.oldFormat ? "SportsFans/Attachments/" : "Attachments/SportsFans/");
        Service().ClearLog();
        for (int run = 1; run <= (c.scheme == 1 ? 2 : 1); ++run) {
            SCOPED_TRACE("run " + std::to_string(run));
            const CliRun result = Attachments({"SportsFans"});
            EXPECT_EQ(result.status, 0) << result.out << result.err;
            EXPECT_NE(result.out.find("SportsFans: Completed"), std::string::npos) << result.out;
            EXPECT_NE(result.out.find("8 files saved"), std::string::npos) << result.out;
            std::vector<std::string> expected = c.names;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Tree(folder), expected);
            for (std::size_t i = 0; i < keys.size(); ++i)
                EXPECT_TRUE(ReadFile(folder + c.names[i]) == Content(keys[i])) << c.names[i];
        }
        EXPECT_EQ(Requests("setup.exe"), 0);
        EXPECT_EQ(Tree(Out() + (c.oldFormat ? "Attachments" : "SportsFans")).size(), 0u);
    }
}

// A file the service refuses (403) ends the group "Blocked" at once, exit 3, once the rest of
// that message has arrived. A transfer that breaks off leaves no file, not even a partial one,
// and the walk goes on to its last message; the group then ends "Error" with the reason. Either
// way the stored position is the message that failed, so the next run offered it starts there.
TEST_F(AttachmentsCliTest, RefusedAndBrokenTransfers) {
    const std::string folder = Out() + "Attachments/DemoGroup/";
    Service().SetFaults(groupsim::GroupService::ParseFaults("drop=/attach/12/photo12.jpg"));
    const CliRun dropped = Attachments({"--to", "17", "DemoGroup"});
    Service().SetFaults({});
    EXPECT_EQ(dropped.status, 3) << dropped.out << dropped.err;
    EXPECT_NE(dropped.out.find("DemoGroup: Error (from 1, to 40, at 17): 1 attachment failed, the "
                               "first in message 12: the answer broke off"),
              std::string::npos)
        << dropped.out;
    EXPECT_NE(dropped.out.find("photo12.jpg"), std::string::npos) << dropped.out;
    EXPECT_EQ(Tree(folder), (std::vector<std::string>{"0000006_photo6.jpg", "0000009_Minutes 9.pdf",
                                                      "0000012_inline.gif"}));
    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 12);

    fs::remove_all(Out());
    const CliRun blocked = Attachments({"--from", "16", "DemoGroup"});
    EXPECT_EQ(blocked.status, 3) << blocked.out << blocked.err;
    EXPECT_NE(blocked.out.find("DemoGroup: Blocked"), std::string::npos) << blocked.out;
    EXPECT_NE(blocked.out.find("the service answered 403"), std::string::npos) << blocked.out;
    EXPECT_EQ(Tree(folder),
              (std::vector<std::string>{"0000018_Minutes 18.pdf", "0000018_photo18.jpg"}));
    EXPECT_TRUE(ReadFile(folder + "0000018_photo18.jpg") ==
                Content("DemoGroup/attach/18/photo18.jpg"));
    EXPECT_EQ(GetLastPosition("demo_member", "DemoGroup"), 18);
}

// A file the service does not have (404) is left out and the walk goes on: the later messages'
// files arrive, the group ends "Error" saying how many files failed and where the first was,
// and the stored position is that message. The next run offered it (--resume) fetches it.
TEST_F(AttachmentsCliTest, AMissingFileDoesNotEndTheWalk) {
    const std::string folder = Out() + "Attachments/SportsFans/";
    Service().SetFaults(groupsim::GroupService::ParseFaults("status=404:/attach/2/notes.txt"));
    const CliRun missing = Attachments({"SportsFans"});
    Service().SetFaults({});
    EXPECT_EQ(missing.status, 3) << missing.out << missing.err;
    EXPECT_NE(missing.out.find("SportsFans: Error (from 1, to 4, at 4): 1 attachment failed, the "
                               "first in message 2: the service answered 404"),
              std::string::npos)
        << missing.out;
    EXPECT_NE(missing.out.find("7 files saved"), std::string::npos) << missing.out;
    EXPECT_FALSE(fs::exists(folder + "0000002_notes.txt"));
    EXPECT_TRUE(ReadFile(folder + "0000004_photo.jpg") ==
                Content(DownloadedKeys().back()));  // a message after the failed one
    EXPECT_EQ(GetLastPosition("demo_member", "SportsFans"), 2);

    Service().ClearLog();
    const CliRun resumed = Attachments({"--resume", "SportsFans"});
    EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
    EXPECT_EQ(Requests("/message/1"), 0);
    EXPECT_TRUE(ReadFile(folder + "0000002_notes.txt") == Content(DownloadedKeys()[3]));
    EXPECT_EQ(GetLastPosition("demo_member", "SportsFans"), 4);
}

// A file the service no longer has (404) is an error of the group; the copy an earlier run
// saved under that name is kept as it was, and the position does not move back.
TEST_F(AttachmentsCliTest, AMissingFileKeepsTheEarlierCopy) {
    ASSERT_EQ(Attachments({"SportsFans"}).status, 0);
    const std::string photo = Out() + "Attachments/SportsFans/0000004_photo.jpg";
    WriteFile(photo, "the copy of an earlier run");
    Service().SetFaults(groupsim::GroupService::ParseFaults("status=404:/attach/4/photo.jpg"));
    const CliRun missing = Attachments({"SportsFans"});
    Service().SetFaults({});
    EXPECT_EQ(missing.status, 3) << missing.out << missing.err;
    EXPECT_NE(missing.out.find("SportsFans: Error"), std::string::npos) << missing.out;
    EXPECT_NE(missing.out.find("the service answered 404"), std::string::npos) << missing.out;
    EXPECT_EQ(ReadFile(photo), "the copy of an earlier run");
    EXPECT_EQ(GetLastPosition("demo_member", "SportsFans"), 4);
}

// An answer that is not the attachment is a failed file: a web page in place of a picture (64 MB
// of it), bytes that are no picture, a body that breaks off, a store that stays silent past the
// run's 2 s time-out, a service that keeps throttling (asked six times, the waits on the pacing
// clock) and endless redirects. Each ends the group "Error" with the reason, exit 3; nothing of
// the answer is saved and the copy an earlier run saved stays.
TEST_F(AttachmentsCliTest, AnAnswerThatIsNotTheFileIsAFailedFile) {
    ASSERT_EQ(Attachments({"SportsFans"}).status, 0);
    const std::string folder = Out() + "Attachments/SportsFans/";
    const std::vector<std::string> files = Tree(folder);
    const std::string file = "/attach/4/photo.jpg";
    struct Case {
        std::string fault;
        const char* reason;
        int requests;  // for the file, as logged (a request held unanswered never is)
    };
    const Case cases[] = {
        {"oversize=" + file, "the service sent a web page instead of the file", 1},
        {"notimage=" + file, "the answer is not a picture", 1},
        {"drop=" + file, "the answer broke off before it was complete", 1},
        {"hang=" + file, "no answer from the service within 2 s", 0},
        {"throttlefor=" + file, "throttled by the service 6 times in a row", 6},
        {"loop=" + file, "too many redirects", 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        WriteFile(folder + "0000004_photo.jpg", "the copy of an earlier run");
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.fault));
        Service().ClearLog();
        const auto started = std::chrono::steady_clock::now();
        const CliRun run = Attachments({"--timeout", "2", "SportsFans"});
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        EXPECT_EQ(run.status, 3) << run.out << run.err;
        EXPECT_NE(run.out.find(std::string("SportsFans: Error (from 1, to 4, at 4): 1 attachment "
                                           "failed, the first in message 4: ") +
                               c.reason),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(ReadFile(folder + "0000004_photo.jpg"), "the copy of an earlier run");
        EXPECT_EQ(Tree(folder), files);  // nothing half-done beside it
        EXPECT_EQ(Requests(file), c.requests);
    }
    Service().SetFaults({});
}

// Under a scheme that gives attachments of different messages the same name, runs over
// different ranges in any order keep every attachment's bytes: a file saved by an earlier run is
// replaced only by the attachment it holds, and an attachment keeps its name from run to run.
// So do runs killed at any moment (the index of the names is replaced whole, before the files).
TEST_F(AttachmentsCliTest, RunsInAnyOrderKeepEveryAttachment) {
    struct Range {
        int from, to;
        const char* killAfter;  // the run is killed once this file was served ("" runs to its end)
    };
    struct Case {
        const char* name;
        std::vector<Range> runs;
    };
    const Case cases[] = {
        {"later message first", {{2, 2, ""}, {1, 2, ""}}},
        {"earlier message first", {{1, 2, ""}, {2, 2, ""}}},
        {"backwards one by one", {{4, 4, ""}, {3, 3, ""}, {2, 2, ""}, {1, 1, ""}}},
        {"middle, then all", {{2, 3, ""}, {1, 4, ""}, {1, 1, ""}}},
        {"killed runs",
         {{2, 4, "attach/2/"}, {1, 4, "attach/1/"}, {1, 1, ""}, {2, 2, "attach/2/"}}},
    };
    const std::string folder = Out() + "Attachments/SportsFans/";
    const std::vector<std::string> keys = DownloadedKeys();
    std::map<std::string, std::string> keyOf;  // content -> key
    for (const auto& key : keys) keyOf[Content(key)] = key;
    SetOptions([](TYahooDownloadOptions& o) { o.fileNameFormatObj = 1; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Out());
        fs::remove_all(SettingsFolder() + "Attachments");
        std::map<std::string, std::string> saved;  // key -> the name it was first saved under
        for (const Range& r : c.runs) {
            SCOPED_TRACE(std::to_string(r.from) + " to " + std::to_string(r.to));
            Service().ClearLog();
            std::atomic<bool> done{false};
            std::thread killer;
            const std::string killAfter = r.killAfter;
            const CliRun run = test::RunCli(
                TESSALY_CLI_BINARY,
                {"download", "--password-stdin", "--out", Out(), "--section", "attachments",
                 "--from", std::to_string(r.from), "--to", std::to_string(r.to), "SportsFans"},
                "tessaly-demo", [&](pid_t pid) {
                    if (killAfter.empty()) return;
                    killer = std::thread([&, pid] {
                        while (!done && Requests(killAfter) == 0)
                            std::this_thread::sleep_for(std::chrono::milliseconds(1));
                        if (!done) ::kill(pid, SIGKILL);
                    });
                });
            done = true;
            if (killer.joinable()) killer.join();
            if (killAfter.empty()) {
                EXPECT_EQ(run.status, 0) << run.out << run.err;
            }
            // Every file holds one attachment, no two the same one, each under the name it
            // was first saved under.
            std::set<std::string> seen;
            for (const auto& name : Tree(folder)) {
                const auto key = keyOf.find(ReadFile(folder + name));
                ASSERT_NE(key, keyOf.end()) << name << " holds no attachment whole";
                EXPECT_TRUE(seen.insert(key->second).second) << key->second << " twice";
                const auto first = saved.emplace(key->second, name).first;
                EXPECT_EQ(first->second, name) << key->second << " moved";
            }
            EXPECT_EQ(seen.size(), saved.size()) << "an attachment saved before is gone";
        }
    }
}

// A file another program holds open (locked) is neither downloaded nor counted: the group
// completes, its row says which file was skipped, and the file keeps what it held.
TEST_F(AttachmentsCliTest, AHeldFileIsSkipped) {
    const std::string photo = Out() + "Attachments/SportsFans/0000004_photo.jpg";
    fs::create_directories(Out() + "Attachments/SportsFans/");
    WriteFile(photo, "held by another program");
    TLockedFileWriter holder(photo, true);
    Service().ClearLog();
    const CliRun run = Attachments({"SportsFans"});
    holder.Close();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("SportsFans: Completed"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1 attachment skipped, in use by another program: " + photo),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("7 files saved"), std::string::npos) << run.out;
    EXPECT_EQ(ReadFile(photo), "held by another program");
    EXPECT_EQ(Requests("photo.jpg"), 0);
}

// With one downloader the files of a message come strictly one after another; with three they
// overlap. The pause after each started file (10 s designed, at a hundredth of the pacing)
// spaces their starts even with three downloaders.
TEST_F(AttachmentsCliTest, ThreadsAndTheDownloadDelay) {
    Service().SetFaults(groupsim::GroupService::ParseFaults("latency=40"));
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        Service().ClearLog();
        const CliRun run = Attachments({"--threads", std::to_string(threads), "SportsFans"});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        const auto requests = AttachmentRequests();
        ASSERT_EQ(requests.size(), 8u);
        bool overlap = false;
        for (std::size_t i = 1; i < requests.size(); ++i)
            overlap |= requests[i].startMs < requests[i - 1].startMs + requests[i - 1].millis;
        EXPECT_EQ(overlap, threads > 1);
    }
    Service().SetFaults({});

    SetOptions([](TYahooDownloadOptions& o) {
        o.boolEnableDownloadDelay = true;
        o.intDownloadDelay = 10;
    });
    ::setenv("TESSALY_PACE", "0.01", 1);
    Service().ClearLog();
    const CliRun delayed = Attachments({"--threads", "3", "SportsFans"});
    ::setenv("TESSALY_PACE", "0", 1);
    EXPECT_EQ(delayed.status, 0) << delayed.out << delayed.err;
    const auto requests = AttachmentRequests();
    ASSERT_EQ(requests.size(), 8u);
    // 100 ms between starts. One request may reach the service late (a busy machine), which
    // shortens the gap before the next; the pauses themselves add up over the whole run.
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].startMs - requests[i - 1].startMs, 40.0) << requests[i].path;
    EXPECT_GE(requests.back().startMs - requests.front().startMs, 7 * 100.0 - 50.0);
}

}  // namespace
}  // namespace tessaly
