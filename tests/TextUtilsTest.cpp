#include <gtest/gtest.h>

#include "text/LineEnds.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

TEST(TextUtils, CaseInsensitiveTestsFoldOnlyAsciiLetters) {
    EXPECT_TRUE(ContainsText("abc", "xxABCxx"));
    EXPECT_FALSE(ContainsStr("abc", "xxABCxx"));
    EXPECT_TRUE(SameText("Group", "gROUP"));
    EXPECT_FALSE(SameText("Group", "Groups"));
    EXPECT_TRUE(StartsText("HTTP://", "http://host"));
    EXPECT_TRUE(EndsText(".JPG", "photo.jpg"));
    EXPECT_FALSE(StartsStr("HTTP", "http://host"));
    // Bytes of multi-byte characters are never folded into each other.
    EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));
    EXPECT_LT(CompareText("apple", "Banana"), 0);
}

TEST(TextUtils, ReplaceTextKeepsTheCaseOfTheRest) {
    EXPECT_EQ(ReplaceText("Http://A/hTTp://b", "http://", ""), "A/b");
    EXPECT_EQ(ReplaceText("aXbxc", "x", "--"), "a--b--c");
    EXPECT_EQ(ReplaceAllStr("aXbxc", "x", "--"), "aXb--c");
    EXPECT_EQ(ReplaceChar("a/b/c", '/', "\\\\"), "a\\\\b\\\\c");
    EXPECT_EQ(SlashToBackslash("a/b"), "a\\b");
    EXPECT_EQ(BackslashToSlash("a\\b"), "a/b");
    EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
}

TEST(TextUtils, DigitTests) {
    struct Case {
        const char* text;
        bool digits;
        bool dotted;
    };
    for (const Case& c :
         {Case{"", false, false}, Case{"007", true, true}, Case{"1.5", false, true},
          Case{"2.0.0.5", false, true}, Case{"12a", false, false}, Case{"-1", false, false}}) {
        EXPECT_EQ(IsAllDigits(c.text), c.digits) << c.text;
        EXPECT_EQ(IsDottedNumber(c.text), c.dotted) << c.text;
    }
}

TEST(TextUtils, FileNameParts) {
    EXPECT_EQ(FileNameWithoutExtension("/x/photo.jpg"), "photo");
    EXPECT_EQ(FileNameWithoutExtension("/x/archive.tar.gz"), "archive.tar");
    // Only the first occurrence of the extension goes.
    EXPECT_EQ(FileNameWithoutExtension("a.b.a.b"), "a.a.b");
    EXPECT_EQ(FileNameWithoutExtension("/x/README"), "README");
    EXPECT_EQ(ExtractFileExt("/x.y/file"), "");
}

TEST(TextUtils, SplitFirstAndSplitToList) {
    std::string text = "a,b,,c";
    std::string head;
    SplitFirst(text, ',', head);
    EXPECT_EQ(head, "a");
    EXPECT_EQ(text, "b,,c");
    text = "abc";
    SplitFirst(text, ',', head);
    EXPECT_EQ(head, "abc");
    EXPECT_EQ(text, "");

    std::vector<std::string> list{"old"};
    SplitToList("a,b,,c", ',', list);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b"}));
}

TEST(TextUtils, RangeFunctionsAreOneBasedAndNeverFail) {
    EXPECT_EQ(PosFrom('b', "abcb"), 2u);
    EXPECT_EQ(PosFrom('b', "abcb", 3), 4u);
    EXPECT_EQ(PosFrom('b', "abcb", 9), 0u);
    EXPECT_EQ(PosFrom("CB", "abcb", 1, true), 3u);
    EXPECT_EQ(PosFrom("CB", "abcb", 1, false), 0u);
    EXPECT_EQ(LastPos('b', "abcb"), 4u);
    EXPECT_EQ(CopyFrom("abcdef", 3), "cdef");
    EXPECT_EQ(CopyFrom("abc", 0), "");
    EXPECT_EQ(CopyFrom("abc", 7), "");
    EXPECT_EQ(CopyRange("abcdef", 2, 3), "bcd");
    EXPECT_EQ(CopyRange("abcdef", 5, 99), "ef");
    EXPECT_EQ(CopyUpTo("abcdef", 3), "ab");
    EXPECT_EQ(CopyUpTo("abc", 99), "abc");
    EXPECT_EQ(CopyFirst("abc", 99), "abc");
    EXPECT_EQ(Trim("\t \x01 a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_TRUE(StartsAt("cd", "abcdef", 3));
    EXPECT_FALSE(StartsAt("cd", "abcdef", 0));
    EXPECT_EQ(SplitAll("a::b", ':'), (std::vector<std::string>{"a", "", "b"}));
    std::string h, t;
    SplitOnce("k=v=w", '=', h, t);
    EXPECT_EQ(h, "k");
    EXPECT_EQ(t, "v=w");
    EXPECT_EQ(LastChar(""), '\0');
    std::string s = "ab";
    DropLastChar(s);
    EXPECT_EQ(s, "a");
}

// Every line of a saved page ends with CR LF: a line ends at CR LF, a lone LF or a lone CR,
// the last line gets one, and no empty line is added after a final line end. A page already in
// CR LF is the page itself, not a copy.
TEST(LineEnds, EveryLineEndsWithCrLf) {
    struct Case {
        const char* text;
        const char* saved;
    };
    const Case cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\nb", "a\r\nb\r\n"},
        {"a\rb\r", "a\r\nb\r\n"},
        {"a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd\r\n"},
        {"a\n\nb\n", "a\r\n\r\nb\r\n"},
        {"a\r\r\nb", "a\r\n\r\nb\r\n"},
        {"a\n\rb", "a\r\n\r\nb\r\n"},
        {"\n", "\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        std::string buffer;
        EXPECT_EQ(CrLfLines(c.text, buffer), c.saved);
    }
    const std::string page = "<html>\r\n<p>x</p>\r\n";
    std::string buffer;
    EXPECT_EQ(CrLfLines(page, buffer).data(), page.data());
}

}  // namespace
}  // namespace tessaly
