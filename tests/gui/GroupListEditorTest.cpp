// The grabbed groups editor: its lists and their stores, the messages of Add, Edit and Delete,
// the imports and the export with the file chooser answered by the test, and the main window's
// tree after the editor changed the member's cache.
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <filesystem>

#include "gui/MainWindowFixture.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmYahooGrabber.h"
#include "platform/SpecialFolders.h"
#include "registry/GroupCache.h"
#include "registry/NameSources.h"
#include "service/ServiceHosts.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using gui::TfrmYahooGrabber;

const TNameSource kGroups{TNameSourceKind::GrabbedGroups, {}};

std::string GroupsFile() {
    return NameSourceFileName(TNameSourceKind::GrabbedGroups);
}

class GroupListEditorTest : public MainWindowTest {
protected:
    // An editor over the stores as they are, its file chooser answering `file`.
    TfrmYahooGrabber& Editor(const std::string& file = {}) {
        editor_ = std::make_unique<TfrmYahooGrabber>();
        editor_->chooseFile = [this, file](const std::string&, bool save) {
            asked.push_back(save ? "save" : "open");
            return file;
        };
        editor_->Open();
        return *editor_;
    }
    static void Select(TfrmYahooGrabber& e, int row) {
        e.EntryList().setCurrentRow(row);
        e.EntryList().item(row)->setSelected(true);
    }
    void TearDown() override {
        editor_.reset();
        MainWindowTest::TearDown();
    }
    std::vector<std::string> asked;
    std::unique_ptr<TfrmYahooGrabber> editor_;
};

TEST_F(GroupListEditorTest, OpensOnTheGrabbedGroupsWithEveryMembersCacheListed) {
    ASSERT_TRUE(AddToNameSource(kGroups, {"alpha", "beta"}).Ok());
    ASSERT_TRUE(AddToNameSource({TNameSourceKind::GrabbedURLs, {}}, {"http://a.example/"}).Ok());
    CacheNewGroups("member", {"one"});
    auto& e = Editor();
    EXPECT_EQ(e.windowTitle(), "Grabbed Groups");
    EXPECT_EQ(e.SourceCaptions(), (Names{"[Grabbed Groups]", "[Grabbed URLs]", "member"}));
    EXPECT_EQ(e.Entries(), (Names{"alpha", "beta"}));
    e.SelectSource(1);
    EXPECT_EQ(e.Entries(), (Names{"http://a.example/"}));
    e.SelectSource(2);
    EXPECT_EQ(e.Entries(), (Names{"one"}));

    Names items;
    for (QAction* a : e.UtilsMenu().actions())
        if (!a->isSeparator()) items.push_back(a->text().toStdString());
    EXPECT_EQ(items, (Names{"Add From Emails List", "Add Group List From *.ygrp File",
                            "Export Group List", "Remove Duplicates"}));
}

TEST_F(GroupListEditorTest, AddEditAndDeleteTellWhatIsWrong) {
    auto& e = Editor();
    BoxAnswers boxes;
    // Nothing to edit or delete yet.
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
    e.btEditClick();
    e.btDeleteClick();
    // Two names, then one that differs from the second only by case and blanks, and a blank.
    boxes.Then(BoxAnswers::Input("abc")).Then(BoxAnswers::Input("ABC ")).Then(BoxAnswers::Ok());
    boxes.Then(BoxAnswers::Input("   ")).Then(BoxAnswers::Ok());
    boxes.Then(BoxAnswers::Input("x=y")).Then(BoxAnswers::Ok());
    boxes.Then(BoxAnswers::Input("def"));
    for (int i = 0; i < 5; ++i) e.btAddClick();
    EXPECT_EQ(e.Entries(), (Names{"abc", "def"}));
    // Edit and Delete want a selected name; renaming onto another name is refused.
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
    e.btEditClick();
    e.btDeleteClick();
    Select(e, 1);
    boxes.Then(BoxAnswers::Input("Abc")).Then(BoxAnswers::Ok());
    e.btEditClick();
    boxes.Then(BoxAnswers::Input("ghi"));
    e.btEditClick();
    // Delete asks first; Cancel keeps the name.
    Select(e, 0);
    boxes.Then(BoxAnswers::Cancel()).Then(BoxAnswers::Ok());
    e.btDeleteClick();
    EXPECT_EQ(e.Entries(), (Names{"abc", "ghi"}));
    e.btDeleteClick();
    EXPECT_EQ(e.Entries(), (Names{"ghi"}));
    EXPECT_EQ(ReadNameSource(kGroups).names, (Names{"ghi"}));  // every change is stored

    EXPECT_EQ(boxes.seen,
              (Names{"Error: You dont have any Group to Edit. \n\nAdd some before editing.",
                     "Error: You dont have any Group name to Delete. \n\nAdd some before "
                     "deleting.",
                     "Add new Group: Group name", "Add new Group: Group name",
                     "Error: You already have this Group name. Please enter a new name.",
                     "Add new Group: Group name", "Error: You should enter a valid name.",
                     "Add new Group: Group name",
                     "Error: This list cannot keep the name: it may not hold \"=\" or be longer "
                     "than 253 characters.",
                     "Add new Group: Group name",
                     "Error: Please select a group name before trying to edit.",
                     "Error: Please select a group name before trying to delete.",
                     "Edit Group name: Group Name",
                     "Error: You already have the Group name. Please enter a new name.",
                     "Edit Group name: Group Name",
                     "confirmation: Do you really want to delete the selected Group Name ?",
                     "confirmation: Do you really want to delete the selected Group Name ?"}));
}

TEST_F(GroupListEditorTest, EmailImportStoresEachGroupOnce) {
    const std::string d = hosts::kGroupsMailDomain;
    const std::string mails = Dir() + "mails.txt";
    WriteFile(mails, "To: mygroup-unsubscribe@" + d + "\r\nPost: mygroup@" + d +
                         "\r\nOwner: Other-Owner@" + d + "\r\nnot@example.com\r\n" +
                         // too long for its file to keep: no group name
                         std::string(300, 'l') + "@" + d + "\r\n");
    ASSERT_TRUE(AddToNameSource(kGroups, {"other"}).Ok());  // listed already, in another case
    auto& e = Editor(mails);
    e.SelectSource(1);  // the import shows the grabbed group names whatever was shown
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
    e.btImportFromEmailsListClick();
    EXPECT_EQ(boxes.Last(), "Information: Successfully imported - 1  Groups");
    EXPECT_EQ(e.Entries(), (Names{"other", "mygroup"}));
    EXPECT_EQ(ReadNameSource(kGroups).names, (Names{"other", "mygroup"}));
    // A second import finds nothing new.
    e.btImportFromEmailsListClick();
    EXPECT_EQ(boxes.Last(), "Information: No Groups Found...");
    EXPECT_EQ(ReadNameSource(kGroups).names, (Names{"other", "mygroup"}));
    EXPECT_EQ(asked, (Names{"open", "open"}));
}

TEST_F(GroupListEditorTest, GroupListImportTakesTheNamesPresent) {
    const std::string list = Dir() + "list.ygrp";
    WriteFile(list, "[Groups]\r\nCount=3\r\n0=zeta\r\n2=Alpha\r\n");
    auto& e = Editor(list);
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
    e.btImportGroupListFromygrpFileClick();
    EXPECT_EQ(boxes.Last(), "Information: Successfully imported - 2  Groups");
    EXPECT_EQ(ReadNameSource(kGroups).names, (Names{"Alpha", "zeta"}));
    e.btImportGroupListFromygrpFileClick();
    EXPECT_EQ(boxes.Last(),
              "Information: Almost all the group in the File are available in your list");

    // A hostile count imports what is there, at once.
    WriteFile(list, "[Groups]\r\nCount=2000000000\r\n0=new\r\n");
    boxes.Then(BoxAnswers::Ok());
    e.btImportGroupListFromygrpFileClick();
    EXPECT_EQ(boxes.Last(), "Information: Successfully imported - 1  Groups");
    EXPECT_EQ(e.Entries(), (Names{"Alpha", "zeta", "new"}));
}

TEST_F(GroupListEditorTest, FailuresAreToldAndNothingIsCalledImported) {
    ASSERT_TRUE(AddToNameSource(kGroups, {"kept"}).Ok());
    BoxAnswers boxes;
    // Input files that cannot be read: missing, or a folder.
    for (const std::string& input : {Dir() + "missing.txt", Dir()}) {
        auto& e = Editor(input);
        boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
        e.btImportFromEmailsListClick();
        EXPECT_EQ(boxes.seen.at(boxes.seen.size() - 1)
                      .rfind("Error: The file could not be read; nothing was imported.", 0),
                  0u)
            << boxes.Last();
        e.btImportGroupListFromygrpFileClick();
        EXPECT_EQ(boxes.Last().rfind("Error: The group list could not be read; nothing was "
                                     "imported.",
                                     0),
                  0u)
            << boxes.Last();
        EXPECT_EQ(e.Entries(), (Names{"kept"}));
    }
    // A store that cannot be written: the names are not shown as imported.
    const std::string list = Dir() + "list.ygrp";
    WriteFile(list, "[Groups]\r\nCount=1\r\n0=lost\r\n");
    auto& e = Editor(list);
    fs::remove(GroupsFile());
    fs::create_directory(GroupsFile());
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
    e.btImportGroupListFromygrpFileClick();
    ASSERT_GE(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[boxes.seen.size() - 2].rfind("Error: The list [Grabbed Groups] could "
                                                      "not be read.",
                                                      0),
              0u);
    EXPECT_EQ(boxes.Last().rfind("Error: The imported group names could not be stored; nothing "
                                 "was imported.",
                                 0),
              0u)
        << boxes.Last();
    EXPECT_TRUE(e.Entries().empty());
    for (const std::string& seen : boxes.seen)
        EXPECT_EQ(seen.find("Successfully"), std::string::npos) << seen;
}

TEST_F(GroupListEditorTest, ExportWritesTheShownList) {
    const std::string out = Dir() + "out.ygrp";
    WriteFile(out, "[Groups]\r\nCount=2\r\n0=a\r\n1=b\r\n[Mine]\r\nkeep=1\r\n");
    {
        auto& e = Editor(out);  // an empty list
        e.ExportGroupList1Click();
        EXPECT_EQ(ReadFile(out), "[Mine]\r\nkeep=1\r\n\r\n[Groups]\r\nCount=0\r\n\r\n");
    }
    CacheNewGroups("member", {"one", "two"});
    auto& e = Editor(out);
    e.SelectSource(2);
    e.ExportGroupList1Click();
    EXPECT_EQ(ReadFile(out),
              "[Mine]\r\nkeep=1\r\n\r\n[Groups]\r\nCount=2\r\n0=one\r\n1=two\r\n\r\n");
    EXPECT_EQ(asked, (Names{"save", "save"}));

    auto& failing = Editor(Dir() + "no/such/folder/out.ygrp");
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok());
    failing.ExportGroupList1Click();
    EXPECT_EQ(boxes.Last().rfind("Error: The group list could not be written.", 0), 0u)
        << boxes.Last();
}

// Renaming a cached group in the editor (by a double click on it) shows it unchecked in the
// main window's tree; the marks the tree showed before are kept for the others.
TEST_F(GroupListEditorTest, TheTreeFollowsTheEditedCache) {
    CacheNewGroups("member", {"alpha", "beta", "gamma"});
    auto& m = LoggedIn("member", {"alpha", "beta", "gamma"});
    auto item = [&m](const std::string& text) -> QTreeWidgetItem* {
        for (auto* i : m.Tree().GroupItems())
            if (gui::TGroupTree::TextOf(i) == text) return i;
        return nullptr;
    };
    m.Tree().SetChecked(item("alpha"), false);  // in the tree only, until the editor opens
    BoxAnswers boxes;
    boxes.Then([](QDialog& box) {
        auto* e = qobject_cast<TfrmYahooGrabber*>(&box);
        ASSERT_NE(e, nullptr);
        e->SelectSource(2);
        QListWidget& list = e->EntryList();
        const QRect at = list.visualItemRect(list.item(1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at.center());
        e->EntryList().setCurrentRow(2);
        e->EntryList().item(2)->setSelected(true);
        e->btDeleteClick();
        e->btCancelClick();
    });
    boxes.Then(BoxAnswers::Input("bravo")).Then(BoxAnswers::Ok());
    m.findChild<QAction*>(QStringLiteral("mnuItemViewCachedGroups"))->trigger();
    EXPECT_EQ(boxes.seen.at(0), "Grabbed Groups: ");
    EXPECT_EQ(boxes.seen.at(1), "Edit Group name: Group Name");

    Names shown;
    for (auto* i : m.Tree().GroupItems()) shown.push_back(gui::TGroupTree::TextOf(i));
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (Names{"alpha", "bravo"}));
    EXPECT_FALSE(gui::TGroupTree::IsChecked(item("bravo")));
    EXPECT_FALSE(gui::TGroupTree::IsChecked(item("alpha")));
    EXPECT_EQ(FindGroupState("member", "beta"), std::nullopt);
    EXPECT_EQ(FindGroupState("member", "gamma"), std::nullopt);
}

}  // namespace
}  // namespace tessaly::test
