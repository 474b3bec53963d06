// Group list files, the group mail scanner and the name lists of the grabbed groups editor.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>
#include <random>

#include "registry/GroupCache.h"
#include "registry/NameSources.h"
#include "service/ServiceHosts.h"
#include "settings/GroupListFile.h"
#include "support/TestEnv.h"
#include "text/GroupMailScanner.h"

namespace tessaly {
namespace {

using Names = std::vector<std::string>;

class GroupListFileTest : public test::TempHomeTest {
protected:
    std::string Path() const { return Dir() + "list.ygrp"; }
};

TEST_F(GroupListFileTest, ReadsTheKeysPresentSortedWithoutRepeats) {
    struct Case {
        const char* content;
        Names want;
    };
    const Case cases[] = {
        // A gap in the numbering: only the names present.
        {"[Groups]\nCount=3\n0=beta\n2=alpha\n", {"alpha", "beta"}},
        // Blanks trimmed, empty names and repeats in another case dropped (the first one kept).
        {"[Groups]\nCount=5\n0= Zed \n1=  \n2=zed\n3=Able\n4=able\n", {"Able", "Zed"}},
        // Keys beyond Count, non-canonical keys and other sections are not names.
        {"[Groups]\nCount=2\n0=a\n1=b\n2=c\n01=d\n+1=e\n[Other]\n0=f\n", {"a", "b"}},
        // A key listed twice counts with its first line.
        {"[Groups]\nCount=1\n0=first\n0=second\n", {"first"}},
        {"[Groups]\n0=a\n", {}},            // no Count: an empty list
        {"[Groups]\nCount=-4\n0=a\n", {}},  // a negative Count too
        {"[groups]\ncount=$2\n1=hex\n", {"hex"}},
    };
    for (const Case& c : cases) {
        WriteFile(Path(), c.content);
        const TListResult read = ReadGroupList(Path(), kGroupListSection, nullptr);
        EXPECT_TRUE(read.Ok()) << c.content << read.error;
        EXPECT_EQ(read.names, c.want) << c.content;
    }
}

TEST_F(GroupListFileTest, AHostileCountCostsOnlyTheLinesPresent) {
    WriteFile(Path(), "[Groups]\nCount=2000000000\n0=one\n1999999999=last\n");
    std::vector<std::string> status;
    const TListResult read = ReadGroupList(
        Path(), kGroupListSection, [&status](const std::string& s) { status.push_back(s); });
    ASSERT_TRUE(read.Ok()) << read.error;
    EXPECT_EQ(read.names, (Names{"last", "one"}));
    EXPECT_EQ(status, (Names{"Reading Group 1 of 2000000000",
                             "Reading Group 2000000000 of "
                             "2000000000"}));
}

TEST_F(GroupListFileTest, UnreadableFilesAreErrors) {
    EXPECT_FALSE(ReadGroupList(Dir() + "missing.ygrp", kGroupListSection, nullptr).Ok());
    EXPECT_FALSE(ReadGroupList(Dir(), kGroupListSection, nullptr).Ok());  // a folder
}

TEST_F(GroupListFileTest, WritingReplacesTheSectionAndKeepsTheRest) {
    WriteFile(Path(),
              "[Before]\nx=1\n[Groups]\nCount=3\n0=old\n1=old2\n2=old3\nstray\n[After]\ny=2\n");
    std::vector<std::string> status;
    const TListResult written =
        WriteGroupList(Path(), kGroupListSection,
                       [&status](const std::string& s) { status.push_back(s); }, {" b ", "a"});
    ASSERT_TRUE(written.Ok()) << written.error;
    EXPECT_EQ(ReadFile(Path()),
              "[Before]\r\nx=1\r\n\r\n[After]\r\ny=2\r\n\r\n"
              "[Groups]\r\nCount=2\r\n0=b\r\n1=a\r\n\r\n");
    EXPECT_EQ(status, (Names{"Writing Group 1 of 2", "Writing Group 2 of 2"}));
    EXPECT_EQ(ReadGroupList(Path(), kGroupListSection, nullptr).names, (Names{"a", "b"}));

    // An empty list: the section with Count=0 alone.
    ASSERT_TRUE(WriteGroupList(Dir() + "empty.ygrp", kGroupListSection, nullptr, {}).Ok());
    EXPECT_EQ(ReadFile(Dir() + "empty.ygrp"), "[Groups]\r\nCount=0\r\n\r\n");
}

TEST_F(GroupListFileTest, WriteFailuresAreErrors) {
    EXPECT_FALSE(
        WriteGroupList(Dir() + "no/such/folder/list.ygrp", kGroupListSection, nullptr, {"a"}).Ok());
    EXPECT_FALSE(WriteGroupList(Dir(), kGroupListSection, nullptr, {"a"}).Ok());  // a folder
}

// The scanner against the regular expression it stands for, run by Qt's PCRE engine with the
// domain's dots left unescaped.
Names RegexMatches(const std::string& text, const std::string& domain) {
    const QRegularExpression re(
        QStringLiteral("[_a-zA-Z\\d\\-\\.]+@") + QString::fromStdString(domain),
        QRegularExpression::DotMatchesEverythingOption);
    Names out;
    auto it = re.globalMatch(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    while (it.hasNext()) out.push_back(it.next().captured(0).toLatin1().toStdString());
    return out;
}

Names ScannerMatches(const std::string& text, const std::string& domain) {
    Names out;
    ScanGroupMailAddresses(text, domain, [&out](std::string_view m) { out.emplace_back(m); });
    return out;
}

TEST(GroupMailScanner, MatchesAsTheRegularExpression) {
    const std::string d = hosts::kGroupsMailDomain;
    struct Case {
        std::string text;
        Names want;
    };
    const Case cases[] = {
        {"write to mygroup@" + d + " now", {"mygroup@" + d}},
        {"<my.group-x_1@" + d + ">", {"my.group-x_1@" + d}},
        // The domain's dot stands for any character, a line break too.
        {"a@yahoogroupsXcom b@yahoogroups\ncom", {"a@yahoogroupsXcom", "b@yahoogroups\ncom"}},
        // ...and for an "@", so an address may hold two.
        {"a@yahoogroups@com", {"a@yahoogroups@com"}},
        // Letters compare with their case; blanks and other characters end the name.
        {"a@YahooGroups.com b c+d@" + d, {"d@" + d}},
        // Matches do not overlap: the next one starts after the domain.
        {"a@" + d + "b@" + d, {"a@" + d, "b@" + d}},
        {"a@" + d + "@" + d, {"a@" + d}},
        {"@" + d + " x@@" + d + " y@" + d.substr(0, 6), {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScannerMatches(c.text, d), c.want) << c.text;
        EXPECT_EQ(RegexMatches(c.text, d), c.want) << c.text;
    }
}

TEST(GroupMailScanner, AgreesWithTheRegularExpressionOnRandomText) {
    // Short texts over the characters that matter, with a short domain so that matches are
    // frequent.
    const std::string domain = "g.c";
    const std::string alphabet = "ab-._@@@g.cG\n xZ9";
    std::mt19937 random(14);
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 24, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(ScannerMatches(text, domain), RegexMatches(text, domain)) << "[" << text << "]";
    }
}

TEST(GroupMailScanner, GroupNamesOfAddresses) {
    struct Case {
        const char* match;
        const char* want;
    };
    const Case cases[] = {
        {"mygroup@yahoogroups.com", "mygroup"},
        {"mygroup-unsubscribe@yahoogroups.com", "mygroup"},
        {"my-group-Subscribe@yahoogroups.com", "my-group"},
        {"mygroup-OWNER@yahoogroups.com", "mygroup"},
        {"mygroup-moderator@yahoogroups.com", "mygroup"},
        // The cut is at the last "-", wherever the service word stands.
        {"a-owner-x@yahoogroups.com", "a-owner"},
        {"mygroup-owners@yahoogroups.com", "mygroup"},
        {"-owner@yahoogroups.com", ""},
        {"a@yahoogroups@com", "a@yahoogroups"},
    };
    for (const Case& c : cases) EXPECT_EQ(GroupNameOfAddress(c.match), c.want) << c.match;

    const std::string d = hosts::kGroupsMailDomain;
    EXPECT_EQ(GroupNamesInMailText(
                  "From: mygroup-unsubscribe@" + d + "\nTo: mygroup@" + d + "\n-owner@" + d, d),
              (Names{"mygroup", "mygroup"}));
}

TEST(GroupMailScanner, ALargeAdversarialTextTakesOnePass) {
    // A backtracking search would try every start in the long runs and every "@" without its
    // domain again and again; the scanner looks at each character a bounded number of times.
    // (The test's time limit is the check: a quadratic search would not end within it.)
    const std::string d = hosts::kGroupsMailDomain;
    std::string text(20 << 20, 'a');
    std::string nearMiss = "x@" + d.substr(0, d.size() - 1) + " ";
    while (text.size() < (40u << 20)) text += nearMiss;
    text += "@" + d + " last@" + d;
    EXPECT_EQ(GroupNamesInMailText(text, d), (Names{"last"}));
}

class NameSourcesTest : public test::TempHomeTest {};

TEST_F(NameSourcesTest, FileSourcesKeepOneKeyPerEntry) {
    const TNameSource groups{TNameSourceKind::GrabbedGroups, {}};
    const TNameSource urls{TNameSourceKind::GrabbedURLs, {}};
    EXPECT_TRUE(ReadNameSource(groups).names.empty());  // no file yet
    ASSERT_TRUE(AddToNameSource(groups, {"beta", "alpha"}).Ok());
    ASSERT_TRUE(AddToNameSource(urls, {"http://x.example/"}).Ok());
    ASSERT_TRUE(RenameInNameSource(groups, "beta", "gamma").Ok());
    EXPECT_EQ(ReadNameSource(groups).names, (Names{"alpha", "gamma"}));
    ASSERT_TRUE(RemoveFromNameSource(groups, "ALPHA").Ok());
    EXPECT_EQ(ReadFile(NameSourceFileName(TNameSourceKind::GrabbedGroups)),
              "[DATA]\r\ngamma=y\r\n\r\n");
    EXPECT_EQ(ReadNameSource(urls).names, (Names{"http://x.example/"}));
    EXPECT_FALSE(NameFitsSource(groups, "a=b"));
    EXPECT_TRUE(NameFitsSource(groups, std::string(253, 'n')));
    EXPECT_FALSE(NameFitsSource(groups, std::string(254, 'n')));

    // A store that cannot be written is an error, and a change is not half made.
    const std::string file = NameSourceFileName(TNameSourceKind::GrabbedURLs);
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_FALSE(ReadNameSource(urls).Ok());
    EXPECT_FALSE(AddToNameSource(urls, {"y"}).Ok());
}

TEST_F(NameSourcesTest, MembersCachesAreSourcesOfTheirOwn) {
    CacheNewGroups("member", {"one", "two", "three"});
    WriteGroupState("member", "two", ":U:F:A120");
    const Names captions = [] {
        Names c;
        for (const TNameSource& s : ListNameSources()) c.push_back(s.Caption());
        return c;
    }();
    EXPECT_EQ(captions, (Names{"[Grabbed Groups]", "[Grabbed URLs]", "member"}));

    const TNameSource cache{TNameSourceKind::GroupCache, " member "};  // trimmed
    ASSERT_TRUE(RenameInNameSource(cache, "TWO", "deux").Ok());
    ASSERT_TRUE(AddToNameSource(cache, {"four"}).Ok());
    ASSERT_TRUE(RemoveFromNameSource(cache, "one").Ok());
    EXPECT_EQ(ReadNameSource(cache).names, (Names{"deux", "three", "four"}));
    // A renamed or added group has lost its marks and position: unchecked, not favourite.
    EXPECT_EQ(FindGroupState("member", "deux"), "");
    EXPECT_FALSE(CachedGroupMarks("member", "deux").checked);
    EXPECT_EQ(GetLastPosition("member", "deux"), -1);
    EXPECT_TRUE(NameFitsSource(cache, "a=b"));
    // A name the list no longer holds is written all the same.
    ASSERT_TRUE(RenameInNameSource(cache, "gone", "back").Ok());
    EXPECT_EQ(ReadNameSource(cache).names, (Names{"deux", "three", "four", "back"}));
}

}  // namespace
}  // namespace tessaly
