// End to end: the demo groups' four sections downloaded by tessaly-cli from the simulated
// service, the archive built over them, and its pages opened in headless Chromium: a link
// followed from the top page down to a saved message, and a search for a word that exactly two
// messages hold. Also the mbox export of a group.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "support/CliFixture.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

constexpr const char* kChromium = "/usr/bin/chromium";

class ArchiveCliTest : public test::CliSectionTest {
protected:
    // The page at `file` (with `query`) as Chromium has it once its scripts ran.
    std::string Dom(const std::string& file, const std::string& query = "") {
        const test::CliRun run =
            test::RunCli("/usr/bin/timeout",
                         {"120", kChromium, "--headless", "--no-sandbox", "--disable-gpu",
                          "--user-data-dir=" + Dir() + "chromium", "--virtual-time-budget=10000",
                          "--dump-dom", "file://" + file + query},
                         "");
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }
    // The targets of the page's links, resolved against the page's folder.
    static std::vector<std::string> Links(const std::string& page, const std::string& dom) {
        std::vector<std::string> links;
        static const std::regex href("<a [^>]*href=\"([^\"#?]+)\"");
        const fs::path folder = fs::path(page).parent_path();
        for (auto it = std::sregex_iterator(dom.begin(), dom.end(), href);
             it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            if (target.find(':') != std::string::npos) continue;
            links.push_back((folder / target).lexically_normal().string());
        }
        return links;
    }
    static std::string Find(const std::vector<std::string>& links, const std::string& ending) {
        for (const auto& l : links) {
            if (l.ends_with(ending)) return l;
        }
        ADD_FAILURE() << "no link ending in " << ending;
        return {};
    }
};

TEST_F(ArchiveCliTest, DownloadedSectionsBrowseAndSearchInChromium) {
    ASSERT_TRUE(fs::exists(kChromium)) << "install Chromium (scripts/bootstrap does)";
    for (const char* section : {"messages", "attachments", "files", "photos"}) {
        const test::CliRun run = Download(section, {"--all", "--threads", "4"});
        // The demo data stages failures on purpose (blocked attachments, an empty group).
        EXPECT_TRUE(run.status == 0 || run.status == 3) << section << run.out << run.err;
    }
    const test::CliRun built = Run({"archive", "build", Out()});
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    const std::string site = Out() + "Archive/";
    EXPECT_NE(built.out.find("Archive: " + site + "index.html"), std::string::npos) << built.out;

    // From the top page to the group, to its first page of numbers, to message 13.
    const std::string top = site + "index.html";
    const std::string group = Find(Links(top, Dom(top)), "/groups/DemoGroup/index.html");
    const std::string groupDom = Dom(group);
    EXPECT_NE(groupDom.find("37 messages, numbered 1 to 40"), std::string::npos) << groupDom;
    const std::string numbers = Find(Links(group, groupDom), "/numbers-0000000.html");
    const std::string message =
        Find(Links(numbers, Dom(numbers)), "/Messages/DemoGroup/0000013.html");
    ASSERT_TRUE(fs::exists(message)) << message;
    EXPECT_NE(Dom(message).find("A quetzal was seen"), std::string::npos);
    // The Files and Photos pages, with thumbnails of the pictures.
    const std::string photos = Dom(site + "groups/DemoGroup/photos.html");
    EXPECT_NE(photos.find("walk15.jpg"), std::string::npos);
    std::size_t thumbs = 0;
    for (std::size_t at = photos.find("<img class=\"thumb\""); at != std::string::npos;
         at = photos.find("<img class=\"thumb\"", at + 1))
        ++thumbs;
    EXPECT_EQ(thumbs, 19u);
    EXPECT_NE(Dom(site + "groups/DemoGroup/files.html").find("annual report.pdf"),
              std::string::npos);

    // The search runs in the page and lists both messages holding the word, and only them.
    const std::string search = Dom(site + "search.html", "?q=Quetzal");
    std::set<std::string> hits;
    static const std::regex hit("class=\"hit\" data-group=\"([^\"]+)\" data-number=\"([0-9]+)\"");
    for (auto it = std::sregex_iterator(search.begin(), search.end(), hit);
         it != std::sregex_iterator(); ++it)
        hits.insert(std::string((*it)[1]) + "#" + std::string((*it)[2]));
    EXPECT_EQ(hits, (std::set<std::string>{"DemoGroup#13", "DemoGroup#27"})) << search;
    EXPECT_NE(search.find("2 messages match"), std::string::npos) << search;
    for (const auto& link : Links(site + "search.html", search)) {
        if (link.find("/Messages/") != std::string::npos) {
            EXPECT_TRUE(fs::exists(link)) << link;
        }
    }

    // A second build after nothing changed reads and writes nothing.
    const test::CliRun again = Run({"archive", "build", Out()});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("0 saved pages read, 0 site files written"), std::string::npos)
        << again.out;

    // The mbox export of the group: every message but the purged one.
    const test::CliRun mbox =
        Run({"archive", "mbox", Out(), "DemoGroup", "--out", Dir() + "demo.mbox"});
    ASSERT_EQ(mbox.status, 0) << mbox.err;
    EXPECT_NE(mbox.out.find("36 messages of DemoGroup; 1 deleted from the group left out"),
              std::string::npos)
        << mbox.out;
    const std::string file = ReadFile(Dir() + "demo.mbox");
    EXPECT_NE(file.find("\n>From the top of the ridge"), std::string::npos);
    EXPECT_EQ(Run({"archive", "mbox", Out(), "NoSuchGroup", "--out", Dir() + "x.mbox"}).status, 2);
}

}  // namespace
}  // namespace tessaly
