// The browsable site over a small output folder: its pages and search blocks, both folder
// layouts, thumbnails, a rebuild that reads and writes only what changed (and never a saved
// file), a site folder that is not ours, and a stop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <set>

#include "archive/SiteBuilder.h"
#include "groupsim/SimPicture.h"
#include "support/MessagePages.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class SiteBuilderTest : public test::TempHomeTest {
protected:
    std::string Out() const { return Dir() + "out/"; }
    std::string Site() const { return Out() + "Archive/"; }

    void Save(const std::string& rel, const std::string& content) {
        fs::create_directories(fs::path(Out() + rel).parent_path());
        WriteFile(Out() + rel, content);
    }
    void SaveMessage(const std::string& group, std::int64_t number, const std::string& subject,
                     const std::string& date, const std::string& body = "text") {
        char name[32];
        std::snprintf(name, sizeof name, "%07lld.html", static_cast<long long>(number));
        Save("Messages/" + group + "/" + name,
             test::MessagePage(number, "Erin", date, subject, body));
    }
    // Every file under a folder with its content and modification time.
    static std::map<std::string, std::pair<std::string, std::int64_t>> Snapshot(
        const std::string& folder) {
        std::map<std::string, std::pair<std::string, std::int64_t>> files;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (!e.is_regular_file()) continue;
            struct stat st {};
            ::stat(e.path().c_str(), &st);
            files[fs::relative(e.path(), folder).string()] = {
                ReadFile(e.path().string()), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
        }
        return files;
    }
    static std::map<std::string, std::pair<std::string, std::int64_t>> SavedOnly(
        std::map<std::string, std::pair<std::string, std::int64_t>> files) {
        std::erase_if(files, [](const auto& f) { return f.first.starts_with("Archive/"); });
        return files;
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(SiteBuilderTest, PagesOfBothLayoutsThenOnlyWhatChanged) {
    SaveMessage("Walkers", 1, "First walk", "Tue Dec 14, 2004 9:05 pm");
    SaveMessage("Walkers", 2, "Second walk", "Fri Dec 31, 2004 11:59 pm", "about a quetzal");
    SaveMessage("Walkers", 3, "Third walk", "Sat Jan 1, 2005 0:01 am");
    Save("Messages/Walkers/0000004.html", test::PurgedPage(4));
    Save("Messages/Walkers/0000005.html",
         test::MessagePage(5, std::nullopt, std::nullopt, std::nullopt, "bare"));
    SaveMessage("Walkers", 1500, "Much later", "Sat Jan 1, 2005 8:00 pm");
    Save("Files/Walkers/Maps & Routes/north loop.gpx", std::string(2048, 'g'));
    Save("Files/Walkers/.north.gpx.tessaly-tmp-abc123", "half a download");
    Save("Photos/Walkers/Summer Walk/walk01.jpg", groupsim::MosaicJpeg(7, 40, 30));
    Save("Photos/Walkers/Summer Walk/broken.jpg", "\xFF\xD8 not a picture");
    // The older layout: GROUP/Messages/.
    Save("Riders/Messages/0000010.html",
         test::MessagePage(10, "Bob", "Dec 1, 2004", "Old layout", "x"));

    const auto savedBefore = SavedOnly(Snapshot(Out()));
    std::vector<archive::TSiteProgress> progress;
    archive::TSiteOptions options;
    options.progress = [&](const archive::TSiteProgress& p) { progress.push_back(p); };
    const archive::TSiteResult first = archive::BuildArchiveSite(Out(), options);
    ASSERT_TRUE(first.ok) << first.failure;
    EXPECT_EQ(first.topPage, Site() + "index.html");
    EXPECT_EQ(first.groups, 2);
    EXPECT_EQ(first.messages, 7);
    EXPECT_EQ(first.pagesRead, 7);
    EXPECT_EQ(first.thumbnailsMade, 1);  // the broken picture gets none
    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_LE(progress[i - 1].done, progress[i].done);
    EXPECT_EQ(progress.back().done, progress.back().total);
    EXPECT_EQ(progress.back().total, 9);  // 7 pages and 2 pictures tried

    const std::string top = ReadFile(Site() + "index.html");
    EXPECT_TRUE(Has(top, "href=\"groups/Walkers/index.html\">Walkers</a>")) << top;
    EXPECT_TRUE(Has(top, "href=\"groups/Riders/index.html\">Riders</a>")) << top;
    EXPECT_TRUE(Has(top, "2004-12-14</td><td class=\"date\">2005-01-01")) << top;
    const std::string group = ReadFile(Site() + "groups/Walkers/index.html");
    EXPECT_TRUE(Has(group, "href=\"month-2004-12.html\">2</a>")) << group;
    EXPECT_TRUE(Has(group, "href=\"month-2005-01.html\">2</a>")) << group;
    EXPECT_TRUE(Has(group, "href=\"month-unknown.html\">1 message without a date")) << group;
    EXPECT_TRUE(Has(group, "href=\"numbers-0001000.html\">1500&ndash;1500")) << group;
    const std::string numbers = ReadFile(Site() + "groups/Walkers/numbers-0000000.html");
    EXPECT_TRUE(Has(numbers, "<a href=\"../../../Messages/Walkers/0000002.html\">Second walk</a>"))
        << numbers;
    EXPECT_TRUE(Has(numbers, "deleted from the group")) << numbers;
    EXPECT_TRUE(Has(numbers, "unknown subject")) << numbers;
    EXPECT_TRUE(Has(ReadFile(Site() + "groups/Riders/numbers-0000000.html"),
                    "../../../Riders/Messages/0000010.html"));
    const std::string files = ReadFile(Site() + "groups/Walkers/files.html");
    EXPECT_TRUE(Has(files, "../../../Files/Walkers/Maps%20%26%20Routes/north%20loop.gpx")) << files;
    EXPECT_TRUE(Has(files, "2.0 KB")) << files;
    EXPECT_FALSE(Has(files, "tessaly-tmp")) << files;
    const std::string photos = ReadFile(Site() + "groups/Walkers/photos.html");
    EXPECT_TRUE(Has(photos, "<img class=\"thumb\" src=\"../../thumbs/Walkers/")) << photos;
    EXPECT_TRUE(Has(photos, "no preview")) << photos;
    const std::string block0 = ReadFile(Site() + "search/Walkers/0.js");
    EXPECT_TRUE(Has(block0, "\"quetzal\":\"1\"")) << block0;  // the second message of the block
    EXPECT_TRUE(fs::exists(Site() + "search/Walkers/1.js"));

    // Nothing changed: nothing is read or written.
    const auto siteBefore = Snapshot(Site());
    const archive::TSiteResult same = archive::BuildArchiveSite(Out());
    ASSERT_TRUE(same.ok) << same.failure;
    EXPECT_EQ(same.pagesRead, 0);
    EXPECT_EQ(same.filesWritten, 0);
    EXPECT_EQ(same.thumbnailsMade, 0);
    EXPECT_EQ(Snapshot(Site()), siteBefore);

    // A new message, a changed one, one gone and a picture replaced.
    SaveMessage("Walkers", 6, "Sixth walk", "Sun Jan 2, 2005 10:00 am");
    SaveMessage("Walkers", 3, "Third walk, corrected", "Sat Jan 1, 2005 0:01 am");
    fs::remove(Out() + "Messages/Walkers/0001500.html");
    Save("Photos/Walkers/Summer Walk/walk01.jpg", groupsim::MosaicJpeg(8, 20, 15));
    const auto savedNow = SavedOnly(Snapshot(Out()));
    const archive::TSiteResult next = archive::BuildArchiveSite(Out());
    ASSERT_TRUE(next.ok) << next.failure;
    EXPECT_EQ(next.pagesRead, 6);  // the pages of the one block that changed
    EXPECT_EQ(next.thumbnailsMade, 1);
    EXPECT_EQ(next.messages, 7);
    EXPECT_FALSE(fs::exists(Site() + "groups/Walkers/numbers-0001000.html"));
    EXPECT_FALSE(fs::exists(Site() + "search/Walkers/1.js"));
    EXPECT_TRUE(
        Has(ReadFile(Site() + "groups/Walkers/month-2005-01.html"), "Third walk, corrected"));
    EXPECT_TRUE(Has(ReadFile(Site() + "search/Walkers/0.js"), "\"sixth\""));
    // The other group's pages and the month that did not change stay as they were.
    const auto siteNow = Snapshot(Site());
    for (const char* kept : {"groups/Riders/index.html", "groups/Riders/numbers-0000000.html",
                             "search/Riders/0.js", "groups/Walkers/month-2004-12.html",
                             "groups/Walkers/files.html", "style.css", "search.js"}) {
        ASSERT_EQ(siteNow.count(kept), 1u) << kept;
        EXPECT_EQ(siteNow.at(kept), siteBefore.at(kept)) << kept;
    }
    // No saved file was ever written.
    EXPECT_EQ(SavedOnly(Snapshot(Out())), savedNow);
    auto expected = savedBefore;
    expected.erase("Messages/Walkers/0001500.html");
    for (const auto& [rel, file] : savedNow) {
        if (rel.find("0000003") == std::string::npos && rel.find("0000006") == std::string::npos &&
            rel.find("walk01") == std::string::npos) {
            EXPECT_EQ(file, expected.at(rel)) << rel;
        }
    }

    // A group whose saved folders are gone leaves the site.
    fs::remove_all(Out() + "Riders");
    ASSERT_TRUE(archive::BuildArchiveSite(Out()).ok);
    EXPECT_FALSE(fs::exists(Site() + "groups/Riders"));
    EXPECT_FALSE(fs::exists(Site() + "search/Riders"));
    EXPECT_FALSE(Has(ReadFile(Site() + "index.html"), "Riders"));
}

TEST_F(SiteBuilderTest, AFolderThatIsNotOursIsLeftAlone) {
    SaveMessage("Walkers", 1, "First", "Dec 1, 2004");
    Save("Archive/notes.txt", "my own notes");
    const archive::TSiteResult r = archive::BuildArchiveSite(Out());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.usage);
    EXPECT_TRUE(Has(r.failure, "did not write")) << r.failure;
    EXPECT_EQ(ReadFile(Out() + "Archive/notes.txt"), "my own notes");
    EXPECT_FALSE(fs::exists(Out() + "Archive/index.html"));

    const archive::TSiteResult missing = archive::BuildArchiveSite(Dir() + "nowhere");
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.usage);
    EXPECT_FALSE(fs::exists(Dir() + "nowhere"));
}

// The progress is told all through a build, whatever the size of the blocks (the first block,
// numbers 1 to 999, holds an odd count), never going back, and ends at its total.
TEST_F(SiteBuilderTest, ProgressIsToldThroughoutTheBuild) {
    for (int n = 1; n <= 2100; ++n) SaveMessage("Walkers", n, "Walk", "Dec 1, 2004");
    std::vector<archive::TSiteProgress> progress;
    archive::TSiteOptions options;
    options.progress = [&](const archive::TSiteProgress& p) { progress.push_back(p); };
    ASSERT_TRUE(archive::BuildArchiveSite(Out(), options).ok);
    ASSERT_FALSE(progress.empty());
    std::set<std::int64_t> reading;
    for (std::size_t i = 0; i < progress.size(); ++i) {
        // The total is known once the saved pages were looked at.
        if (!progress[i].step.starts_with("Looking")) {
            EXPECT_EQ(progress[i].total, 2100);
        }
        if (i > 0) {
            EXPECT_LE(progress[i - 1].done, progress[i].done);
        }
        if (progress[i].step.starts_with("Reading")) reading.insert(progress[i].done / 100);
    }
    EXPECT_EQ(reading.size(), 22u);  // every hundred pages, 0 to 2100
    EXPECT_EQ(progress.back().done, 2100);
}

TEST_F(SiteBuilderTest, AStoppedBuildIsFinishedByTheNext) {
    for (int n = 1; n <= 30; ++n)
        SaveMessage("Walkers", n * 100, "Walk " + std::to_string(n), "Dec 1, 2004");
    std::atomic<bool> stop{false};
    archive::TSiteOptions options;
    options.stop = &stop;
    options.progress = [&](const archive::TSiteProgress& p) {
        if (p.done >= 5) stop = true;
    };
    const archive::TSiteResult stopped = archive::BuildArchiveSite(Out(), options);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(stopped.ok);
    EXPECT_LT(stopped.pagesRead, 30);

    const archive::TSiteResult done = archive::BuildArchiveSite(Out());
    ASSERT_TRUE(done.ok) << done.failure;
    EXPECT_EQ(done.messages, 30);
    EXPECT_TRUE(Has(ReadFile(Site() + "groups/Walkers/index.html"), "30 messages"));
    EXPECT_TRUE(Has(ReadFile(Site() + "index.html"), "Walkers"));
}

}  // namespace
}  // namespace tessaly
