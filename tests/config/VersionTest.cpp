#include <gtest/gtest.h>

#include "service/ProgramVersion.h"
#include "text/Version.h"

namespace tessaly {
namespace {

struct CompareCase {
    const char* a;
    const char* b;
    int order;  // sign of CompareVersions(a, b)
};

TEST(VersionTest, PartsCompareAsIntegers) {
    const CompareCase cases[] = {
        {"2.10", "2.9", 1}, {"10", "2", 1},      {"2", "2.0.0", 0},  {"2.0.1", "2", 1},
        {"1.99", "2", -1},  {"2.5", "2.50", -1}, {"02.1", "2.1", 0}, {"3", "2.99.99", 1},
    };
    for (const auto& c : cases) {
        const auto a = ParseVersion(c.a), b = ParseVersion(c.b);
        ASSERT_TRUE(a && b) << c.a << " " << c.b;
        const int got = CompareVersions(*a, *b);
        EXPECT_EQ((got > 0) - (got < 0), c.order) << c.a << " vs " << c.b;
    }
    for (const char* bad : {"", "beta", "2.", ".5", "2..1", "2.5a", "-1", "99999999999", "2 .1"})
        EXPECT_FALSE(ParseVersion(bad)) << bad;
}

TEST(VersionTest, DisplayDropsTrailingZeroParts) {
    EXPECT_EQ(VersionDisplayText("2.0.0"), "2");
    EXPECT_EQ(VersionDisplayText("2.10"), "2.10");
    EXPECT_EQ(VersionDisplayText("0"), "0");
    EXPECT_EQ(VersionDisplayText("beta"), "beta");
    EXPECT_EQ(ProgramVersion(), TESSALY_TEST_PROJECT_VERSION);
}

}  // namespace
}  // namespace tessaly
