// End-to-end runs of `tessaly-cli download --section photos` against the simulated service
// (pacing 0): the photos host with its country prefix, the page walk, the bytes of every
// picture, the index and ignoring what it holds, the retries, a picture held open, the
// failures, and names that would lead out of the Photos folder.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "platform/SpecialFolders.h"
#include "settings/DownloadOptions.h"
#include "support/CliFixture.h"
#include "support/SimFixture.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

using test::CliRun;

class PhotosCliTest : public test::CliSectionTest {
protected:
    CliRun Photos(const std::vector<std::string>& args) { return Download("photos", args); }

    static std::string Picture(const std::string& key, bool hires) {
        return groupsim::PictureContent(kSeed, key, hires);
    }
    // The requests whose host + path (with the query) contains `text`, in the order served.
    std::vector<groupsim::LogEntry> Requests(const std::string& text) {
        std::vector<groupsim::LogEntry> found;
        for (const auto& e : Service().Log()) {
            if ((e.host + e.path).find(text) != std::string::npos) found.push_back(e);
        }
        return found;
    }
    static std::string Index(const std::string& group) {
        return ReadFile(SettingsFolder() + "Photos/demo_member/" + group + ".ini");
    }
};

// Four groups in one run. DemoGroup's top list comes in list view, whose album links the walk
// does not follow: its albums are reached only through the thumbnail view. Its albums, the
// second page of "Summer Walk" and the top-level photo are all read, the last-page links and the
// list views never; every picture arrives once, from its high-resolution page, with every byte
// as the service has it. BritishWalkers' prefix is on the list of the photos host, so the
// unprefixed host is never asked; SportsFans' is not, and is read off the host the unprefixed
// list leads to. Album and photo names that would climb stay inside the Photos folder. A group
// without photos is "Not Available". The index holds the top-level photo in the section "\",
// and a second run that ignores what it holds asks for no picture and no view page.
TEST_F(PhotosCliTest, EveryPictureOnceWithEveryByteThenNothingTwice) {
    Service().ClearLog();
    const CliRun run = Photos({"--no-ignore-duplicates", "DemoGroup", "BritishWalkers",
                               "SportsFans", "mixedcasegroup", "Filler01"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (const char* row : {"DemoGroup: Completed (4 folders, 19 files found, 19 downloaded)",
                            "BritishWalkers: Completed (2 folders, 2 files found, 2 downloaded)",
                            "SportsFans: Completed (2 folders, 1 files found, 1 downloaded)",
                            "mixedcasegroup: Completed (2 folders, 2 files found, 2 downloaded)",
                            "Filler01: Not Available (2 folders, 0 files found, 0 downloaded)"})
        EXPECT_NE(run.out.find(row), std::string::npos) << row << "\n" << run.out;

    std::map<std::string, std::string> wanted;
    for (int i = 1; i <= 15; ++i) {
        const std::string name = (i < 10 ? "walk0" : "walk") + std::to_string(i) + ".jpg";
        wanted["Summer Walk/" + name] = Picture("DemoGroup/photos/Summer Walk/" + name, true);
    }
    for (const char* name : {"dinner1.jpg", "dinner 2.jpg", "toast.jpg"})
        wanted[std::string("Club Dinner/") + name] =
            Picture(std::string("DemoGroup/photos/Club Dinner/") + name, true);
    wanted["welcome.jpg"] = Picture("DemoGroup/photos//welcome.jpg", true);
    EXPECT_EQ(Tree(Out() + "Photos/DemoGroup/"), wanted);
    const std::map<std::string, std::string> uk{
        {"Lake District/lake1.jpg",
         Picture("BritishWalkers/photos/Lake District/lake1.jpg", false)},
        {"Lake District/lake2.jpg",
         Picture("BritishWalkers/photos/Lake District/lake2.jpg", false)}};
    EXPECT_EQ(Tree(Out() + "Photos/BritishWalkers/"), uk);
    EXPECT_EQ(Tree(Out() + "Photos/SportsFans/").at("Match Day/goal.jpg"),
              Picture("SportsFans/photos/Match Day/goal.jpg", true));
    const std::map<std::string, std::string> odd{
        {"____up/____evil.jpg", Picture("MixedCaseGroup/photos/..\\..\\up/..\\..\\evil.jpg", true)},
        {"____up/a_b%3F.jpg", Picture("MixedCaseGroup/photos/..\\..\\up/a:b?.jpg", true)}};
    EXPECT_EQ(Tree(Out() + "Photos/MixedCaseGroup/"), odd);
    EXPECT_EQ(Tree(Out()).size(), wanted.size() + uk.size() + 1 + odd.size());

    // Each picture once, and list pages neither in list view nor by their last-page link.
    for (const auto& e : Requests("grp.yahoofs.com")) EXPECT_EQ(Requests(e.path).size(), 1u);
    EXPECT_EQ(Requests("begin=9999").size(), 0u);
    EXPECT_EQ(Requests("/group/DemoGroup/lst?.dir=/&.src=gr&.view=t&.begin=1").size(), 1u);
    EXPECT_EQ(Requests("&.begin=1&").size(), 0u);
    EXPECT_EQ(Requests("view=l").size(), 0u);
    EXPECT_EQ(Requests("/group/DemoGroup/lst?&.dir=/Summer+Walk&.src=gr&.begin=13").size(), 1u);
    EXPECT_EQ(Requests(".hires=t").size(), 19u + 1u + 2u);
    EXPECT_EQ(Requests("photos.groups.yahoo.com/group/BritishWalkers/").size(),
              Requests("uk.photos.groups.yahoo.com/group/BritishWalkers/").size());
    const auto sports = Requests("photos.groups.yahoo.com/group/SportsFans/lst");
    ASSERT_GE(sports.size(), 2u);
    EXPECT_EQ(sports[0].host, "photos.groups.yahoo.com");
    EXPECT_EQ(sports[0].status, 302);
    for (std::size_t i = 1; i < sports.size(); ++i)
        EXPECT_EQ(sports[i].host, "sports.photos.groups.yahoo.com");

    const std::string index = Index("DemoGroup");
    EXPECT_NE(index.find("[\\]\r\nwelcome.jpg=Y\r\n"), std::string::npos) << index;
    EXPECT_NE(index.find("[Club+Dinner]\r\n"), std::string::npos) << index;
    EXPECT_NE(index.find("dinner%202.jpg=Y\r\n"), std::string::npos) << index;
    EXPECT_NE(Index("MixedCaseGroup").find("[..%5C..%5Cup]"), std::string::npos);

    Service().ClearLog();
    const CliRun again = Photos({"--ignore-duplicates", "DemoGroup", "mixedcasegroup"});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(Requests("grp.yahoofs.com").size(), 0u);
    EXPECT_EQ(Requests("/vwp").size(), 0u);
    EXPECT_NE(again.out.find("DemoGroup: Completed (4 folders, 0 files found, 0 downloaded)"),
              std::string::npos)
        << again.out;
}

// A picture answered 500 twice arrives on the third attempt, the attempts one after another in
// the log. A picture that never arrives whole (cut off, or always an error) is tried six times
// and leaves no file and no index entry; a view page that keeps failing likewise; a top list
// that cannot be had ends the group "Error" even where nothing was found. Every failure ends
// the group "Error" with the reason, exit 3 and the error sound; a group that went well plays
// none.
TEST_F(PhotosCliTest, RetriesAndFailures) {
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

    const std::string picture = "District/lake2.jpg";
    const std::string target = Out() + "Photos/BritishWalkers/Lake District/lake2.jpg";
    struct Case {
        std::string fault;
        const char* row;
        const char* reason;
        std::vector<int> statuses;  // of the requests for lake2.jpg's picture
    };
    const Case cases[] = {
        {"status=500:" + picture + "&failtimes=2",
         "Completed (2 folders, 2 files found, 2 downloaded)",
         "",
         {500, 500, 200}},
        {"drop=" + picture,
         "Error (2 folders, 2 files found, 1 downloaded)",
         "1 of 2 photos could not be downloaded: the answer broke off before it was complete",
         {200, 200, 200, 200, 200, 200}},
        {"status=500:" + picture,
         "Error (2 folders, 2 files found, 1 downloaded)",
         "1 of 2 photos could not be downloaded",
         {500, 500, 500, 500, 500, 500}},
        {"status=404:/vwp",
         "Error (2 folders, 2 files found, 0 downloaded)",
         "2 of 2 photos could not be downloaded",
         {}},
        {"status=500:/group/BritishWalkers/lst",
         "Error (0 folders, 0 files found, 0 downloaded)",
         "the service answered 500",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        fs::remove_all(Out());
        fs::remove(played);
        fs::remove(SettingsFolder() + "Photos/demo_member/BritishWalkers.ini");
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.fault));
        Service().ClearLog();
        const CliRun run = Photos({"--no-ignore-duplicates", "BritishWalkers"});
        const bool failed = c.statuses.size() != 3;
        EXPECT_EQ(run.status, failed ? 3 : 0) << run.out << run.err;
        EXPECT_NE(run.out.find(std::string("BritishWalkers: ") + c.row), std::string::npos)
            << run.out;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(played), failed ? options.strErrorWaveFile + "\n" : "");
        std::vector<int> statuses;
        for (const auto& e : Requests(picture)) statuses.push_back(e.status);
        EXPECT_EQ(statuses, c.statuses);
        // A view page that keeps failing is asked for six times too.
        if (c.fault.ends_with("/vwp")) {
            EXPECT_EQ(Requests("/vwp").size(), 2u * 6u);
        }
        EXPECT_EQ(fs::exists(target), !failed);
        EXPECT_EQ(Index("BritishWalkers").find("lake2.jpg=Y") != std::string::npos, !failed);
    }
    Service().SetFaults({});
    ::setenv("PATH", path.c_str(), 1);
}

// An answer that is not the picture is a failed photo: a web page in its place, bytes that are
// no picture, a service that keeps throttling (asked six times, the waits on the pacing clock,
// and no further attempts) and endless redirects; each of the first and the last is tried six
// times. The group ends "Error" with the reason, exit 3; nothing is saved or indexed and the
// earlier copy stays. A store that stays silent is given up after the run's 2 s time-out and the
// next attempt brings the picture.
TEST_F(PhotosCliTest, AnAnswerThatIsNotThePictureIsAFailedPhoto) {
    const std::string picture = "District/lake2.jpg";
    const std::string target = Out() + "Photos/BritishWalkers/Lake District/lake2.jpg";
    struct Case {
        std::string fault;
        const char* reason;    // "": the picture arrives
        std::size_t requests;  // for the picture, as logged (a request held unanswered never is)
    };
    const Case cases[] = {
        {"oversize=" + picture, "the service sent a web page instead of the file", 6},
        {"notimage=" + picture, "the answer is not a picture", 6},
        {"throttlefor=" + picture, "throttled by the service 6 times in a row", 6},
        {"loop=" + picture, "too many redirects", 6 * 11},
        {"hang=" + picture + "&hangtimes=1", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        fs::remove_all(Out());
        fs::remove(SettingsFolder() + "Photos/demo_member/BritishWalkers.ini");
        WriteFile(target, "saved by an earlier run");
        Service().SetFaults(groupsim::GroupService::ParseFaults(c.fault));
        Service().ClearLog();
        const auto started = std::chrono::steady_clock::now();
        const CliRun run = Photos({"--timeout", "2", "--no-ignore-duplicates", "BritishWalkers"});
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        const bool failed = *c.reason != '\0';
        EXPECT_EQ(run.status, failed ? 3 : 0) << run.out << run.err;
        EXPECT_NE(
            run.out.find(
                failed ? "BritishWalkers: Error (2 folders, 2 files found, 1 downloaded)"
                       : "BritishWalkers: Completed (2 folders, 2 files found, 2 downloaded)"),
            std::string::npos)
            << run.out;
        EXPECT_EQ(run.err.find(std::string("1 of 2 photos could not be downloaded: ") + c.reason) !=
                      std::string::npos,
                  failed)
            << run.err;
        EXPECT_EQ(ReadFile(target),
                  failed ? "saved by an earlier run"
                         : Picture("BritishWalkers/photos/Lake District/lake2.jpg", false));
        EXPECT_EQ(Index("BritishWalkers").find("lake2.jpg=Y") != std::string::npos, !failed);
        EXPECT_NE(Index("BritishWalkers").find("lake1.jpg=Y"), std::string::npos);
        EXPECT_EQ(Requests(picture).size(), c.requests);
    }
    Service().SetFaults({});
}

// A picture another program holds open is left alone: not downloaded, not counted, not indexed,
// and the row says it was skipped; the group still completes.
TEST_F(PhotosCliTest, APictureHeldOpenIsSkipped) {
    const std::string held = Out() + "Photos/BritishWalkers/Lake District/lake1.jpg";
    WriteFile(held, "the member's copy");
    const int fd = ::open(held.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const CliRun run = Photos({"--no-ignore-duplicates", "BritishWalkers"});
    ::close(fd);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("BritishWalkers: Completed (2 folders, 2 files found, 1 downloaded): 1 "
                           "photos skipped, held open by another program: " +
                           held),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadFile(held), "the member's copy");
    const std::string index = Index("BritishWalkers");
    EXPECT_EQ(index.find("lake1.jpg"), std::string::npos) << index;
    EXPECT_NE(index.find("lake2.jpg=Y"), std::string::npos) << index;
}

// Photos come one at a time unless the run asks for more: then never more than asked, and
// side by side where allowed, every picture whole.
TEST_F(PhotosCliTest, PicturesAtOnceOnlyAsTheRunAsks) {
    struct Case {
        std::vector<std::string> args;
        int most;
    };
    for (const Case& c : {Case{{}, 1}, Case{{"--threads", "4"}, 4}}) {
        SCOPED_TRACE(c.most);
        // Each picture is held long enough for the downloads to overlap wherever they may.
        Service().SetFaults(groupsim::GroupService::ParseFaults("latency=100"));
        fs::remove_all(Out());
        Service().ClearLog();
        std::vector<std::string> args = c.args;
        for (const char* a : {"--no-ignore-duplicates", "BritishWalkers"}) args.emplace_back(a);
        const CliRun run = Photos(args);
        Service().SetFaults({});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        const int most = Service().MostConcurrentFileStore();
        EXPECT_LE(most, c.most);
        EXPECT_GE(most, c.most == 1 ? 1 : 2);
        const auto tree = Tree(Out() + "Photos/BritishWalkers/");
        ASSERT_EQ(tree.size(), 2u);
        for (const auto& [name, bytes] : tree)
            EXPECT_EQ(bytes, Picture("BritishWalkers/photos/" + name, false)) << name;
    }
}

// Ctrl-C while a picture trickles in: the transfer is cancelled, the picture saved by an
// earlier run stays as it was and no partial file is left; the group ends "Skipped" (exit 4),
// and the next group is downloaded as usual.
TEST_F(PhotosCliTest, AStopDuringAPictureLeavesNoPartialFile) {
    const std::string album = Out() + "Photos/BritishWalkers/Lake District/";
    WriteFile(album + "lake2.jpg", "saved by an earlier run");
    Service().SetFaults(groupsim::GroupService::ParseFaults("trickle=District/lake2.jpg"));
    std::atomic<bool> done{false};
    std::thread watcher;
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = Run({"download", "--password-stdin", "--section", "photos", "--out", Out(),
                            "--no-ignore-duplicates", "BritishWalkers", "SportsFans"},
                           [&](pid_t pid) {
                               watcher = std::thread([&, pid] {
                                   // A trickled answer is logged once its headers are out.
                                   while (!done) {
                                       if (!Requests("District/lake2.jpg").empty()) {
                                           ::kill(pid, SIGINT);
                                           return;
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
    EXPECT_NE(run.out.find("BritishWalkers: Skipped"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("SportsFans: Completed"), std::string::npos) << run.out;
    EXPECT_LT(took, std::chrono::seconds(8));  // the trickled picture alone takes 9 s or more
    const auto files = Tree(album);
    EXPECT_EQ(files.at("lake2.jpg"), "saved by an earlier run");
    for (const auto& [name, bytes] : files)  // no temporary and no short picture
        EXPECT_TRUE(name == "lake2.jpg" ||
                    bytes == Picture("BritishWalkers/photos/Lake District/" + name, false))
            << name;
    EXPECT_EQ(Index("BritishWalkers").find("lake2.jpg"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
