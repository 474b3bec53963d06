#include <gtest/gtest.h>

#include "gui/DesktopLinks.h"
#include "gui/GroupTreeRules.h"
#include "registry/GroupCache.h"
#include "support/TestEnv.h"

namespace tessaly::test {
namespace {

TEST(GroupTreeRules, FindAndStartingWith) {
    const std::vector<std::string> texts = {"<member>", "Abc", "abd", "xab", " abe "};
    struct Case {
        const char* search;
        int from;
        int want;
    };
    for (const Case& c : {Case{"AB", 0, 1}, Case{"ab", 2, 2}, Case{"ab", 5, -1}, Case{"memb", 0, 0},
                          Case{"  ", 0, -1}, Case{"zz", 0, -1}}) {
        EXPECT_EQ(gui::FindItem(texts, c.search, c.from), c.want) << c.search << " " << c.from;
    }
    EXPECT_EQ(gui::ItemsStartingWith(texts, " ab "), (std::vector<int>{1, 2, 4}));
    EXPECT_TRUE(gui::ItemsStartingWith(texts, "<").empty());  // never the root
    EXPECT_EQ(gui::StartingWithMessage(2, true), "2 groups are selected");
}

TEST(DesktopLinks, PercentEncodesWhatTheUserTyped) {
    EXPECT_EQ(gui::MailToAddress("a@b.c", "Hi & bye", "line1\r\nx=1?#%"),
              "mailto:a@b.c?subject=Hi%20%26%20bye&body=line1%0D%0Ax%3D1%3F%23%25");
    EXPECT_EQ(gui::PercentEncode("\xC3\xA9-._~"), "%C3%A9-._~");
}

class GroupCacheStatesTest : public TempHomeTest {};

TEST_F(GroupCacheStatesTest, MissingIsCheckedEmptyIsNot) {
    WriteGroupState("member", "empty", "");
    WriteGroupState("member", "fav", ":U:F");
    EXPECT_EQ(FindGroupState("member", "missing"), std::nullopt);
    EXPECT_EQ(FindGroupState("member", "EMPTY"), "");
    EXPECT_TRUE(CachedGroupMarks("member", "missing").checked);
    EXPECT_FALSE(CachedGroupMarks("member", "empty").checked);
    EXPECT_FALSE(CachedGroupMarks("member", "empty").favourite);
    EXPECT_TRUE(CachedGroupMarks("member", "fav").favourite);

    SaveGroupMarks("member",
                   {{"empty", {true, true}}, {"fav", {true, false}}, {"new", {false, false}}});
    EXPECT_EQ(ReadGroupState("member", "empty"), ":C:F");
    EXPECT_EQ(ReadGroupState("member", "fav"), ":C:N");
    EXPECT_EQ(ReadGroupState("member", "new"), ":U:N");
}

}  // namespace
}  // namespace tessaly::test
