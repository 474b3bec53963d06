#include <gtest/gtest.h>
#include <sys/stat.h>

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
