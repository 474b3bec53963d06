// End-to-end runs of `tessaly-cli download --section files` against the simulated service
// (pacing 0): the walk, the bytes, both layouts, the index and ignoring what it holds, the
// bound on parallel transfers, a file held open, the failures, and a stop in a deep folder.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "registry/RegistryAccess.h"
#include "registry/RegistryLayout.h"
#include "settings/DownloadOptions.h"
#include "support/CliFixture.h"
#include "support/SimFixture.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

using test::CliRun;

class FilesCliTest : public test::CliSectionTest {
protected:
    CliRun Files(const std::vector<std::string>& args,
                 const std::function<void(pid_t)>& onStart = {}) {
        return Download("files", args, onStart);
    }

    // Only setup files are left out (the default lists also leave out .txt, .doc and .bin).
    static void ExcludeOnlyPrograms() {
        TYahooDownloadOptions options;
        options.Load();
        options.ExcludeExtensions = {"C:EXE"};
        options.Save();
    }

    std::string Content(const std::string& key) const { return groupsim::FileContent(kSeed, key); }
    int FileStoreRequests() {
        int n = 0;
        for (const auto& e : Service().Log()) n += e.host.ends_with("grp.yahoofs.com") ? 1 : 0;
        return n;
    }
    std::map<std::string, int> PathRequests() {
        std::map<std::string, int> n;
        for (const auto& e : Service().Log()) ++n[e.path];
        return n;
    }
};

// DemoGroup's tree: every folder page fetched once and every file downloaded once, although
// folders link files twice, a file from a second folder and the top folder; every byte as the
// service has it. The mixed-case group's subfolders are walked (it is listed in lower case),
// and the names of its odd folder stay inside its Files folder. A second run that ignores
// what the index holds asks the file store for nothing.
TEST_F(FilesCliTest, EveryFolderAndFileOnceWithEveryByteThenNothingTwice) {
    ExcludeOnlyPrograms();
    Service().ClearLog();
    const CliRun run = Files({"--threads", "3", "DemoGroup", "mixedcasegroup"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("DemoGroup: Completed (5 folders, 10 files found, 10 downloaded)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("mixedcasegroup: Completed (5 folders, 11 files found, 11 downloaded)"),
              std::string::npos)
        << run.out;

    const std::map<std::string, std::string> demo = Tree(Out() + "Files/DemoGroup/");
    std::map<std::string, std::string> wanted;
    for (const char* path :
         {"welcome.txt", "rules.pdf", "Minutes/agenda.doc", "Minutes/Meeting Notes.doc",
          "Minutes/2004/annual report.pdf", "Minutes/2004/Q1/january.txt",
          "Minutes/2004/Q1/Budget 2004.xls", "Maps & Routes/north loop.gpx",
          "Maps & Routes/south_loop.jpg", "Maps & Routes/exact-40000.bin"})
        wanted[path] = Content(std::string("DemoGroup/files/") + path);
    EXPECT_EQ(demo, wanted);
    EXPECT_EQ(demo.at("Maps & Routes/exact-40000.bin").size(), 40000u);
    const auto paths = PathRequests();
    for (const char* folder :
         {"/group/DemoGroup/files/", "/group/DemoGroup/files/Minutes/",
          "/group/DemoGroup/files/Minutes/2004/", "/group/DemoGroup/files/Minutes/2004/Q1/",
          "/group/DemoGroup/files/Maps%20%26%20Routes/"}) {
        EXPECT_EQ(paths.count(folder) ? paths.at(folder) : 0, 1) << folder;
    }
    for (const auto& [path, count] : paths) {
        if (path.starts_with("/v1/")) {
            EXPECT_EQ(count, 1) << path;
        }
        EXPECT_EQ(path.find("sort="), std::string::npos) << path;
    }

    const std::map<std::string, std::string> mixed = Tree(Out() + "Files/MixedCaseGroup/");
    EXPECT_EQ(mixed.at("Sub Folder/Deeper/deep.zip"),
              Content("MixedCaseGroup/files/Sub Folder/Deeper/deep.zip"));
    EXPECT_EQ(mixed.at("Odd Names/report.pdf%3Fx=1"),
              Content("MixedCaseGroup/files/Odd Names/report.pdf?x=1"));
    EXPECT_EQ(mixed.at("Odd Names/trailing"), Content("MixedCaseGroup/files/Odd Names/trailing/"));
    EXPECT_EQ(mixed.at("Odd Names/____up/inside.jpg"),
              Content("MixedCaseGroup/files/Odd Names/..\\..\\up/inside.jpg"));
    EXPECT_EQ(mixed.size(), 11u);
    // Nothing landed outside the two groups' Files folders.
    EXPECT_EQ(Tree(Out()).size(), demo.size() + mixed.size());
    EXPECT_EQ(Tree(Dir()).size(), demo.size() + mixed.size() +
                                      Tree(GetSpecialFolder(SpecialFolder::AppData)).size() +
                                      Tree(GetSpecialFolder(SpecialFolder::Config)).size());

    const std::string index = ReadFile(SettingsFolder() + "Files/demo_member/MixedCaseGroup.ini");
    EXPECT_NE(index.find("[/Sub%20Folder/Deeper/]\r\ndeep.zip=Y\r\n"), std::string::npos) << index;
    EXPECT_NE(index.find("report.pdf?x%3D1=Y\r\n"), std::string::npos) << index;
    const std::string demoIndex = ReadFile(SettingsFolder() + "Files/demo_member/DemoGroup.ini");
    const auto maps = demoIndex.find("[/Maps%20%26%20Routes/]\r\n");
    ASSERT_NE(maps, std::string::npos) << demoIndex;
    EXPECT_NE(demoIndex.find("\r\nnorth%20loop.gpx=Y\r\n", maps), std::string::npos) << demoIndex;

    Service().ClearLog();
    const CliRun again = Files({"--ignore-duplicates", "DemoGroup", "mixedcasegroup"});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(FileStoreRequests(), 0);
    EXPECT_NE(again.out.find("DemoGroup: Completed (5 folders, 10 files found, 0 downloaded)"),
              std::string::npos)
        << again.out;
    Service().ClearLog();
    const CliRun all = Files({"--no-ignore-duplicates", "mixedcasegroup"});
    EXPECT_EQ(all.status, 0) << all.out << all.err;
    EXPECT_EQ(FileStoreRequests(), 11);
}

// With one downloader one file is fetched at a time, with nine never a tenth (and nine do run
// side by side); the old layout puts the group's folder first.
TEST_F(FilesCliTest, TransfersStayWithinTheThreadCountInEitherLayout) {
    for (int threads : {1, 9}) {
        SCOPED_TRACE(threads);
        // Each answer is held long enough for the downloaders to overlap wherever they may.
        Service().SetFaults(
            groupsim::GroupService::ParseFaults(threads == 1 ? "latency=10" : "latency=200"));
        const bool oldFormat = threads == 9;
        WriteRegValue(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kOldFormat, oldFormat,
                      TRegValueKind::Boolean);
        fs::remove_all(Out());
        Service().ClearLog();
        const CliRun run =
            Files({"--no-ignore-duplicates", "--threads", std::to_string(threads), "Filler16"});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        const int most = Service().MostConcurrentFileStore();
        EXPECT_LE(most, threads);
        EXPECT_GE(most, threads == 1 ? 1 : 2);  // side by side when allowed (9 on an idle machine)
        const std::string folder =
            oldFormat ? Out() + "Filler16/Files/" : Out() + "Files/Filler16/";
        const auto tree = Tree(folder);
        EXPECT_EQ(tree.size(), 31u);
        EXPECT_EQ(tree.at("Batch/file30.jpg"), Content("Filler16/files/Batch/file30.jpg"));
        EXPECT_EQ(Tree(Out()).size(), 31u);
    }
    Service().SetFaults({});
}

// A file another program holds open is left alone: not downloaded, not counted, not indexed,
// and the row says it was skipped; the group still completes.
TEST_F(FilesCliTest, AFileHeldOpenIsSkipped) {
    const std::string held = Out() + "Files/Filler16/first.jpg";
    WriteFile(held, "the member's copy");
    const int fd = ::open(held.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const CliRun run = Files({"--no-ignore-duplicates", "Filler16"});
    ::close(fd);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Filler16: Completed (2 folders, 31 files found, 30 downloaded): 1 "
                           "files skipped, held open by another program: " +
                           held),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadFile(held), "the member's copy");
    const std::string index = ReadFile(SettingsFolder() + "Files/demo_member/Filler16.ini");
    EXPECT_EQ(index.find("first.jpg"), std::string::npos) << index;
    EXPECT_NE(index.find("file1.jpg=Y"), std::string::npos) << index;
}

// A folder page that cannot be fetched (the top one too) or a file that cannot be downloaded
// ends the group "Error" with the reason and exit 3, and the error sound plays; a file whose
// download breaks off leaves the copy an earlier run saved. A group that went well plays no
// error sound.
TEST_F(FilesCliTest, FailuresEndTheGroupWithTheReason) {
    const std::string played = Dir() + "played";
    WriteFile(Dir() + "bin/paplay", "#!/bin/sh\necho \"$1\" >> \"" + played + "\"\n");
    ::chmod((Dir() + "bin/paplay").c_str(), 0755);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (Dir() + "bin:" + path).c_str(), 1);
    TYahooDownloadOptions options;
    options.Load();
    options.strErrorWaveFile = Dir() + "error.wav";
    options.Save();
    WriteFile(options.strErrorWaveFile, "RIFF");

    const std::string copy = Out() + "Files/Filler16/Batch/file3.jpg";
    struct Case {
        const char* fault;
        const char* row;
        const char* reason;
    };
    const Case cases[] = {
        {"status=500:/group/Filler16/files/", "Error (0 folders, 0 files found, 0 downloaded)",
         "the service answered 500 (http://groups.yahoo.com/group/Filler16/files/)"},
        {"status=503:/group/Filler16/files/Batch/",
         "Error (1 folders, 1 files found, 1 downloaded)", "the service answered 503"},
        {"status=404:/Batch/file7.jpg", "Error (2 folders, 31 files found, 30 downloaded)",
         "1 of 31 files could not be downloaded: the service answered 404"},
        {"drop=/Batch/file3.jpg", "Error (2 folders, 31 files found, 30 downloaded)",
         "1 of 31 files could not be downloaded"},
        {"", "Completed (2 folders, 31 files found, 31 downloaded)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        fs::remove_all(Out());
        fs::remove(played);
        WriteFile(copy, "saved by an earlier run");
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.fault));
        const CliRun run = Files({"--no-ignore-duplicates", "Filler16"});
        const bool failed = *c.fault != '\0';
        EXPECT_EQ(run.status, failed ? 3 : 0) << run.out << run.err;
        EXPECT_NE(run.out.find(std::string("Filler16: ") + c.row), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(played), failed ? options.strErrorWaveFile + "\n" : "");
        if (std::string(c.fault).starts_with("drop")) {
            EXPECT_EQ(ReadFile(copy), "saved by an earlier run");
            EXPECT_EQ(Tree(Out() + "Files/Filler16/Batch/").size(), 30u);  // nothing half-done
        }
    }
    Service().SetFaults({});
    ::setenv("PATH", path.c_str(), 1);

    const CliRun unknown = Files({"NoSuchGroupHere"});
    EXPECT_EQ(unknown.status, 3);
    EXPECT_NE(unknown.out.find("NoSuchGroupHere: Error (0 folders"), std::string::npos)
        << unknown.out;
    EXPECT_NE(unknown.err.find("no such group"), std::string::npos) << unknown.err;
}

// An answer that is not the file is a failed file: a web page in place of a picture (64 MB of
// it), a body that breaks off before its announced length, a store that stays silent past the
// run's 2 s time-out, a service that keeps throttling (asked six times, the waits on the pacing
// clock) and endless redirects. Each ends the group "Error" with the reason, exit 3; nothing of
// the answer is saved or indexed and the earlier copy stays, so a later clean run that ignores
// what the index holds fetches the file again.
TEST_F(FilesCliTest, AnAnswerThatIsNotTheFileIsAFailedFile) {
    const std::string file = "/Batch/file17.jpg";
    const std::string copy = Out() + "Files/Filler16/Batch/file17.jpg";
    const std::string indexPath = SettingsFolder() + "Files/demo_member/Filler16.ini";
    struct Case {
        std::string fault;
        const char* reason;
        std::size_t requests;  // for the file, as logged (a request held unanswered never is)
    };
    const Case cases[] = {
        {"oversize=" + file, "the service sent a web page instead of the file", 1},
        {"drop=" + file, "the answer broke off before it was complete", 1},
        {"hang=" + file, "no answer from the service within 2 s", 0},
        {"throttlefor=" + file, "throttled by the service 6 times in a row", 6},
        {"loop=" + file, "too many redirects", 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        fs::remove_all(Out());
        fs::remove(indexPath);
        WriteFile(copy, "saved by an earlier run");
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.fault));
        Service().ClearLog();
        const auto started = std::chrono::steady_clock::now();
        const CliRun run = Files({"--timeout", "2", "--no-ignore-duplicates", "Filler16"});
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        EXPECT_EQ(run.status, 3) << run.out << run.err;
        EXPECT_NE(run.out.find("Filler16: Error (2 folders, 31 files found, 30 downloaded)"),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.err.find(std::string("1 of 31 files could not be downloaded: ") + c.reason),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(ReadFile(copy), "saved by an earlier run");
        EXPECT_EQ(Tree(Out() + "Files/Filler16/Batch/").size(), 30u);  // nothing half-done
        const std::string index = ReadFile(indexPath);
        EXPECT_NE(index.find("file16.jpg=Y"), std::string::npos) << index;
        EXPECT_EQ(index.find("file17.jpg=Y"), std::string::npos) << index;
        std::size_t requests = 0;
        for (const auto& e : Service().Log())
            requests += e.path.find(file) != std::string::npos ? 1u : 0u;
        EXPECT_EQ(requests, c.requests);
    }
    Service().SetFaults({});
    const CliRun clean = Files({"--ignore-duplicates", "Filler16"});
    EXPECT_EQ(clean.status, 0) << clean.out << clean.err;
    EXPECT_NE(clean.out.find("Filler16: Completed (2 folders, 31 files found, 1 downloaded)"),
              std::string::npos)
        << clean.out;
    EXPECT_EQ(ReadFile(copy), Content("Filler16/files/Batch/file17.jpg"));
}

// Ctrl-C while a file of the deepest folder trickles in: the transfer ends at once, nothing
// more starts, the earlier copy of that file stays, nothing of it is indexed; the group ends
// "Skipped" and the next group runs normally.
TEST_F(FilesCliTest, AStopInADeepFolderLeavesNoPartialFile) {
    ExcludeOnlyPrograms();
    const std::string deep = Out() + "Files/DemoGroup/Minutes/2004/Q1/";
    WriteFile(deep + "january.txt", "saved by an earlier run");
    Service().SetFaults(groupsim::GroupService::ParseFaults("trickle=Q1/january.txt"));
    std::atomic<bool> done{false};
    std::thread watcher;
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = Files({"--threads", "1", "DemoGroup", "Filler16"}, [&](pid_t pid) {
        watcher = std::thread([&, pid] {
            // The service logs a trickled answer once its headers are out.
            while (!done) {
                for (const auto& e : Service().Log()) {
                    if (e.path.ends_with("Q1/january.txt")) {
                        ::kill(pid, SIGINT);
                        return;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    });
    done = true;
    watcher.join();
    const auto took = std::chrono::steady_clock::now() - start;
    Service().SetFaults({});
    EXPECT_EQ(run.status, 4) << run.out << run.err;
    EXPECT_NE(run.out.find("DemoGroup: Skipped"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Filler16: Completed"), std::string::npos) << run.out;
    EXPECT_LT(took, std::chrono::seconds(20));  // the trickle alone takes longer
    const auto q1 = Tree(deep);
    EXPECT_EQ(q1.size(), 1u);
    EXPECT_EQ(q1.at("january.txt"), "saved by an earlier run");
    EXPECT_FALSE(fs::exists(Out() + "Files/DemoGroup/Maps & Routes/"));  // never started
    EXPECT_EQ(ReadFile(SettingsFolder() + "Files/demo_member/DemoGroup.ini").find("january"),
              std::string::npos);
}

}  // namespace
}  // namespace tessaly
