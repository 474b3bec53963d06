#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "net/CookieStore.h"
#include "platform/SpecialFolders.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class CookieStoreTest : public test::TempHomeTest {};

TEST_F(CookieStoreTest, DomainsPathsAndExpiry) {
    TCookieStore store("");
    store.SetCookie("http://login.yahoo.com/config/login",
                    "Y=v=1&n=abc; path=/; domain=.yahoo.com");
    store.SetCookie("http://login.yahoo.com/config/login", "L=local");  // host only, path /config
    store.SetCookie("http://login.yahoo.com/", "X=bad; domain=.example.com");  // not ours to set
    store.SetCookie("http://groups.yahoo.com/", "S=secret; secure");
    store.SetCookie("http://groups.yahoo.com/", "Gone=1; expires=Thu, 01-Jan-1970 00:00:00 GMT");
    store.SetCookie("http://groups.yahoo.com/", "Old=1; max-age=0");
    struct Case {
        const char* url;
        const char* header;
    };
    for (const Case& c :
         {Case{"http://groups.yahoo.com/group/x", "Y=v=1&n=abc"},
          Case{"http://uk.groups.yahoo.com/", "Y=v=1&n=abc"},
          Case{"http://login.yahoo.com/config/verify", "L=local; Y=v=1&n=abc"},
          Case{"http://login.yahoo.com/other", "Y=v=1&n=abc"},
          Case{"https://groups.yahoo.com/", "Y=v=1&n=abc; S=secret"},
          Case{"http://f1.grp.yahoofs.com/v1/x", ""}, Case{"http://notyahoo.com/", ""}}) {
        EXPECT_EQ(store.CookieHeader(c.url), c.header) << c.url;
    }
}

TEST_F(CookieStoreTest, SessionEndsAndPersistentCookiesSurviveARestart) {
    const std::string file = PrivateStateFolder() + "cookies.txt";
    {
        TCookieStore store(file);
        store.SetCookie("http://login.yahoo.com/", "Y=session; path=/; domain=.yahoo.com");
        store.SetCookie("http://login.yahoo.com/",
                        "T=kept; expires=Thu, 31-Dec-2037 23:59:59 GMT; path=/; domain=.yahoo.com");
        store.EndBrowserSession();
        EXPECT_EQ(store.CookieHeader("http://groups.yahoo.com/"), "T=kept");
    }
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    TCookieStore again(file);
    EXPECT_EQ(again.CookieHeader("http://groups.yahoo.com/"), "T=kept");
    again.SetCookie("http://login.yahoo.com/",
                    "T=; expires=Thu, 01-Jan-1970 00:00:00 GMT; path=/; domain=.yahoo.com");
    EXPECT_EQ(TCookieStore(file).CookieHeader("http://groups.yahoo.com/"), "");
}

// A received cookie is taken only when the cookie file can keep it: one the file's reader would
// refuse (a blank or control character in its value, name or path) is refused when it arrives,
// rather than sent for the session and lost at the next start. A Max-Age beyond the largest time
// keeps the cookie until the largest time (it used to overflow).
TEST_F(CookieStoreTest, ReceivedCookiesAreThoseTheFileKeeps) {
    struct Case {
        const char* setCookie;
        const char* header;  // sent to http://groups.yahoo.com/, by this store and after a restart
    };
    for (const Case& c : {
             Case{"A=1; Max-Age=3600", "A=1"},
             Case{"A=1; Max-Age=9223372036854775807", "A=1"},
             Case{"A=1; Max-Age=99999999999999999999999", "A=1"},
             Case{"A=x\x1dy; Max-Age=3600", ""},
             Case{"A=x y; Max-Age=3600", ""},
             Case{"A\x7f=1; Max-Age=3600", ""},
             Case{"A=1; path=/a b; Max-Age=3600", ""},
         }) {
        const std::string file = Dir() + "cookies.txt";
        std::filesystem::remove(file);
        TCookieStore store(file);
        store.SetCookie("http://groups.yahoo.com/", c.setCookie);
        EXPECT_EQ(store.CookieHeader("http://groups.yahoo.com/a b"), c.header) << c.setCookie;
        const TCookieStore again(file);
        EXPECT_EQ(again.CookieHeader("http://groups.yahoo.com/a b"), c.header) << c.setCookie;
        EXPECT_EQ(again.SkippedLines(), std::vector<std::string>{}) << c.setCookie;
    }
}

// Every field of a line of the cookie file is checked; a line with one that does not check out
// is skipped whole and counted, and the good lines around it still count. (A line with an empty
// path used to be taken, and matching it read before the path's start.)
TEST_F(CookieStoreTest, BadLinesOfTheCookieFileAreSkippedAndCounted) {
    struct Case {
        const char* what;
        std::string line;
    };
    const std::string good = ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\tY\tgood";
    const std::vector<Case> bad = {
        {"an empty path", ".yahoo.com\tTRUE\t\tFALSE\t4102444800\tE\tv"},
        {"a path without its slash", ".yahoo.com\tTRUE\tgroups\tFALSE\t4102444800\tP\tv"},
        {"an empty domain", "\tFALSE\t/\tFALSE\t4102444800\tD\tv"},
        {"only a dot for a domain", ".\tTRUE\t/\tFALSE\t4102444800\tD\tv"},
        {"a blank in the domain", "ya hoo.com\tFALSE\t/\tFALSE\t4102444800\tD\tv"},
        {"a subdomain flag against the dot", ".yahoo.com\tFALSE\t/\tFALSE\t4102444800\tF\tv"},
        {"a subdomain flag that is no flag", "yahoo.com\tmaybe\t/\tFALSE\t4102444800\tF\tv"},
        {"a secure flag that is no flag", ".yahoo.com\tTRUE\t/\tyes\t4102444800\tS\tv"},
        {"an expiry that is no number", ".yahoo.com\tTRUE\t/\tFALSE\tsoon\tX\tv"},
        {"an expiry with a tail", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800x\tX\tv"},
        {"an expiry too large", ".yahoo.com\tTRUE\t/\tFALSE\t99999999999999999999\tX\tv"},
        {"a negative expiry", ".yahoo.com\tTRUE\t/\tFALSE\t-5\tX\tv"},
        {"an empty name", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\t\tv"},
        {"a name with an equals sign", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\ta=b\tv"},
        {"a value with a semicolon", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\tV\ta;b"},
        {"a value with a control character", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\tV\ta\x01"},
        {"six fields", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\tV"},
        {"eight fields", ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\tV\tv\tmore"},
    };
    const std::string file = PrivateStateFolder() + "cookies.txt";
    for (const auto& c : bad) {
        WriteFile(file, "# a comment\n" + good + "\n" + c.line + "\n");
        TCookieStore store(file);
        ASSERT_EQ(store.SkippedLines().size(), 1u) << c.what;
        EXPECT_EQ(store.SkippedLines()[0].rfind("line 3: ", 0), 0u) << c.what;
        ASSERT_EQ(store.Cookies().size(), 1u) << c.what;
        EXPECT_EQ(store.Cookies()[0].value, "good") << c.what;
        EXPECT_EQ(store.CookieHeader("http://groups.yahoo.com/group/x/"), "Y=good") << c.what;
    }
    // A file written with CR LF line ends reads as well.
    WriteFile(file, good + "\r\n");
    EXPECT_EQ(TCookieStore(file).CookieHeader("http://groups.yahoo.com/"), "Y=good");
}

TEST_F(CookieStoreTest, SharedAcrossThreads) {
    TCookieStore store("");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 200; ++i) {
                store.SetCookie("http://groups.yahoo.com/",
                                "c" + std::to_string(t) + "=" + std::to_string(i));
                (void)store.CookieHeader("http://groups.yahoo.com/");
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(store.Cookies().size(), 4u);
}

}  // namespace
}  // namespace tessaly
