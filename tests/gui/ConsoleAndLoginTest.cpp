#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "browser/PageBrowser.h"
#include "gui/MainWindowFixture.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmYahooBrowser.h"
#include "registry/GroupCache.h"
#include "support/SimFixture.h"

namespace tessaly::test {
namespace {

class ConsoleTest : public SimServiceTest {};

TEST_F(ConsoleTest, FollowsANavigation) {
    TPageBrowser browser;
    gui::TfrmYahooBrowser console(browser);
    EXPECT_EQ(console.windowTitle(), "Console - Tessaly");
    EXPECT_FALSE(console.actBack->isEnabled());
    browser.Navigate("http://groups.yahoo.com/group/DemoGroup/");
    ASSERT_TRUE(WaitFor(
        [&] {
            console.FollowBrowser();
            return console.AddressText().contains(QStringLiteral("DemoGroup"));
        },
        20000));
    EXPECT_EQ(console.AddressText().toStdString(), browser.LocationURL());
    EXPECT_EQ(console.SourceText().toStdString(), browser.DocumentSource());
    browser.Navigate("http://groups.yahoo.com/mygroups");
    ASSERT_TRUE(WaitFor(
        [&] {
            console.FollowBrowser();
            return console.AddressText().contains(QStringLiteral("mygroups"));
        },
        20000));
    EXPECT_TRUE(console.actBack->isEnabled());
}

// Signs in through the login box against the simulated service running as its own program.
class LoginThroughTheBoxTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        service_ = ::fork();
        ASSERT_GE(service_, 0);
        if (service_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(GROUPSIM_BINARY, GROUPSIM_BINARY, "--port", "0", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
        ::close(out[0]);
        ASSERT_GT(std::atoi(line.c_str()), 0) << "the service did not start";
        ::setenv("http_proxy", ("http://127.0.0.1:" + line).c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    void TearDown() override {
        main_.reset();
        if (service_ > 0) {
            ::kill(service_, SIGTERM);
            ::waitpid(service_, nullptr, 0);
        }
        ::unsetenv("http_proxy");
        MainWindowTest::TearDown();
    }
    pid_t service_ = -1;
};

TEST_F(LoginThroughTheBoxTest, FillsTheTreeFromMyGroups) {
    auto& m = Main();
    m.show();
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Login("wrong_member", "nope", true)).Then(BoxAnswers::Cancel());
    m.mnuItemLoginClick();
    EXPECT_EQ(boxes.Last().rfind("Error: Login Error", 0), 0u) << boxes.Last();
    EXPECT_FALSE(m.LoggedIn());
    EXPECT_EQ(m.Session().FailedLogins(), 1);

    boxes.Then(BoxAnswers::Login("demo_member", "tessaly-demo", true));
    m.mnuItemLoginClick();
    ASSERT_TRUE(m.LoggedIn()) << boxes.Last();
    const auto cached = LoadCachedGroupNames("demo_member");
    ASSERT_FALSE(cached.empty());
    const auto items = m.Tree().AllItems();
    ASSERT_EQ(items.size(), cached.size() + 1);
    EXPECT_EQ(gui::TGroupTree::TextOf(items[0]), "<demo_member>");
    EXPECT_EQ(m.StatusPanel(0).toStdString(), "Groups :" + std::to_string(cached.size()));
    EXPECT_EQ(m.Session().FailedLogins(), 0);
    EXPECT_TRUE(m.isEnabled());  // the progress dialog gave the window back
    EXPECT_TRUE(boxes.AllUsed());
}

}  // namespace
}  // namespace tessaly::test
