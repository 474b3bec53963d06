// Saved pages listed with or without their facts (the last written of two files of one number
// counts either way) and read from their open folder: a page is read whole whether it has the
// size its listing gave or grew or shrank since, a page listed without facts gets them when it
// is read, and a page or folder that is not there reads as nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "archive/SavedPages.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class SavedPagesTest : public test::TempHomeTest {};

TEST_F(SavedPagesTest, PagesAreReadWholeWhateverSizeTheListingGave) {
    std::string big(300000, 'b');
    big[123456] = '\0';  // bytes, not a C string
    struct Case {
        std::string label, content;
        std::uint64_t listed;
    };
    const Case cases[] = {
        {"the listed size", "<html>page</html>", 17},
        {"grew since the listing", "<html>a longer page than before</html>", 10},
        {"shrank since the listing", "<html>short</html>", 4000},
        {"empty", "", 0},
        {"listed as empty, then written", big, 0},
        {"a big page of its listed size", big, big.size()},
    };
    const std::string folder = Dir() + "Messages/Walkers";
    std::filesystem::create_directories(folder);
    const archive::TPageFolder pages(folder);  // no trailing "/"
    for (const Case& c : cases) {
        const std::string name = "page-" + std::to_string(&c - cases) + ".html";
        WriteFile(folder + "/" + name, c.content);
        archive::TSavedPageFile listed{1, name, c.listed, 1};  // a time: the size is taken
        const auto read = pages.Read(listed);
        ASSERT_TRUE(read.has_value()) << c.label;
        EXPECT_EQ(*read, c.content) << c.label;
    }
    archive::TSavedPageFile gone{2, "gone.html", 10, 1}, elsewhere{1, "page-0.html", 17, 0};
    EXPECT_FALSE(pages.Read(gone).has_value());
    const archive::TPageFolder missing(Dir() + "no such folder/");
    EXPECT_FALSE(missing.Read(elsewhere).has_value());
    EXPECT_EQ(archive::ReadWholeFile(folder + "/page-4.html"), big);
}

TEST_F(SavedPagesTest, TheLastWrittenOfOneNumberCountsWithOrWithoutFacts) {
    const std::string folder = Dir() + "Messages/";
    std::filesystem::create_directories(folder + "0000009.html");  // a folder is no page
    const auto now = std::filesystem::file_time_type::clock::now();
    struct Saved {
        std::string name;
        int age;  // hours
    };
    for (const Saved& f :
         {Saved{"0000001.html", 5}, Saved{"_01__03__2005_10_23_AM_0000001.html", 1},
          Saved{"0000002.html", 1}, Saved{"_01__03__2005_10_23_AM_0000002.html", 5},
          Saved{"0000003.html", 2}, Saved{"notes.html", 0}}) {
        WriteFile(folder + f.name, "page " + f.name);
        std::filesystem::last_write_time(folder + f.name, now - std::chrono::hours(f.age));
    }
    for (const bool withFacts : {true, false}) {
        std::vector<archive::TSavedPageFile> pages = archive::ListSavedPages(folder, withFacts);
        ASSERT_EQ(pages.size(), 3u) << withFacts;
        EXPECT_EQ(pages[0].file, "_01__03__2005_10_23_AM_0000001.html") << withFacts;
        EXPECT_EQ(pages[1].file, "0000002.html") << withFacts;
        EXPECT_EQ(pages[2].file, "0000003.html") << withFacts;
        // Read, each page has the facts a listing with them gives.
        const archive::TPageFolder read(folder);
        for (archive::TSavedPageFile& p : pages) {
            EXPECT_EQ(read.Read(p), "page " + p.file);
            struct stat st {};
            ASSERT_EQ(::stat((folder + p.file).c_str(), &st), 0);
            EXPECT_EQ(p.size, static_cast<std::uint64_t>(st.st_size)) << p.file;
            EXPECT_EQ(p.mtimeNs, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec) << p.file;
        }
    }
}

}  // namespace
}  // namespace tessaly
