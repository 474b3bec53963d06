#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "SimClient.h"
#include "groupsim/SimServer.h"

namespace groupsim::test {
namespace {

using Clock = std::chrono::steady_clock;

bool Has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

std::size_t Count(const std::vector<std::string>& v, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(v.begin(), v.end(), [&](const std::string& s) {
        return s.find(part) != std::string::npos;
    }));
}

class GroupSimTest : public ::testing::Test {
protected:
    static constexpr std::uint64_t kSeed = 7;
    void SetUp() override {
        service_ = std::make_unique<GroupService>(DemoData(kSeed));
        server_ = std::make_unique<SimServer>(*service_);
        ASSERT_GT(server_->Bind("127.0.0.1", 0), 0);
        server_->Start();
        client_ = std::make_unique<SimClient>(server_->Port());
    }
    void TearDown() override {
        server_.reset();
        service_.reset();
    }
    SimClient& Client() { return *client_; }
    SimClient SignedIn() {
        SimClient c(server_->Port());
        EXPECT_TRUE(c.SignIn("demo_member", "tessaly-demo"));
        return c;
    }
    std::unique_ptr<GroupService> service_;
    std::unique_ptr<SimServer> server_;
    std::unique_ptr<SimClient> client_;
};

// A big file is served piece by piece; any piece is the same bytes as the whole file.
TEST(SimData, PiecesOfAFileAreItsBytes) {
    const std::string key = "G/files/exact-100003.bin";
    const std::string whole = FileContent(7, key);
    ASSERT_EQ(whole.size(), 100003u);
    EXPECT_EQ(FileSize(7, key), 100003u);
    for (std::size_t offset : {0u, 1u, 7u, 8u, 9u, 4095u, 99990u}) {
        for (std::size_t length : {1u, 8u, 13u, 1000u}) {
            if (offset + length > whole.size()) continue;
            std::string piece(length, '\0');
            FileBytesAt(7, key, offset, piece.data(), length);
            EXPECT_EQ(piece, whole.substr(offset, length)) << offset << "+" << length;
        }
    }
}

TEST_F(GroupSimTest, LoginFormNeedsItsHiddenFieldsAndTheRightPassword) {
    Reply page = Client().Get("http://login.yahoo.com/");
    auto fields = FormInputs(page.body);
    for (const char* name : {"login", "passwd", ".persistent", ".save", ".tries", ".src", ".intl",
                             ".done", ".u", ".challenge"}) {
        EXPECT_EQ(fields.count(name), 1u) << name;
    }
    // Wrong password: back on the login form, at the error address, no session.
    fields["login"] = "demo_member";
    fields["passwd"] = "wrong";
    Reply wrong = Client().Post("http://login.yahoo.com/config/login?", FormEncode(fields));
    EXPECT_EQ(wrong.status, 200);
    EXPECT_NE(wrong.body.find("Invalid ID or password"), std::string::npos);
    EXPECT_EQ(Client().cookies.count("Y"), 0u);
    // The same challenge cannot be used twice, and a post without the hidden fields fails.
    fields["passwd"] = "tessaly-demo";
    Reply replay = Client().Post("http://login.yahoo.com/config/login?", FormEncode(fields));
    EXPECT_EQ(replay.status, 200);
    Reply bare = Client().Post("http://login.yahoo.com/config/login?",
                               "login=demo_member&passwd=tessaly-demo");
    EXPECT_EQ(bare.status, 200);
    EXPECT_EQ(Client().cookies.count("Y"), 0u);

    // Success: a session cookie, a persistent one when asked, and the way off the login host.
    SimClient member(server_->Port());
    ASSERT_TRUE(member.SignIn("demo_member", "tessaly-demo", true));
    EXPECT_EQ(member.cookies.count("T"), 1u);
    std::string where;
    Reply verify = member.Browse(
        "http://login.yahoo.com/config/verify?.done=http%3A//groups.yahoo.com/mygroups", &where);
    EXPECT_EQ(where, "http://groups.yahoo.com/mygroups");
    EXPECT_EQ(verify.status, 200);

    // Without the session cookie the persistent one still signs the member in.
    member.cookies.erase("Y");
    EXPECT_EQ(member.Get("http://groups.yahoo.com/mygroups").status, 200);
}

TEST_F(GroupSimTest, DirectLoginAndPagesWithoutASession) {
    std::string where;
    Client().Browse(
        "http://login.yahoo.com/config/"
        "login?.tries=1&.src=ym&.intl=us&login=demo_member&passwd=tessaly-demo",
        &where);
    EXPECT_EQ(where.find("login.yahoo.com"), std::string::npos) << where;
    EXPECT_EQ(Client().cookies.count("Y"), 1u);

    SimClient stranger(server_->Port());
    Reply r = stranger.Get("http://groups.yahoo.com/group/DemoGroup/messages/1");
    EXPECT_EQ(r.status, 302);
    EXPECT_NE(r.Header("location").find("login.yahoo.com/config/login"), std::string::npos);
    Reply bad = stranger.Get(
        "http://login.yahoo.com/config/login?.tries=1&.src=ym&.intl=us&login=demo_member&passwd=x");
    EXPECT_EQ(bad.status, 200);
    EXPECT_EQ(stranger.cookies.count("Y"), 0u);
    EXPECT_EQ(Client().Get("http://www.example.com/").status, 502);
}

TEST_F(GroupSimTest, MyGroupsSpansThreePagesWithAmpersandEntities) {
    SimClient c = SignedIn();
    std::vector<std::string> names;
    for (int page = 1; page <= 3; ++page) {
        Reply r =
            c.Get("http://groups.yahoo.com/mygroups?sort=n&order=a&page=" + std::to_string(page));
        for (const auto& link : Links(r.body)) {
            if (link.rfind("/group/", 0) == 0 && link.find("?yguid") != std::string::npos) {
                names.push_back(link.substr(7, link.find('?') - 7));
            }
        }
        if (page == 1) {
            EXPECT_TRUE(Has(Links(r.body), "/mygroups?sort=n&amp;order=a&amp;page=3"));
        }
    }
    EXPECT_EQ(names.size(), 23u);
    EXPECT_TRUE(std::is_sorted(
        names.begin(), names.end(),
        [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); }));
    EXPECT_TRUE(Has(names, "mixedcasegroup"));
}

TEST_F(GroupSimTest, MessageIndexAndMessagePages) {
    SimClient c = SignedIn();
    auto oldest = Links(c.Get("http://groups.yahoo.com/group/DemoGroup/messages/1").body);
    EXPECT_TRUE(Has(oldest, "/group/DemoGroup/message/1"));
    EXPECT_TRUE(Has(oldest, "/group/DemoGroup/message/1?threaded=1&amp;var=1"));
    EXPECT_FALSE(Has(oldest, "/group/DemoGroup/message/7"));  // a gap
    auto newest = Links(c.Get("http://groups.yahoo.com/group/demogroup/messages/").body);
    EXPECT_TRUE(Has(newest, "/group/DemoGroup/message/40"));  // canonical case in links

    Reply six = c.Get("http://groups.yahoo.com/group/DemoGroup/message/6");
    EXPECT_TRUE(Has(Links(six.body), "/group/DemoGroup/message/9"));  // next skips the gap
    EXPECT_TRUE(Has(Links(six.body), "/group/DemoGroup/message/5"));
    EXPECT_NE(six.body.find("Date:</b>Thu Dec 16, 2004 4:23 pm<br>"), std::string::npos);
    EXPECT_NE(six.body.find("DemoGroup-unsubscribe@yahoogroups.com"), std::string::npos);
    EXPECT_NE(six.body.find("DemoGroup-owner@yahoogroups.com"), std::string::npos);
    EXPECT_TRUE(
        Has(Links(six.body), "http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg"));

    Reply purged = c.Get("http://groups.yahoo.com/group/DemoGroup/message/15");
    EXPECT_NE(purged.body.find("Message 15 does not exist in DemoGroup"), std::string::npos);
    EXPECT_TRUE(Has(Links(purged.body), "/group/DemoGroup/message/16"));
    Reply last = c.Get("http://groups.yahoo.com/group/DemoGroup/message/40");
    EXPECT_EQ(Count(Links(last.body), "/message/4"), 0u);  // no link to a higher message

    // A number in a gap or beyond either end is no message, in a group of its own numbers.
    for (const std::string n : {"7", "20", "0", "41"}) {
        Reply none = c.Get("http://groups.yahoo.com/group/DemoGroup/message/" + n);
        EXPECT_NE(none.body.find("message " + n + " was not found"), std::string::npos) << n;
    }
    EXPECT_NE(c.Get("http://uk.groups.yahoo.com/group/BritishWalkers/message/103")
                  .body.find("Message 103 of 105"),
              std::string::npos);
}

TEST_F(GroupSimTest, PagesPutInTheWayOnce) {
    SimClient c = SignedIn();
    Reply auth = c.Get("http://groups.yahoo.com/group/DemoGroup/message/5");
    EXPECT_EQ(auth.status, 302);
    EXPECT_NE(auth.Header("location").find("DemoGroup/auth?"), std::string::npos);
    EXPECT_NE(c.Get("http://groups.yahoo.com/group/DemoGroup/message/5").body.find("Message 5 of"),
              std::string::npos);

    Reply ad = c.Get("http://groups.yahoo.com/group/DemoGroup/message/10");
    EXPECT_NE(ad.body.find("Continue to message"), std::string::npos);
    EXPECT_TRUE(Has(Links(ad.body), "/group/DemoGroup/message/10"));
    EXPECT_NE(
        c.Get("http://groups.yahoo.com/group/DemoGroup/message/10").body.find("Message 10 of"),
        std::string::npos);
}

TEST_F(GroupSimTest, CountryAdultAndMembership) {
    SimClient c = SignedIn();
    std::string where;
    Reply uk = c.Browse("http://groups.yahoo.com/group/BritishWalkers/messages/1", &where);
    EXPECT_EQ(where, "http://uk.groups.yahoo.com/group/BritishWalkers/messages/1");
    EXPECT_TRUE(Has(Links(uk.body), "/group/BritishWalkers/message/101"));
    c.Browse("http://photos.groups.yahoo.com/group/SportsFans/lst", &where);
    EXPECT_EQ(where, "http://sports.photos.groups.yahoo.com/group/SportsFans/lst");

    Reply adult = c.Browse("http://groups.yahoo.com/group/AdultGroup/messages/1", &where);
    EXPECT_NE(where.find("adultconf"), std::string::npos);
    auto form = FormInputs(adult.body);
    ASSERT_EQ(form.count("accept"), 1u);
    form.erase("cancel");
    Reply accepted = c.Post("http://groups.yahoo.com/adultconf", FormEncode(form));
    EXPECT_EQ(accepted.Header("location"), "http://groups.yahoo.com/group/AdultGroup/messages/1");
    EXPECT_TRUE(Has(Links(c.Get("http://groups.yahoo.com/group/AdultGroup/messages/1").body),
                    "/group/AdultGroup/message/1"));

    SimClient other(server_->Port());
    ASSERT_TRUE(other.SignIn("other_member", "other-pass"));
    Reply notMember = other.Get("http://groups.yahoo.com/group/DemoGroup/messages/1");
    EXPECT_NE(notMember.body.find("not a member"), std::string::npos);
    EXPECT_EQ(Count(Links(notMember.body), "/message/"), 0u);
}

TEST_F(GroupSimTest, FilesTreeAndExactFileBytes) {
    SimClient c = SignedIn();
    auto top = Links(c.Get("http://groups.yahoo.com/group/DemoGroup/files/").body);
    EXPECT_TRUE(Has(top, "/group/DemoGroup/files/Minutes/"));
    EXPECT_TRUE(Has(top, "/group/DemoGroup/files/Maps%20%26%20Routes/"));
    const auto files = Count(top, "grp.yahoofs.com/v1/");
    EXPECT_EQ(files, 3u);

    auto minutes = Links(c.Get("http://groups.yahoo.com/group/DemoGroup/files/Minutes/").body);
    EXPECT_TRUE(Has(minutes, "/group/DemoGroup/files/"));  // back to the top folder
    EXPECT_EQ(Count(minutes, "Meeting%20Notes.doc"), 2u);  // linked twice
    auto q1 = Links(c.Get("http://groups.yahoo.com/group/DemoGroup/files/Minutes/2004/Q1/").body);
    std::string january;
    for (const auto& l : q1) {
        if (l.find("january.txt") != std::string::npos) january = l;
    }
    ASSERT_FALSE(january.empty());
    EXPECT_EQ(january.rfind("http://f1.grp.yahoofs.com/v1/", 0), 0u);
    Reply file = c.Get(january);
    EXPECT_EQ(file.status, 200);
    EXPECT_EQ(file.body, FileContent(kSeed, "DemoGroup/files/Minutes/2004/Q1/january.txt"));
    auto y2004 = Links(c.Get("http://groups.yahoo.com/group/DemoGroup/files/Minutes/2004/").body);
    EXPECT_EQ(Count(y2004, "/Minutes/agenda.doc"),
              1u);  // the same file linked from a second folder

    std::string bad = january;
    bad.replace(bad.find("/v1/") + 4, 16, "0000000000000000");
    EXPECT_EQ(Client().Get(bad).status, 403);
}

TEST_F(GroupSimTest, AttachmentsAndBlockedOnes) {
    SimClient c = SignedIn();
    Reply ok = c.Get("http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg");
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, FileContent(kSeed, "DemoGroup/attach/6/photo6.jpg"));
    EXPECT_EQ(c.Get("http://groups.yahoo.com/group/DemoGroup/attach/18/secret.zip").status, 403);
    auto links = Links(c.Get("http://groups.yahoo.com/group/DemoGroup/message/24").body);
    std::string stored;
    for (const auto& l : links) {
        if (l.find("gone.doc") != std::string::npos) stored = l;
    }
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(c.Get(stored).status, 403);
    auto images = Images(c.Get("http://groups.yahoo.com/group/DemoGroup/message/12").body);
    EXPECT_EQ(Count(images, "/.attach/12/inline.gif"), 1u);
}

TEST_F(GroupSimTest, PhotosListsViewsAndPictures) {
    SimClient c = SignedIn();
    const std::string base = "http://photos.groups.yahoo.com/group/DemoGroup/";
    auto top = Links(c.Get(base + "lst").body);
    EXPECT_GT(Count(top, "view=l"), Count(top, "view=t"));
    std::string thumbs;
    for (const auto& l : top) {
        if (l.find(".view=t") != std::string::npos && l.find("begin=1") != std::string::npos)
            thumbs = l;
    }
    ASSERT_FALSE(thumbs.empty());
    auto thumbTop = Links(c.Get(thumbs).body);
    EXPECT_TRUE(Has(thumbTop, base + "lst?.dir=/Summer+Walk&.src=gr&.order=&.view=t"));
    auto album = Links(c.Get(base + "lst?.dir=/Summer+Walk&.src=gr&.order=&.view=t").body);
    EXPECT_EQ(Count(album, "vwp?.dir=/Summer+Walk&.dnm="), 12u);
    EXPECT_TRUE(Has(album, base + "lst?&.dir=/Summer+Walk&.src=gr&.begin=13&.view=t&.order="));
    EXPECT_EQ(Count(album, "begin=9999&"), 1u);
    auto page2 =
        Links(c.Get(base + "lst?&.dir=/Summer+Walk&.src=gr&.begin=13&.view=t&.order=").body);
    EXPECT_EQ(Count(page2, "vwp?"), 3u);

    Reply view = c.Get(base + "vwp?.dir=/Club+Dinner&.dnm=dinner%202.jpg&.src=gr&.view=t");
    std::string hires;
    for (const auto& l : Links(view.body)) {
        if (l.size() > 9 && l.compare(l.size() - 9, 9, "&.hires=t") == 0) hires = l;
    }
    ASSERT_FALSE(hires.empty());
    std::string picture;
    for (const auto& src : Images(view.body)) {
        if (src.find("/dinner%202.jpg?") != std::string::npos) picture = src;
    }
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(c.Get(picture).body,
              PictureContent(kSeed, "DemoGroup/photos/Club Dinner/dinner 2.jpg", false));
    std::string big;
    for (const auto& src : Images(c.Get(hires).body)) {
        if (src.find("dinner%202.jpg?") != std::string::npos) big = src;
    }
    ASSERT_FALSE(big.empty());
    EXPECT_EQ(c.Get(big).body,
              PictureContent(kSeed, "DemoGroup/photos/Club Dinner/dinner 2.jpg", true));
}

TEST_F(GroupSimTest, FaultSwitches) {
    SimClient c = SignedIn();
    service_->SetFaults(
        GroupService::ParseFaults("status=500:/group/DemoGroup/files/Minutes/,404:/message/9&loop=/"
                                  "group/Filler01/&drop=/group/Filler02/"
                                  "&oversize=/group/Filler03/&throttle=0"));
    EXPECT_EQ(c.Get("http://groups.yahoo.com/group/DemoGroup/files/Minutes/").status, 500);
    EXPECT_EQ(c.Get("http://groups.yahoo.com/group/DemoGroup/message/9").status, 404);
    Reply loop = c.Get("http://groups.yahoo.com/group/Filler01/messages/1?loop=4");
    EXPECT_EQ(loop.status, 302);
    EXPECT_NE(loop.Header("location").find("loop=5"), std::string::npos);
    Reply dropped = c.Get("http://groups.yahoo.com/group/Filler02/messages/1");
    EXPECT_EQ(dropped.status, 200);
    EXPECT_FALSE(dropped.complete);
    Reply huge = c.Get("http://groups.yahoo.com/group/Filler03/messages/1", 1 << 20);
    EXPECT_EQ(huge.Header("content-length"), std::to_string(64u * 1024 * 1024));

    service_->SetFaults(
        GroupService::ParseFaults("latency=150&throttle=2&trickle=/group/Filler04/"));
    auto t0 = Clock::now();
    int throttled = 0;
    for (int i = 0; i < 4; ++i)
        throttled += c.Get("http://groups.yahoo.com/group/Filler05/messages/1").status == 999;
    EXPECT_EQ(throttled, 2);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(4 * 150));
    service_->SetFaults({});
    service_->SetFaults(GroupService::ParseFaults("trickle=/group/Filler04/"));
    t0 = Clock::now();
    Reply slow = c.Get("http://groups.yahoo.com/group/Filler04/nosuch");
    EXPECT_TRUE(slow.complete);
    EXPECT_GE(Clock::now() - t0, std::chrono::seconds(1));
    service_->SetFaults({});
}

TEST_F(GroupSimTest, RequestLogRecordsWhatWasFetched) {
    SimClient c = SignedIn();
    service_->ClearLog();
    c.Get("http://groups.yahoo.com/group/DemoGroup/message/3");
    c.Get("http://groups.yahoo.com/group/DemoGroup/attach/18/secret.zip");
    auto log = service_->Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].host, "groups.yahoo.com");
    EXPECT_EQ(log[0].path, "/group/DemoGroup/message/3");
    EXPECT_EQ(log[0].status, 200);
    EXPECT_GT(log[0].bytes, 1000u);
    EXPECT_EQ(log[1].status, 403);
    Reply tsv = c.Get("http://groupsim.control/log");
    EXPECT_NE(tsv.body.find("groups.yahoo.com\t/group/DemoGroup/attach/18/secret.zip\t403"),
              std::string::npos);
}

}  // namespace
}  // namespace groupsim::test

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace groupsim::test {
namespace {

// The program itself: "--port 0" prints the chosen port first, and SIGTERM stops it cleanly.
TEST(GroupSimProgram, PrintsItsPortAndStopsOnSigterm) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(GROUPSIM_BINARY, GROUPSIM_BINARY, "--port", "0", "--seed", "3",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
    const int port = std::atoi(line.c_str());
    ASSERT_GT(port, 0) << line;
    SimClient client(port);
    EXPECT_EQ(client.Get("http://login.yahoo.com/").status, 200);
    ASSERT_TRUE(client.SignIn("demo_member", "tessaly-demo"));
    EXPECT_EQ(client.Get("http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg").body,
              FileContent(3, "DemoGroup/attach/6/photo6.jpg"));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out[0]);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace groupsim::test
