#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "net/ParallelRequests.h"
#include "platform/FileLock.h"
#include "support/SimFixture.h"

namespace tessaly {
namespace {

using Clock = std::chrono::steady_clock;
const std::string kDirectLogin =
    "http://login.yahoo.com/config/"
    "login?.tries=1&.src=ym&.intl=us&login=demo_member&passwd=tessaly-demo";

class HttpClientTest : public test::SimServiceTest {
protected:
    // Signs in with the direct login, which leaves the session cookie in the store.
    void SignIn() {
        THttpClient c;
        c.SetURL(kDirectLogin);
        ASSERT_TRUE(c.Get()) << c.StatusText;
        ASSERT_FALSE(TCookieStore::Instance().CookieHeader("http://groups.yahoo.com/").empty());
    }
    // The address of a stored file of DemoGroup as its folder page links it.
    std::string FileUrl(const std::string& folder, const std::string& name) {
        THttpClient c;
        c.SetURL("http://groups.yahoo.com/group/DemoGroup/files/" + folder);
        EXPECT_TRUE(c.Get());
        const std::string page = c.BodyText();
        const auto at = page.find(name);
        const auto start = page.rfind("http://f1.", at);
        return page.substr(start, at + name.size() - start);
    }
};

TEST(HttpClientUrl, SplitsHostObjectAndBase) {
    struct Case {
        const char* url;
        const char* host;
        const char* object;
        const char* base;
    };
    for (const Case& c :
         {Case{"http://host/a/b/file.zip", "host", "/a/b/file.zip", "host/a/b"},
          Case{"http://host/dir/", "host", "/dir", "host"}, Case{"http://host", "host", "", "host"},
          Case{"HTTPS://Host/x", "Host", "/x", "Host"}, Case{"host/a/b", "host", "/a/b", "host/a"},
          Case{"http://", "", "", ""}}) {
        THttpClient client;
        client.SetURL(c.url);
        EXPECT_EQ(client.Host(), c.host) << c.url;
        EXPECT_EQ(client.ObjectName(), c.object) << c.url;
        EXPECT_EQ(client.BaseURL(), c.base) << c.url;
        EXPECT_EQ(client.URL(), c.url);
    }
    THttpClient flags;
    flags.SetOpenURLOptions({TOpenURLOptionStyle::ouNoUI, TOpenURLOptionStyle::ouPragmaNoCache});
    EXPECT_EQ(flags.RequestFlags(), 0x300u);
}

TEST_F(HttpClientTest, FailuresAreValues) {
    SignIn();
    const std::string target = Dir() + "out.bin";
    THttpClient c;
    EXPECT_FALSE(c.GetToFile("http://groups.yahoo.com/group/DemoGroup/attach/6/none.jpg", target));
    EXPECT_EQ(c.ErrorCode, 404);
    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(c.StatusText, "Not Found");
    EXPECT_FALSE(std::filesystem::exists(target));

    bool asked = false;
    c.OnHeaderReceived = [&](THttpClient&, int status, bool& retrieve) {
        asked = status == 200;
        retrieve = false;
    };
    EXPECT_FALSE(
        c.GetToFile("http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg", target));
    EXPECT_TRUE(asked);
    EXPECT_EQ(c.Failed, 0);
    EXPECT_EQ(c.StatusText, "Retrieval Denied");

    ::setenv("http_proxy", "http://127.0.0.1:1", 1);  // nothing listens there
    THttpClient unreachable;
    EXPECT_FALSE(unreachable.GetToFile("http://groups.yahoo.com/", target));
    EXPECT_EQ(unreachable.StatusText, "Unable to Send HTTP Request");
    EXPECT_EQ(unreachable.ErrorCode, 12029);
    EXPECT_EQ(unreachable.Failed, 1);
}

TEST_F(HttpClientTest, StreamsTheBodyInPiecesIntoAFileNamedWhenComplete) {
    SignIn();
    const std::string url = FileUrl("Maps%20%26%20Routes/", "exact-40000.bin");
    const std::string target = Dir() + "exact.bin";
    THttpClient c;
    std::vector<std::uint32_t> pieces;
    c.OnIdle = [&](THttpClient& self) {
        pieces.push_back(self.LastReadSize);
        EXPECT_FALSE(std::filesystem::exists(target));  // no name until it is complete
    };
    ASSERT_TRUE(c.GetToFile(url, target)) << c.StatusText;
    EXPECT_EQ(pieces, (std::vector<std::uint32_t>{16384, 16384, 7232}));
    EXPECT_EQ(c.BytesReceived, 40000u);
    EXPECT_EQ(ReadFile(target),
              groupsim::FileContent(kSeed, "DemoGroup/files/Maps & Routes/exact-40000.bin"));
    EXPECT_FALSE(IsFileLocked(target));

    THttpClient mem;
    mem.SetURL(url);
    ASSERT_TRUE(mem.Get());
    EXPECT_EQ(mem.BodyText().size(), 40000u);  // zero bytes included
    EXPECT_EQ(mem.Host(), "f1.grp.yahoofs.com");
}

TEST_F(HttpClientTest, StalledAndDroppedBodies) {
    SignIn();
    const std::string url = FileUrl("Minutes/", "agenda.doc");
    Service().SetFaults(groupsim::GroupService::ParseFaults("stall=agenda.doc"));
    THttpClient c;
    c.TimeOut = 1;
    const auto t0 = Clock::now();
    EXPECT_FALSE(c.GetToFile(url, Dir() + "a.doc"));
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(2900));
    EXPECT_EQ(c.StatusText, "Retrieval Interrupted");
    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(c.ErrorCode, 0);
    EXPECT_FALSE(std::filesystem::exists(Dir() + "a.doc"));  // the part that came is dropped

    Service().SetFaults(groupsim::GroupService::ParseFaults("latency=2500"));
    THttpClient silent;
    silent.TimeOut = 1;
    EXPECT_FALSE(silent.GetToFile(url, Dir() + "c.doc"));
    EXPECT_EQ(silent.StatusText, "Unable to Send HTTP Request");
    EXPECT_EQ(silent.ErrorCode, 12002);

    // A body cut short (less than its Content-Length) is a failure, and an earlier complete
    // copy under the name survives it.
    WriteFile(Dir() + "b.doc", "the copy of an earlier run");
    Service().SetFaults(groupsim::GroupService::ParseFaults("drop=agenda.doc"));
    THttpClient d;
    EXPECT_FALSE(d.GetToFile(url, Dir() + "b.doc"));
    EXPECT_EQ(d.StatusText, "Retrieval Interrupted");
    EXPECT_EQ(ReadFile(Dir() + "b.doc"), "the copy of an earlier run");
    Service().SetFaults({});
    ASSERT_TRUE(d.GetToFile(url, Dir() + "b.doc"));
    EXPECT_EQ(ReadFile(Dir() + "b.doc"),
              groupsim::FileContent(kSeed, "DemoGroup/files/Minutes/agenda.doc"));
    std::vector<std::string> names;  // nothing else was left in the folder
    for (const auto& e : std::filesystem::directory_iterator(Dir()))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"b.doc"});
}

// Requests run side by side on one thread end as each client's own Execute would: a file
// whole, a redirect followed, a refusal with its status; one that stalls ends, cancelled, with
// no file; a client can run its next request on the same connection.
TEST_F(HttpClientTest, RequestsSideBySideEndAsTheirOwn) {
    SignIn();
    const std::string photo = "http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg";
    const std::string agenda = FileUrl("Minutes/", "agenda.doc");
    Service().SetFaults(groupsim::GroupService::ParseFaults("stall=agenda.doc"));
    TParallelRequests requests;
    THttpClient file, moved, refused, stalled;
    requests.Start(file, photo, Dir() + "photo.jpg");
    requests.Start(moved, "http://groups.yahoo.com/group/BritishWalkers/messages/1", "");
    requests.Start(refused, "http://groups.yahoo.com/group/DemoGroup/attach/6/none.jpg",
                   Dir() + "none.jpg");
    requests.Start(stalled, agenda, Dir() + "agenda.doc");
    std::map<THttpClient*, bool> ended;
    for (const auto t0 = Clock::now();
         ended.size() < 3 && Clock::now() - t0 < std::chrono::seconds(10);)
        for (const auto& e : requests.Run(std::chrono::milliseconds(100))) {
            EXPECT_FALSE(e.error);
            ended[e.client] = e.ok;
        }
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_TRUE(ended.at(&file)) << file.StatusText;
    EXPECT_GT(ReadFile(Dir() + "photo.jpg").size(), 100u);
    EXPECT_TRUE(ended.at(&moved)) << moved.StatusText;
    EXPECT_EQ(moved.EffectiveURL, "http://uk.groups.yahoo.com/group/BritishWalkers/messages/1");
    EXPECT_NE(moved.BodyText().find("/group/BritishWalkers/message/101"), std::string::npos);
    EXPECT_FALSE(ended.at(&refused));
    EXPECT_EQ(refused.ErrorCode, 404);
    EXPECT_EQ(refused.StatusText, "Not Found");
    EXPECT_EQ(requests.Running(), 1);

    const auto cancelled = requests.CancelAll();
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(cancelled[0].client, &stalled);
    EXPECT_FALSE(cancelled[0].ok);
    EXPECT_EQ(stalled.Failed, 1);  // before or after its headers came, as the machine goes
    EXPECT_FALSE(std::filesystem::exists(Dir() + "agenda.doc"));
    Service().SetFaults({});

    requests.Start(file, photo, Dir() + "again.jpg");
    std::vector<TParallelRequests::TEnded> again;
    for (const auto t0 = Clock::now();
         again.empty() && Clock::now() - t0 < std::chrono::seconds(10);)
        again = requests.Run(std::chrono::milliseconds(100));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(again[0].ok);
    EXPECT_EQ(ReadFile(Dir() + "again.jpg"), ReadFile(Dir() + "photo.jpg"));
}

TEST_F(HttpClientTest, RedirectsAndRedirectLoops) {
    SignIn();
    THttpClient c;
    c.SetURL("http://groups.yahoo.com/group/BritishWalkers/messages/1");
    ASSERT_TRUE(c.Get()) << c.StatusText;
    EXPECT_EQ(c.EffectiveURL, "http://uk.groups.yahoo.com/group/BritishWalkers/messages/1");
    EXPECT_NE(c.BodyText().find("/group/BritishWalkers/message/101"), std::string::npos);

    Service().SetFaults(groupsim::GroupService::ParseFaults("loop=/group/Filler01/"));
    THttpClient loop;
    loop.SetURL("http://groups.yahoo.com/group/Filler01/");
    EXPECT_FALSE(loop.Get());
    EXPECT_EQ(loop.StatusText, "Unable to Send HTTP Request");
    EXPECT_EQ(loop.ErrorCode, 12156);
    Service().SetFaults({});
}

TEST_F(HttpClientTest, CookiesOfTheLoginTravelWithEveryRequest) {
    THttpClient anonymous;
    anonymous.SetURL("http://groups.yahoo.com/group/DemoGroup/messages/1");
    ASSERT_TRUE(anonymous.Get());
    EXPECT_NE(anonymous.EffectiveURL.find("login.yahoo.com"), std::string::npos);

    SignIn();
    THttpClient c;
    c.Referer = "http://groups.yahoo.com/group/DemoGroup/message/6";
    c.SetURL("http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg");
    ASSERT_TRUE(c.Get()) << c.StatusText;
    EXPECT_EQ(c.BodyText(), groupsim::FileContent(kSeed, "DemoGroup/attach/6/photo6.jpg"));
    ASSERT_EQ(c.Cookies.size(), 1u);
    EXPECT_EQ(c.Cookies[0].rfind("Y=", 0), 0u);
    EXPECT_NE(c.RequestHeaders.find("Referer: http://groups.yahoo.com/group/DemoGroup/message/6"),
              std::string::npos);
    EXPECT_NE(c.ResponseHeaders.find("200"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
