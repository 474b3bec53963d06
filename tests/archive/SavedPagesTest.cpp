// Reading saved pages from their open folder: a page is read whole whether it has the size its
// listing gave or grew or shrank since, and a page or folder that is not there reads as nothing.
#include <gtest/gtest.h>

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
        const auto read = pages.Read(archive::TSavedPageFile{1, name, c.listed, 0});
        ASSERT_TRUE(read.has_value()) << c.label;
        EXPECT_EQ(*read, c.content) << c.label;
    }
    EXPECT_FALSE(pages.Read(archive::TSavedPageFile{2, "gone.html", 10, 0}).has_value());
    const archive::TPageFolder missing(Dir() + "no such folder/");
    EXPECT_FALSE(missing.Read(archive::TSavedPageFile{1, "page-0.html", 17, 0}).has_value());
    EXPECT_EQ(archive::ReadWholeFile(folder + "/page-4.html"), big);
}

}  // namespace
}  // namespace tessaly
