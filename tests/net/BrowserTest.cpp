#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>

#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "registry/GroupCache.h"
#include "support/SessionFixture.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class BrowserTest : public test::SessionTest {
protected:
    std::string Page() { return Session().PageBuffer->Source(); }
    // Opens the address as the workers do, keeping the page as the login steps do.
    bool Open(const std::string& address) {
        const TFetch fetch = Session().OpenURL(address);
        Session().PageBuffer = fetch.page;
        return fetch.ok;
    }
};

TEST_F(BrowserTest, FormsAreFilledAndSubmittedAsABrowserWould) {
    ASSERT_TRUE(Open("http://groupsim.control/forms"));
    ASSERT_EQ(Browser().Forms().size(), 2u);
    EXPECT_TRUE(Browser().SetFormFieldValue(" LOGIN ", "demo & co"));
    EXPECT_EQ(Browser().Forms()[0].elements[0].value, "demo & co");
    EXPECT_EQ(Browser().Forms()[1].elements[0].value, "demo & co");  // both forms' elements
    EXPECT_TRUE(Browser().SetFormCheckBox("keep", true));
    EXPECT_FALSE(Browser().SetFormFieldValue("nothing", "x"));

    // A click by value wins over an earlier element with the name.
    Session().PageBuffer = Session().ClickAndWait("go", "Send it");
    EXPECT_NE(Page().find("method=POST"), std::string::npos) << Page();
    EXPECT_NE(
        Page().find("body=login=demo+%26+co&amp;colour=blue&amp;note=a+%3Cb%3E&amp;other=Send+it"),
        std::string::npos)
        << Page();

    ASSERT_TRUE(Open("http://groupsim.control/forms"));
    Browser().SetFormCheckBox("keep", true);
    Session().PageBuffer = Session().ClickAndWait("go", "");
    EXPECT_EQ(Browser().LocationURL(),
              "http://groupsim.control/echo?login=&kind=first+%26+only&keep=y&go=Go");

    ASSERT_TRUE(Open("http://groupsim.control/forms"));
    Session().PageBuffer = Session().ClickAndWait(".save", "");  // " .SAVE " matches
    EXPECT_NE(Page().find("&amp;+.SAVE+=Save"), std::string::npos) << Page();
}

TEST_F(BrowserTest, RedirectsRefreshesHistoryAndLoops) {
    ASSERT_TRUE(
        Open("http://login.yahoo.com/config/verify?.done=http%3A//groups.yahoo.com/mygroups"));
    // The refresh led on to My Groups, which sent the signed-out browser to the login page.
    EXPECT_EQ(Browser().LocationURL().rfind("http://login.yahoo.com/config/login?.src=ygrp", 0),
              0u);
    EXPECT_FALSE(Browser().Forms().empty());
    EXPECT_FALSE(Open("http://groupsim.control/refresh-loop"));
    EXPECT_EQ(Session().PageBuffer->Failure(), "the page asked to be refreshed too often");
    ASSERT_TRUE(Open("http://groupsim.control/forms"));
    ASSERT_TRUE(Browser().CanGoBack());
    Browser().GoBack();
    EXPECT_EQ(Browser().LocationURL().rfind("http://login.yahoo.com/config/login", 0), 0u);
    EXPECT_TRUE(Browser().CanGoForward());

    Service().SetFaults(groupsim::GroupService::ParseFaults("loop=/group/Filler01/"));
    EXPECT_FALSE(Open("http://groups.yahoo.com/group/Filler01/"));
    Service().SetFaults({});
}

// The history keeps the latest pages only, and Back walks them in order.
TEST_F(BrowserTest, HistoryIsBounded) {
    const std::size_t pages = TPageBrowser::kMaxHistory + 10;
    for (std::size_t i = 0; i < pages; ++i) {
        ASSERT_TRUE(Open("http://groupsim.control/echo?page=" + std::to_string(i)));
    }
    std::size_t back = 0;
    while (Browser().CanGoBack()) {
        Browser().GoBack();
        ++back;
        EXPECT_EQ(Browser().LocationURL(),
                  "http://groupsim.control/echo?page=" + std::to_string(pages - 1 - back));
    }
    EXPECT_EQ(back, TPageBrowser::kMaxHistory - 1);
}

// A page that hangs: Stop pressed meanwhile leaves the browser idle with its old document, a new
// navigation replaces the load, and without either the time-out ends it. Each far below the
// service's hang.
TEST_F(BrowserTest, AHangingPageGivesWayToStopNavigationAndTheTimeOut) {
    Service().SetFaults(groupsim::GroupService::ParseFaults("stall=/group/Filler01/"));
    const std::string hanging = "http://groups.yahoo.com/group/Filler01/messages/1";
    auto idle = [](TPageBrowser& b) { return test::WaitFor([&] { return !b.Busy(); }, 15000); };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Open("http://groupsim.control/forms"));
    QTimer::singleShot(100, [&] { Browser().Stop(); });
    Browser().Navigate(hanging);
    ASSERT_TRUE(idle(Browser()));
    EXPECT_EQ(Browser().LocationURL(), "http://groupsim.control/forms");
    EXPECT_EQ(Browser().Forms().size(), 2u);

    QTimer::singleShot(100, [&] { Browser().Navigate("http://groupsim.control/echo?x=1"); });
    Browser().Navigate(hanging);
    ASSERT_TRUE(idle(Browser()));
    EXPECT_EQ(Browser().LocationURL(), "http://groupsim.control/echo?x=1");
    EXPECT_FALSE(Browser().NavigationFailed());

    TPageBrowser impatient(nullptr, 1);
    impatient.Navigate(hanging);
    ASSERT_TRUE(idle(impatient));
    EXPECT_TRUE(impatient.NavigationFailed());
    EXPECT_NE(impatient.DocumentSource().find("cannot be displayed"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    Service().SetFaults({});
}

TEST_F(BrowserTest, FormLoginLeavesCookiesForDownloads) {
    ASSERT_TRUE(LoggedIn());  // the form login, with the outcome Ok
    EXPECT_EQ(Session().FailedLogins(), 0);
    EXPECT_EQ(Session().CurrentLocation(), "http://groups.yahoo.com/mygroups");

    THttpClient client;
    client.SetURL("http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg");
    ASSERT_TRUE(client.Get()) << client.StatusText;
    EXPECT_EQ(client.BodyText(), groupsim::FileContent(kSeed, "DemoGroup/attach/6/photo6.jpg"));

    // The form login ticks "keep me signed in": the end of the browser session drops the
    // session cookie and keeps the persistent one, which also survives a restart.
    const std::string before = TCookieStore::Instance().CookieHeader("http://groups.yahoo.com/");
    EXPECT_NE(before.find("Y="), std::string::npos);
    Session().EndBrowserSession();
    const std::string after = TCookieStore::Instance().CookieHeader("http://groups.yahoo.com/");
    EXPECT_EQ(after.rfind("T=", 0), 0u);
    EXPECT_EQ(after.find("Y="), std::string::npos);
    EXPECT_EQ(
        TCookieStore(TCookieStore::Instance().FileName()).CookieHeader("http://groups.yahoo.com/"),
        after);
}

TEST_F(BrowserTest, FailedLoginsCountAndTheDirectLoginStepsIn) {
    Session().SetUserName(test::kDemoUser);
    Session().SetPassword("wrong");
    EXPECT_FALSE(Session().FormLogin());
    EXPECT_EQ(Session().LoginOutcome(), dsError);
    EXPECT_EQ(Session().FailedLogins(), 1);
    EXPECT_FALSE(Session().FormLogin());
    EXPECT_EQ(Session().FailedLogins(), 2);

    // A login form whose field names changed: the form login fails, the direct login succeeds.
    Options().strAutoLoginUserName = "username";
    Session().SetPassword(test::kDemoPassword);
    EXPECT_TRUE(Session().FormLogin());
    EXPECT_EQ(Session().FailedLogins(), 0);
    EXPECT_EQ(Session().CurrentLocation().find("login.yahoo"), std::string::npos);
}

TEST_F(BrowserTest, MyGroupsAcrossThreePages) {
    ASSERT_TRUE(LoggedIn());
    std::vector<std::string> names{"stale"};
    Session().GetMyGroups(names);
    EXPECT_EQ(names.size(), 23u);
    EXPECT_EQ(names.front(), "AdultGroup");
    EXPECT_NE(std::find(names.begin(), names.end(), "mixedcasegroup"), names.end());
    EXPECT_NE(std::find(Ui().status.begin(), Ui().status.end(), "Getting Mygroups page 3 of 3"),
              Ui().status.end());
}

TEST(MyGroupsRules, NamesAndPageCounts) {
    const std::string page =
        "<a href=\"/group/alpha?yguid=1\">a</a><a href=\"/group/Alpha/messages?x=1\">b</a>"
        "<a href=\"/group/beta.example?x\">c</a><a "
        "href=\"http://groups.yahoo.com/group/gamma?x\">d</a>"
        "<a href=\"/group/delta\">no query</a><a href=\"/group/ epsilon ?x\">e</a>"
        "<a href=\"/mygroups?sort=n&order=a&page=2\">2</a><a "
        "href=\"/mygroups?sort=n&order=a&page=5\">5</a>"
        "<a href=\"/mygroups?sort=n&amp;page=3\">3</a>";
    EXPECT_EQ(TMemberSession::ExtractGroupNames(page),
              (std::vector<std::string>{"alpha", "epsilon"}));
    EXPECT_EQ(TMemberSession::FindMyGroupsPageCount(page, '&'), 5);
    EXPECT_EQ(
        TMemberSession::FindMyGroupsPageCount("<a href=\"/mygroups?sort=n&amp;page=7\">7</a>", '&'),
        -1);
    EXPECT_EQ(
        TMemberSession::FindMyGroupsPageCount("<a href=\"/mygroups?sort=n&amp;page=7\">7</a>", ';'),
        7);
    EXPECT_EQ(TMemberSession::FindMyGroupsPageCount("<a href=\"/group/x?page=9\">x</a>", '&'), -1);
}

TEST_F(BrowserTest, LoginCommandMessagesAndTheCacheChoice) {
    Ui().confirm = false;
    Ui().answerUser = "";
    TLoginResult cancelled = Session().RunLoginCommand();
    EXPECT_FALSE(cancelled.attempted);
    ASSERT_EQ(Ui().messages.size(), 2u);
    EXPECT_EQ(Ui().messages[0].rfind("plain: You have choosen to cancel the AutoLogin.", 0), 0u);
    EXPECT_EQ(Ui().messages[1], "Warning: Please enter a valid User Name");
    EXPECT_EQ(Ui().boxCaption, "Yahoo Login.");
    EXPECT_FALSE(Ui().plainMode);

    Ui().messages.clear();
    Ui().confirm = true;
    Ui().answerUser = "me@example.com";
    EXPECT_FALSE(Session().RunLoginCommand().attempted);
    EXPECT_EQ(Ui().messages,
              std::vector<std::string>{
                  "Warning: You should not enter Email Address Here. Please Enter your UserID"});
    Service().ClearLog();
    EXPECT_TRUE(Service().Log().empty());  // no page was loaded

    Ui().messages.clear();
    Ui().answerUser = " demo_member ";
    TLoginResult first = Session().RunLoginCommand();
    ASSERT_TRUE(first.loggedIn);
    EXPECT_EQ(first.names.size(), 23u);
    EXPECT_EQ(LoadCachedGroupNames("demo_member").size(), 23u);  // cached for the next time
    EXPECT_EQ(Session().UserName(), "demo_member");

    // With the cache ticked and a filled cache, no My Groups page is fetched.
    Service().ClearLog();
    TLoginResult second = Session().RunLoginCommand();
    EXPECT_EQ(second.names.size(), 23u);
    for (const auto& e : Service().Log())
        EXPECT_EQ(e.path.find("/mygroups?"), std::string::npos) << e.path;

    Ui().answerPassword = "wrong";
    TLoginResult failed = Session().RunLoginCommand();
    EXPECT_FALSE(failed.loggedIn);
    EXPECT_EQ(Session().FailedLogins(), 1);
    EXPECT_EQ(Ui().messages.back(),
              "Error: Login Error : Please check your Login and password.Please click Ok to check "
              "the correct Login "
              "parameters from the Help Website.");
}

}  // namespace
}  // namespace tessaly
