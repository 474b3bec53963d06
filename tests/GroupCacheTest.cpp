#include <gtest/gtest.h>

#include "registry/GroupCache.h"
#include "registry/ProgramRegistry.h"
#include "registry/RegistryAccess.h"
#include "registry/RegistryLayout.h"
#include "settings/DownloadOptions.h"
#include "support/TestEnv.h"
#include "text/Scramble.h"

namespace tessaly {
namespace {

class GroupCacheTest : public test::TempHomeTest {};

TEST(GroupState, FlagRules) {
    struct Case {
        const char* state;
        TGroupFlag which;
        bool value;
        const char* want;
    };
    const Case cases[] = {
        {"C:N", TGroupFlag::Check, false, ":N:U"},
        {":N:U", TGroupFlag::Favourite, true, ":U:F"},
        {"C:N", TGroupFlag::Check, true, ":C:N"},
        {"C:N:A120", TGroupFlag::Check, false, ":N:A120:U"},
        {"", TGroupFlag::Favourite, true, "F"},
        {"::c::n", TGroupFlag::Favourite, false, ":c:n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WithGroupFlag(c.state, c.which, c.value), c.want) << c.state;
}

TEST(GroupState, MarksAndPositions) {
    EXPECT_FALSE(GroupMarksOf(":U:F").checked);
    EXPECT_TRUE(GroupMarksOf(":U:F").favourite);
    EXPECT_TRUE(GroupMarksOf("").checked);
    EXPECT_FALSE(GroupMarksOf("").favourite);

    EXPECT_EQ(WithLastPosition(":N:A120:U", 150), ":N:A150:U");
    EXPECT_EQ(WithLastPosition("C:N", 7), ":C:N:A7");
    EXPECT_EQ(WithLastPosition("C:N", 0), std::nullopt);
    EXPECT_EQ(WithLastPosition("", 5), std::nullopt);

    struct Case {
        const char* state;
        std::int64_t want;
    };
    for (const Case& c :
         {Case{":N:A150:U", 150}, Case{"C:N", -1}, Case{"C:Axy", -1}, Case{"a12:A13", 13},
          Case{"", -1}, Case{"A", -1}, Case{"A99999999999999999999999", -1}}) {
        EXPECT_EQ(LastPositionOf(c.state), c.want) << c.state;
    }
}

TEST_F(GroupCacheTest, CacheOperationsInTheRegistry) {
    EXPECT_TRUE(LoadCachedGroupNames("").empty());
    CacheNewGroups("  ", {"ignored"});
    CacheNewGroups("member", {"GroupOne", "groupTwo"});
    EXPECT_EQ(LoadCachedGroupNames("member"), (std::vector<std::string>{"GroupOne", "groupTwo"}));
    EXPECT_EQ(
        ReadRegString(RegRoot::CurrentUser, "\\Software\\Tessaly2\\Profiles\\member\\GroupOne"),
        "C:N");

    SetGroupFlag("member", "GroupOne", TGroupFlag::Check, false);
    SetLastPosition("member", "GroupOne", 150);
    EXPECT_EQ(ReadGroupState("member", "GroupOne"), ":N:U:A150");
    EXPECT_EQ(GetLastPosition("member", "groupone"), 150);
    EXPECT_EQ(GetLastPosition("member", "groupTwo"), -1);

    SetLastPosition("member", "NotCached", 5);
    EXPECT_FALSE(
        RegValueExists(RegRoot::CurrentUser, "\\Software\\Tessaly2\\Profiles\\member\\NotCached"));
    // Group names with a key delimiter stay one value.
    CacheNewGroups("member", {"odd\\name"});
    SetGroupFlag("member", "odd\\name", TGroupFlag::Favourite, true);
    EXPECT_EQ(ReadGroupState("member", "odd\\name"), ":C:F");
}

TEST_F(GroupCacheTest, ProgramValues) {
    MarkStartValue();
    EXPECT_EQ(ReadRegString(RegRoot::CurrentUser, "\\Software\\Tessaly2\\StartValue"), "2");

    StoreUserName("member");
    EXPECT_EQ(ReadRegString(RegRoot::CurrentUser, "\\Software\\Tessaly2\\UMask"),
              ScrambleText("member", kUserNameScrambleKey));
    EXPECT_EQ(StoredUserName(), "member");

    // No NoPass value, or a true one: the password is not stored.
    EXPECT_FALSE(StorePassword("secret"));
    WriteRegValue(RegRoot::CurrentUser, "\\Software\\Tessaly2\\NoPass", true,
                  TRegValueKind::Boolean);
    EXPECT_FALSE(StorePassword("secret"));
    EXPECT_FALSE(RegValueExists(RegRoot::CurrentUser, "\\Software\\Tessaly2\\Persistence"));
    WriteRegValue(RegRoot::CurrentUser, "\\Software\\Tessaly2\\NoPass", false,
                  TRegValueKind::Boolean);
    EXPECT_TRUE(StorePassword("secret"));
    EXPECT_EQ(StoredPassword(), "secret");

    struct Mode {
        std::uint8_t section;
        std::uint32_t stored;
    };
    for (Mode m : {Mode{TYahooDownloadOptions::kSectionFiles, 0},
                   Mode{TYahooDownloadOptions::kSectionPhotos, 1},
                   Mode{TYahooDownloadOptions::kSectionMessages, 2},
                   Mode{TYahooDownloadOptions::kSectionAttachments, 3}}) {
        EXPECT_EQ(SectionToDLMode(m.section), m.stored);
    }
    EXPECT_EQ(ReadDLMode(), TYahooDownloadOptions::kSectionFiles);  // missing
    WriteDLMode(TYahooDownloadOptions::kSectionPhotos);
    EXPECT_EQ(ReadDLMode(), TYahooDownloadOptions::kSectionPhotos);
    WriteDLMode(TYahooDownloadOptions::kSectionAttachments);  // stored as 3, read back as Files
    EXPECT_EQ(ReadDLMode(), TYahooDownloadOptions::kSectionFiles);

    EXPECT_FALSE(ReadUpdatedCheckedOn());
    const TDateTime when = EncodeDateTime(2026, 12, 10, 12, 0, 0);
    WriteUpdatedCheckedOn(when);
    EXPECT_DOUBLE_EQ(*ReadUpdatedCheckedOn(), when);
    EXPECT_DOUBLE_EQ(when, 46366.5);

    EXPECT_FALSE(ReadOldFormat());
    WriteUseCache(true);
    EXPECT_TRUE(ReadUseCache());
}

}  // namespace
}  // namespace tessaly
