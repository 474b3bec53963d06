#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTreeWidget>

#include "gui/MainWindowFixture.h"
#include "gui/TGroupTree.h"
#include "platform/RegistryStore.h"
#include "registry/GroupCache.h"
#include "registry/RegistryLayout.h"

namespace tessaly::test {
namespace {

using gui::TCommand;
using gui::TGroupTree;

QTreeWidgetItem* Item(gui::TfrmYahooMain& m, const std::string& text) {
    for (auto* item : m.Tree().AllItems()) {
        if (TGroupTree::TextOf(item) == text) return item;
    }
    return nullptr;
}

std::string Selected(gui::TfrmYahooMain& m) {
    auto* item = m.Tree().SelectedItem();
    return item == nullptr ? "" : TGroupTree::TextOf(item);
}

TEST_F(MainWindowTest, CommandStatesFollowTheLogin) {
    auto& m = Main();
    const TCommand loggedInOnly[] = {TCommand::Logout, TCommand::StartDownload,
                                     TCommand::SectionMenu, TCommand::GroupCommands,
                                     TCommand::GroupToolbar};
    const TCommand loggedOutOnly[] = {TCommand::Login, TCommand::LoginProfiles};
    EXPECT_EQ(m.StatusPanel(0), "Not logged in.");
    for (auto c : loggedInOnly) EXPECT_FALSE(m.Action(c)->isEnabled()) << static_cast<int>(c);
    for (auto c : loggedOutOnly) EXPECT_TRUE(m.Action(c)->isEnabled()) << static_cast<int>(c);

    LoggedIn("member", {"one", "two"});
    for (auto c : loggedInOnly) EXPECT_TRUE(m.Action(c)->isEnabled()) << static_cast<int>(c);
    for (auto c : loggedOutOnly) EXPECT_FALSE(m.Action(c)->isEnabled()) << static_cast<int>(c);
    EXPECT_EQ(m.StatusPanel(0), "Groups :0");  // the count of the last login, none here

    // Logout asks; Cancel keeps the state, Ok returns to logged out with the tree kept.
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Cancel()).Then(BoxAnswers::Ok());
    m.mnuItemLogoutClick();
    EXPECT_TRUE(m.LoggedIn());
    m.mnuItemLogoutClick();
    EXPECT_FALSE(m.LoggedIn());
    EXPECT_EQ(boxes.Last(), "confirmation: Do you really want to logout ?");
    EXPECT_FALSE(m.Action(TCommand::GroupCommands)->isEnabled());
    EXPECT_EQ(m.Tree().AllItems().size(), 3u);
}

TEST_F(MainWindowTest, TreeIsFilledFromTheCachedStates) {
    WriteGroupState("member", "favOnly", ":U:F");
    WriteGroupState("member", "emptyState", "");
    WriteGroupState("member", "Checked", "C:N:A12");
    auto& m = LoggedIn("member", {"newOne", "favOnly", "emptyState", "Checked"});

    const auto items = m.Tree().AllItems();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(TGroupTree::TextOf(items[0]), "<member>");
    EXPECT_FALSE(items[0]->flags() & Qt::ItemIsUserCheckable);
    struct Case {
        const char* name;
        bool checked, favourite;
    };
    for (const Case& c : {Case{"newOne", true, false}, Case{"favOnly", false, true},
                          Case{"emptyState", false, false}, Case{"Checked", true, false}}) {
        QTreeWidgetItem* item = Item(m, c.name);
        ASSERT_NE(item, nullptr) << c.name;
        EXPECT_EQ(TGroupTree::IsChecked(item), c.checked) << c.name;
        EXPECT_EQ(TGroupTree::IsFavourite(item), c.favourite) << c.name;
    }
    // Sorted without regard to case; the first group is selected and current.
    EXPECT_EQ(TGroupTree::TextOf(items[1]), "Checked");
    EXPECT_EQ(TGroupTree::TextOf(items[4]), "newOne");
    EXPECT_EQ(m.CurrentGroup(), "Checked");
}

TEST_F(MainWindowTest, FindAndFindNext) {
    auto& m = LoggedIn("member", {"alpha", "beta", "alphabet", "gamma"});
    m.Tree().clearSelection();
    m.Tree().setCurrentItem(nullptr);
    {
        BoxAnswers boxes;  // no search text yet: Find Next asks as Find a Group does
        boxes.Then(BoxAnswers::Input("  ALPHA "));
        m.mnuItemUtilsFindNextClick();
        EXPECT_EQ(boxes.Last(), "Find a Group name: Enter a Group name (partial)");
    }
    EXPECT_EQ(Selected(m), "alpha");
    m.mnuItemUtilsFindNextClick();
    EXPECT_EQ(Selected(m), "alphabet");
    m.mnuItemUtilsFindNextClick();  // the last match: no wrap-around
    EXPECT_EQ(Selected(m), "alphabet");
    EXPECT_EQ(m.Tree().selectedItems().size(), 1);

    m.Tree().clearSelection();  // nothing selected: nothing happens
    m.mnuItemUtilsFindNextClick();
    EXPECT_EQ(Selected(m), "");

    BoxAnswers boxes;  // the root takes part in the search
    boxes.Then(BoxAnswers::Input("memb"));
    m.mnuItemUtilsFindaGroupClick();
    EXPECT_EQ(Selected(m), "<member>");
}

TEST_F(MainWindowTest, CheckAndUncheckGroupsStartingWith) {
    auto& m = LoggedIn("member", {"Abc", "abd", "xab", "zzz"});
    m.CheckAll(false);
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Input(" ab ")).Then(BoxAnswers::Ok());
    m.CheckGroupsStartingWith(true);
    EXPECT_EQ(boxes.Last(), "Information: 2 groups are selected");
    EXPECT_TRUE(TGroupTree::IsChecked(Item(m, "Abc")));
    EXPECT_TRUE(TGroupTree::IsChecked(Item(m, "abd")));
    EXPECT_FALSE(TGroupTree::IsChecked(Item(m, "xab")));

    boxes.Then(BoxAnswers::Input("ABD")).Then(BoxAnswers::Ok());
    m.CheckGroupsStartingWith(false);
    EXPECT_EQ(boxes.Last(), "Information: 1 groups are unselected.");
    EXPECT_FALSE(TGroupTree::IsChecked(Item(m, "abd")));

    boxes.Then(BoxAnswers::Input("q")).Then(BoxAnswers::Ok());
    m.CheckGroupsStartingWith(true);
    EXPECT_EQ(boxes.Last(), "Error: No Groups available");

    // Invert and the favourite variants.
    m.Tree().SetFavourite(Item(m, "zzz"), true);
    m.mnuItemUtilsInvertSelectionClick();
    EXPECT_FALSE(TGroupTree::IsChecked(Item(m, "Abc")));
    EXPECT_TRUE(TGroupTree::IsChecked(Item(m, "xab")));
    m.CheckFavouriteGroups(false);
    EXPECT_FALSE(TGroupTree::IsChecked(Item(m, "zzz")));
    EXPECT_TRUE(TGroupTree::IsChecked(Item(m, "xab")));
}

TEST_F(MainWindowTest, AddGroupAndDelete) {
    auto& m = LoggedIn("member", {"one", "two"});
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Input("  added "));
    m.tbPlusClick();
    QTreeWidgetItem* added = Item(m, "added");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->parent(), m.Tree().Root());
    EXPECT_FALSE(TGroupTree::IsChecked(added));
    EXPECT_EQ(FindGroupState("member", "added"), ":U:N");
    EXPECT_EQ(Selected(m), "added");

    m.Tree().SelectOnly(m.Tree().Root());
    boxes.Then(BoxAnswers::Ok());
    m.ToolButton2Click();
    EXPECT_EQ(boxes.Last(), "Error: You cannot delete this Item");

    m.Tree().SelectOnly(added);
    boxes.Then(BoxAnswers::Cancel());
    m.ToolButton2Click();
    EXPECT_NE(Item(m, "added"), nullptr);
    boxes.Then(BoxAnswers::Ok());
    m.ToolButton2Click();
    EXPECT_EQ(boxes.Last(), "confirmation: Do you want to delete the selected item ?.");
    EXPECT_EQ(Item(m, "added"), nullptr);
    EXPECT_EQ(FindGroupState("member", "added"), std::nullopt);

    m.Tree().clearSelection();
    boxes.Then(BoxAnswers::Ok());
    m.ToolButton2Click();
    EXPECT_EQ(boxes.Last(), "Error: Please select an item before trying to delete it.");
}

TEST_F(MainWindowTest, ClosingAsksThenSavesTheMarksAndTheSection) {
    CacheNewGroups("member", {"keep", "fav"});
    WriteGroupState("member", "keep", "C:N:A40");
    auto& m = LoggedIn("member", {"keep", "fav", "fresh"});
    m.show();
    m.Tree().SetChecked(Item(m, "keep"), false);
    m.Tree().SetFavourite(Item(m, "fav"), true);
    m.SelectSection(TYahooDownloadOptions::kSectionPhotos);
    WriteDLMode(TYahooDownloadOptions::kSectionFiles);

    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Cancel());
    EXPECT_FALSE(m.close());
    EXPECT_EQ(FindGroupState("member", "keep"), "C:N:A40");  // nothing saved

    boxes.Then(BoxAnswers::Ok());
    EXPECT_TRUE(m.close());
    EXPECT_EQ(boxes.Last(), "Warning: Do you really want to close the application ?");
    EXPECT_EQ(FindGroupState("member", "keep"), ":N:A40:U");
    EXPECT_EQ(FindGroupState("member", "fav"), ":C:F");
    EXPECT_EQ(FindGroupState("member", "fresh"), ":C:N");
    EXPECT_EQ(ReadDLMode(), TYahooDownloadOptions::kSectionPhotos);
}

TEST_F(MainWindowTest, SectionsAndTheStoredSection) {
    WriteDLMode(TYahooDownloadOptions::kSectionAttachments);  // DLMode 3 reads as Files
    auto& m = Main();
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionFiles);
    m.tbSectionClick();
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionPhotos);
    m.tbSectionClick();
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionMessages);
    EXPECT_EQ(ReadDLMode(), TYahooDownloadOptions::kSectionMessages);
    m.tbSectionClick();
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionFiles);
}

TEST_F(MainWindowTest, MailAddressesArePercentEncodedAndGroupPagesOpen) {
    auto& m = LoggedIn("member", {"one", "two"});
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Input("a&b=c #1 100%?"));
    m.mnuItemHelpReportBugClick();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0],
              "mailto:bugs@tessaly.example.org?subject=Tessaly%20-%20Youve%20Got%20a%20Bugs%21%20"
              "&body=a%26b%3Dc%20%231%20100%25%3F");
    // The suggestion's initial text alone sends nothing.
    boxes.Then(BoxAnswers::Ok());
    m.mnuItemHelpSendSuggestionClick();
    EXPECT_EQ(opened.size(), 1u);

    m.Tree().SelectOnly(Item(m, "two"));
    m.OpenGroupInaBrowser1Click();
    EXPECT_EQ(opened.back(), "http://groups.yahoo.com/group/two/");
    m.Tree().SelectOnly(m.Tree().Root());
    m.OpenGroupInaBrowser1Click();  // nothing for the root
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(MainWindowTest, OtherBrowserWindowsStayOpenWhenTheMainWindowLosesFocus) {
    auto& m = Main();
    m.show();
    QWidget other;
    other.setWindowTitle(QStringLiteral("Windows Internet Explorer"));
    other.show();
    QApplication::setActiveWindow(&m);
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_TRUE(other.isVisible());
}

TEST_F(MainWindowTest, CheckingAndFindingInALargeTreeStayQuick) {
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) names.push_back("group" + std::to_string(i));
    auto& m = LoggedIn("member", names);
    ASSERT_EQ(m.Tree().AllItems().size(), 5001u);
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Input("group4999"));
    m.mnuItemUtilsFindaGroupClick();
    EXPECT_EQ(Selected(m), "group4999");
    m.mnuItemUtilsInvertSelectionClick();
    EXPECT_FALSE(TGroupTree::IsChecked(Item(m, "group0")));
}

}  // namespace
}  // namespace tessaly::test
