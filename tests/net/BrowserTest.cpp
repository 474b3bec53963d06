#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

#include "browser/PageBrowser.h"
#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "registry/GroupCache.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "support/SimFixture.h"

namespace tessaly {
namespace {

// Records what the login shows and answers the login box as told.
class RecordingUi : public ILoginUi {
public:
    bool CommonMessageBox(const std::string& text, TMessageKind kind, bool) override {
        messages.push_back(std::string(MessageKindCaption(kind)) + ": " + text);
        return false;
    }
    bool CommonPasswordBox(const std::string& caption, std::string& user, bool plain,
                           bool& useCache, std::string& password) override {
        boxCaption = caption;
        plainMode = plain;
        useCache = answerUseCache;
        if (!confirm) return false;
        user = answerUser;
        password = answerPassword;
        return true;
    }
    void ShowPlainMessage(const std::string& text) override {
        messages.push_back("plain: " + text);
    }
    void StartProgress(const std::string& caption, int) override {
        status.push_back("progress: " + caption);
    }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    void ResetProgressDialog() override {}
    void SetStatusPanel(int panel, const std::string& text) override {
        status.push_back("panel" + std::to_string(panel) + ": " + text);
    }
    void OpenWebPage(const std::string& url) override { opened.push_back(url); }

    bool confirm = true;
    bool answerUseCache = true;
    std::string answerUser = "demo_member";
    std::string answerPassword = "tessaly-demo";
    std::string boxCaption;
    bool plainMode = true;
    std::vector<std::string> messages, status, opened;
};

class BrowserTest : public test::SimServiceTest {
protected:
    void SetUp() override {
        test::EnsureQtApp();
        test::SimServiceTest::SetUp();
        browser_ = std::make_unique<TPageBrowser>();
        session_ = std::make_unique<TMemberSession>(options_, *browser_, ui_);
    }
    void TearDown() override {
        session_.reset();
        browser_.reset();
        test::SimServiceTest::TearDown();
    }
    std::string Page() { return LinesToText(session_->PageBuffer); }

    TYahooDownloadOptions options_;
    RecordingUi ui_;
    std::unique_ptr<TPageBrowser> browser_;
    std::unique_ptr<TMemberSession> session_;
};

TEST_F(BrowserTest, FormsAreFilledAndSubmittedAsABrowserWould) {
    ASSERT_TRUE(session_->OpenURL("http://groupsim.control/forms", session_->PageBuffer));
    ASSERT_EQ(browser_->Forms().size(), 2u);
    EXPECT_TRUE(browser_->SetFormFieldValue(" LOGIN ", "demo & co"));
    EXPECT_EQ(browser_->Forms()[0].elements[0].value, "demo & co");
    EXPECT_EQ(browser_->Forms()[1].elements[0].value, "demo & co");  // both forms' elements
    EXPECT_TRUE(browser_->SetFormCheckBox("keep", true));
    EXPECT_FALSE(browser_->SetFormFieldValue("nothing", "x"));

    // A click by value wins over an earlier element with the name.
    session_->ClickAndWait("go", "Send it", session_->PageBuffer);
    EXPECT_NE(Page().find("method=POST"), std::string::npos) << Page();
    EXPECT_NE(
        Page().find("body=login=demo+%26+co&amp;colour=blue&amp;note=a+%3Cb%3E&amp;other=Send+it"),
        std::string::npos)
        << Page();

    ASSERT_TRUE(session_->OpenURL("http://groupsim.control/forms", session_->PageBuffer));
    browser_->SetFormCheckBox("keep", true);
    session_->ClickAndWait("go", "", session_->PageBuffer);
    EXPECT_EQ(browser_->LocationURL(),
              "http://groupsim.control/echo?login=&kind=first+%26+only&keep=y&go=Go");

    ASSERT_TRUE(session_->OpenURL("http://groupsim.control/forms", session_->PageBuffer));
    session_->ClickAndWait(".save", "", session_->PageBuffer);  // " .SAVE " matches
    EXPECT_NE(Page().find("&amp;+.SAVE+=Save"), std::string::npos) << Page();
}

TEST_F(BrowserTest, RedirectsRefreshesHistoryAndLoops) {
    ASSERT_TRUE(session_->OpenURL(
        "http://login.yahoo.com/config/verify?.done=http%3A//groups.yahoo.com/mygroups",
        session_->PageBuffer));
    // The refresh led on to My Groups, which sent the signed-out browser to the login page.
    EXPECT_EQ(browser_->LocationURL().rfind("http://login.yahoo.com/config/login?.src=ygrp", 0),
              0u);
    EXPECT_FALSE(browser_->Forms().empty());
    EXPECT_FALSE(session_->OpenURL("http://groupsim.control/refresh-loop", session_->PageBuffer));
    EXPECT_TRUE(session_->PageBuffer.empty());
    ASSERT_TRUE(session_->OpenURL("http://groupsim.control/forms", session_->PageBuffer));
    ASSERT_TRUE(browser_->CanGoBack());
    browser_->GoBack();
    session_->GetDocumentText(session_->PageBuffer);
    EXPECT_EQ(browser_->LocationURL().rfind("http://login.yahoo.com/config/login", 0), 0u);
    EXPECT_TRUE(browser_->CanGoForward());

    Service().SetFaults(groupsim::GroupService::ParseFaults("loop=/group/Filler01/"));
    EXPECT_FALSE(
        session_->OpenURL("http://groups.yahoo.com/group/Filler01/", session_->PageBuffer));
    Service().SetFaults({});
}

// The history keeps the latest pages only, and Back walks them in order.
TEST_F(BrowserTest, HistoryIsBounded) {
    const std::size_t pages = TPageBrowser::kMaxHistory + 10;
    for (std::size_t i = 0; i < pages; ++i) {
        ASSERT_TRUE(session_->OpenURL("http://groupsim.control/echo?page=" + std::to_string(i),
                                      session_->PageBuffer));
    }
    std::size_t back = 0;
    while (browser_->CanGoBack()) {
        browser_->GoBack();
        session_->GetDocumentText(session_->PageBuffer);
        ++back;
        EXPECT_EQ(browser_->LocationURL(),
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
    auto waitIdle = [&](TPageBrowser& b) {
        while (b.Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(session_->OpenURL("http://groupsim.control/forms", session_->PageBuffer));
    QTimer::singleShot(100, [&] { browser_->Stop(); });
    browser_->Navigate(hanging);
    waitIdle(*browser_);
    EXPECT_EQ(browser_->LocationURL(), "http://groupsim.control/forms");
    EXPECT_EQ(browser_->Forms().size(), 2u);

    QTimer::singleShot(100, [&] { browser_->Navigate("http://groupsim.control/echo?x=1"); });
    browser_->Navigate(hanging);
    waitIdle(*browser_);
    EXPECT_EQ(browser_->LocationURL(), "http://groupsim.control/echo?x=1");
    EXPECT_FALSE(browser_->NavigationFailed());

    TPageBrowser impatient(nullptr, 1);
    impatient.Navigate(hanging);
    waitIdle(impatient);
    EXPECT_TRUE(impatient.NavigationFailed());
    EXPECT_NE(impatient.DocumentSource().find("cannot be displayed"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    Service().SetFaults({});
}

TEST_F(BrowserTest, FormLoginLeavesCookiesForDownloads) {
    session_->SetUserName("demo_member");
    session_->SetPassword("tessaly-demo");
    ASSERT_TRUE(session_->FormLogin());
    EXPECT_EQ(session_->LoginOutcome(), dsOk);
    EXPECT_EQ(session_->FailedLogins(), 0);
    EXPECT_EQ(session_->CurrentLocation(), "http://groups.yahoo.com/mygroups");

    THttpClient client;
    client.SetURL("http://groups.yahoo.com/group/DemoGroup/attach/6/photo6.jpg");
    ASSERT_TRUE(client.Get()) << client.StatusText;
    EXPECT_EQ(client.BodyText(), groupsim::FileContent(kSeed, "DemoGroup/attach/6/photo6.jpg"));

    // The form login ticks "keep me signed in": the end of the browser session drops the
    // session cookie and keeps the persistent one, which also survives a restart.
    const std::string before = TCookieStore::Instance().CookieHeader("http://groups.yahoo.com/");
    EXPECT_NE(before.find("Y="), std::string::npos);
    session_->EndBrowserSession();
    const std::string after = TCookieStore::Instance().CookieHeader("http://groups.yahoo.com/");
    EXPECT_EQ(after.rfind("T=", 0), 0u);
    EXPECT_EQ(after.find("Y="), std::string::npos);
    EXPECT_EQ(
        TCookieStore(TCookieStore::Instance().FileName()).CookieHeader("http://groups.yahoo.com/"),
        after);
}

TEST_F(BrowserTest, FailedLoginsCountAndTheDirectLoginStepsIn) {
    session_->SetUserName("demo_member");
    session_->SetPassword("wrong");
    EXPECT_FALSE(session_->FormLogin());
    EXPECT_EQ(session_->LoginOutcome(), dsError);
    EXPECT_EQ(session_->FailedLogins(), 1);
    EXPECT_FALSE(session_->FormLogin());
    EXPECT_EQ(session_->FailedLogins(), 2);

    // A login form whose field names changed: the form login fails, the direct login succeeds.
    options_.strAutoLoginUserName = "username";
    session_->SetPassword("tessaly-demo");
    EXPECT_TRUE(session_->FormLogin());
    EXPECT_EQ(session_->FailedLogins(), 0);
    EXPECT_EQ(session_->CurrentLocation().find("login.yahoo"), std::string::npos);
}

TEST_F(BrowserTest, MyGroupsAcrossThreePages) {
    session_->SetUserName("demo_member");
    session_->SetPassword("tessaly-demo");
    ASSERT_TRUE(session_->FormLogin());
    std::vector<std::string> names{"stale"};
    session_->GetMyGroups(names);
    EXPECT_EQ(names.size(), 23u);
    EXPECT_EQ(names.front(), "AdultGroup");
    EXPECT_NE(std::find(names.begin(), names.end(), "mixedcasegroup"), names.end());
    EXPECT_NE(std::find(ui_.status.begin(), ui_.status.end(), "Getting Mygroups page 3 of 3"),
              ui_.status.end());
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
    ui_.confirm = false;
    ui_.answerUser = "";
    TLoginResult cancelled = session_->RunLoginCommand();
    EXPECT_FALSE(cancelled.attempted);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].rfind("plain: You have choosen to cancel the AutoLogin.", 0), 0u);
    EXPECT_EQ(ui_.messages[1], "Warning: Please enter a valid User Name");
    EXPECT_EQ(ui_.boxCaption, "Yahoo Login.");
    EXPECT_FALSE(ui_.plainMode);

    ui_.messages.clear();
    ui_.confirm = true;
    ui_.answerUser = "me@example.com";
    EXPECT_FALSE(session_->RunLoginCommand().attempted);
    EXPECT_EQ(ui_.messages,
              std::vector<std::string>{
                  "Warning: You should not enter Email Address Here. Please Enter your UserID"});
    Service().ClearLog();
    EXPECT_TRUE(Service().Log().empty());  // no page was loaded

    ui_.messages.clear();
    ui_.answerUser = " demo_member ";
    TLoginResult first = session_->RunLoginCommand();
    ASSERT_TRUE(first.loggedIn);
    EXPECT_EQ(first.names.size(), 23u);
    EXPECT_EQ(LoadCachedGroupNames("demo_member").size(), 23u);  // cached for the next time
    EXPECT_EQ(session_->UserName(), "demo_member");

    // With the cache ticked and a filled cache, no My Groups page is fetched.
    Service().ClearLog();
    TLoginResult second = session_->RunLoginCommand();
    EXPECT_EQ(second.names.size(), 23u);
    for (const auto& e : Service().Log())
        EXPECT_EQ(e.path.find("/mygroups?"), std::string::npos) << e.path;

    ui_.answerPassword = "wrong";
    TLoginResult failed = session_->RunLoginCommand();
    EXPECT_FALSE(failed.loggedIn);
    EXPECT_EQ(session_->FailedLogins(), 1);
    EXPECT_EQ(ui_.messages.back(),
              "Error: Login Error : Please check your Login and password.Please click Ok to check "
              "the correct Login "
              "parameters from the Help Website.");
}

}  // namespace
}  // namespace tessaly
