#include <gtest/gtest.h>

#include "browser/PageBrowser.h"
#include "gui/MainWindowFixture.h"
#include "gui/SimServiceFixture.h"
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
class LoginThroughTheBoxTest : public SimProcessTest {
protected:
    void SetUp() override {
        SimProcessTest::SetUp();
        StartService();
    }
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
