// Names from the service as file and folder names: the cleaner's mapping, and one safe segment
// whatever the name holds.
#include <gtest/gtest.h>

#include "files/SafeNames.h"

namespace tessaly {
namespace {

TEST(SafeNames, TheCleanersMapping) {
    EXPECT_EQ(CreateProperFilename("a:b?.txt"), "a_b%3F.txt");
    EXPECT_EQ(CreateProperFilename("<x>*\"\\y"), "%3Cx%3E%2A%22_y");
    EXPECT_EQ(MakeSafeFolderName("x*y\\z"), "x%2Ay\\z");
}

TEST(SafeNames, OneSegmentWhateverTheNameHolds) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"report.pdf", "report.pdf"},
        {"  spaced  ", "spaced"},
        {"..", "_"},
        {".", "_"},
        {"", "_"},
        {"../../etc/passwd", "____etc_passwd"},
        {"..\\..\\x", "____x"},
        {std::string("a\0b", 3), "a_b"},
        {"a..b.txt", "a_b.txt"},
        {".hidden", ".hidden"},
    };
    for (const auto& c : cases) EXPECT_EQ(SafeSegment(c.in), c.out) << c.in;

    // Too long: cut to the limit, the extension kept, never inside a UTF-8 character.
    const std::string longName = std::string(300, 'a') + ".jpg";
    EXPECT_EQ(SafeSegment(longName), std::string(kMaxNameBytes - 4, 'a') + ".jpg");
    std::string accents;
    while (accents.size() < 400) accents += "\xC3\xA9";  // é
    const std::string cut = SafeSegment(accents + ".txt");
    EXPECT_LE(cut.size(), kMaxNameBytes);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".txt");
    EXPECT_EQ((cut.size() - 4) % 2, 0u);  // whole characters only
}

TEST(SafeNames, FolderPathsNeverClimb) {
    EXPECT_EQ(SafeFolderPath("/"), "");
    EXPECT_EQ(SafeFolderPath("/Minutes/2004/"), "Minutes/2004/");
    EXPECT_EQ(SafeFolderPath("/Maps%20%26%20Routes/"), "Maps & Routes/");
    EXPECT_EQ(SafeFolderPath("/x*y/"), "x%2Ay/");
    EXPECT_EQ(SafeFolderPath("/%2E%2E/%2e%2e%2f%2e%2e/a/"), "_/___/a/");
    EXPECT_EQ(SafeFolderPath("/a%2Fb/"), "a_b/");
    EXPECT_EQ(SafeFolderPath("/a%00b/"), "a_b/");
}

}  // namespace
}  // namespace tessaly
