#include <gtest/gtest.h>

#include "text/UrlUtils.h"

namespace tessaly {
namespace {

TEST(UrlDecode, DecodesAndStopsAtBrokenEscapes) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : {Case{"a+b%20c%25%%d", "a b c%%d"}, Case{"abc%zz", "abc"},
                          Case{"abc%4", "abc"}, Case{"abc%", "abc"}, Case{"%41%42", "AB"},
                          Case{"%e9t%C3%A9", "\xE9t\xC3\xA9"}, Case{"", ""}}) {
        EXPECT_EQ(UrlDecode(c.in), c.out) << c.in;
    }
    EXPECT_EQ(UrlDecode("a%00b"), std::string("a\0b", 3));
}

TEST(ParseURL, FirstMatchingRuleWins) {
    struct Case {
        const char* url;
        ParsedUrl want;
    };
    const Case cases[] = {
        {"http://hostname/group/x/", {"http", "hostname", "/group/x/"}},
        {"  HTTPS://Host  ", {"https", "Host", ""}},
        {"http:host/p", {"http", "host", "/p"}},
        {"//host/p", {"", "host", "/p"}},
        {"//host", {"", "host", ""}},
        {"/abs/path", {"", "", "/abs/path"}},
        {"../up", {"", "", "../up"}},
        {"./here", {"", "", "./here"}},
        {"*", {"", "", "*"}},
        {"host:8080/p", {"", "host:8080", "/p"}},
        {"host:8080", {"", "host:8080", ""}},
        {"news:comp", {"news", "comp", ""}},
        {"mailto: someone@example.com ", {"mailto", "someone@example.com", ""}},
        {"someone@example.com", {"mailto", "someone@example.com", ""}},
        {"@nobody", {"", "", "@nobody"}},
        {"file:/etc/x", {"file", "", "/etc/x"}},
        {"c:\\dir\\f.txt", {"file", "", "c:\\dir\\f.txt"}},
        {"\\\\server\\share", {"file", "", "\\\\server\\share"}},
        {"ftp://files.example.com/pub/a", {"ftp", "files.example.com", "/pub/a"}},
        {"dir/file:x", {"", "", "dir/file:x"}},
        {"relative/path", {"", "", "relative/path"}},
        {"", {"", "", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseURL(c.url), c.want) << c.url;
}

}  // namespace
}  // namespace tessaly
