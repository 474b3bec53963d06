#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooProfiles.h"
#include "platform/RegistryStore.h"
#include "registry/GroupCache.h"
#include "registry/LoginProfiles.h"
#include "registry/ProgramRegistry.h"
#include "support/BoxAnswers.h"
#include "support/TestEnv.h"
#include "text/Scramble.h"

namespace tessaly::test {
namespace {

class DialogsTest : public TempHomeTest {};

TEST_F(DialogsTest, MessageAndInputBoxes) {
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Cancel()).Then(BoxAnswers::Ok()).Then(BoxAnswers::Cancel());
    EXPECT_FALSE(gui::CommonMessageBox(nullptr, "Sure?", TMessageKind::Confirmation, true));
    EXPECT_EQ(boxes.Last(), "confirmation: Sure?");
    EXPECT_TRUE(gui::CommonMessageBox(nullptr, "a\r\nb", TMessageKind::Warning, false));
    EXPECT_EQ(boxes.Last(), "Warning: a\nb");
    std::string text = "kept";
    EXPECT_FALSE(gui::CommonInputBox(nullptr, "Caption", "Prompt", text));
    EXPECT_EQ(text, "kept");
    boxes.Then(BoxAnswers::Input("typed"));
    EXPECT_TRUE(gui::CommonInputBox(nullptr, "Caption", "Prompt", text));
    EXPECT_EQ(text, "typed");
}

TEST_F(DialogsTest, LoginBoxInProfileModeAndPlainMode) {
    SaveLoginProfiles({{"first", "pw1"}, {"second", "pw2"}});
    WriteUseCache(false);
    BoxAnswers boxes;
    boxes.Then([](QDialog& box) {
        auto* names = box.findChild<QComboBox*>(QStringLiteral("cbUserName"));
        EXPECT_TRUE(names->isVisible());
        EXPECT_FALSE(box.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->isVisible());
        EXPECT_TRUE(box.findChild<QPushButton*>(QStringLiteral("btProfiles"))->isVisible());
        auto* cache = box.findChild<QCheckBox*>(QStringLiteral("cbUseCache"));
        EXPECT_TRUE(cache->isChecked());  // ticked whatever was stored
        ASSERT_EQ(names->count(), 2);
        names->setCurrentIndex(1);
        Q_EMIT names->activated(1);  // choosing a profile fills its password
        EXPECT_EQ(box.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->text(), "pw2");
        cache->setChecked(false);
        BoxAnswers::Click(box, "btOk");
    });
    std::string user = "stored", password;
    bool useCache = true;
    ASSERT_TRUE(gui::CommonPasswordBox(nullptr, "Yahoo Login.", user, false, useCache, password));
    EXPECT_EQ(user, "second");
    EXPECT_EQ(password, "pw2");
    EXPECT_FALSE(useCache);
    EXPECT_FALSE(ReadUseCache());  // the box stored the state it was left in

    boxes.Then([](QDialog& box) {
        EXPECT_TRUE(box.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->isVisible());
        EXPECT_FALSE(box.findChild<QComboBox*>(QStringLiteral("cbUserName"))->isVisible());
        EXPECT_FALSE(box.findChild<QPushButton*>(QStringLiteral("btProfiles"))->isVisible());
        EXPECT_FALSE(box.findChild<QCheckBox*>(QStringLiteral("cbUseCache"))->isVisible());
        box.reject();
    });
    std::string plainUser = "x";
    EXPECT_FALSE(
        gui::CommonPasswordBox(nullptr, "Add Profile", plainUser, true, useCache, password));
    EXPECT_EQ(plainUser, "x");
}

TEST_F(DialogsTest, LoginBoxTakesTheProfileSelectedInTheEditor) {
    SaveLoginProfiles({{"first", "pw1"}});
    BoxAnswers boxes;
    boxes
        .Then([](QDialog& box) {
            BoxAnswers::Click(box, "btProfiles");  // the editor opens and is answered below
            auto* names = box.findChild<QComboBox*>(QStringLiteral("cbUserName"));
            EXPECT_EQ(names->count(), 2);  // the list was refreshed from the editor
            EXPECT_EQ(names->currentText(), "added");
            EXPECT_EQ(box.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->text(), "pwA");
            BoxAnswers::Click(box, "btOk");
        })
        .Then([](QDialog& editor) {
            BoxAnswers::Click(editor, "btAddProfile");
            BoxAnswers::Click(editor, "btSelect");
        })
        .Then(BoxAnswers::Login("added", "pwA", false));
    std::string user, password;
    bool useCache = false;
    ASSERT_TRUE(gui::CommonPasswordBox(nullptr, "Yahoo Login.", user, false, useCache, password));
    EXPECT_EQ(user, "added");
    EXPECT_EQ(password, "pwA");
    EXPECT_EQ(LoadLoginProfiles().size(), 2u);
}

TEST_F(DialogsTest, ProfileEditorAddEditDeleteSelectAndStore) {
    CacheNewGroups("member", {"group"});  // a group cache below the profiles key stays
    BoxAnswers boxes;
    {
        gui::TfrmYahooProfiles editor;
        auto* list = editor.findChild<QListWidget*>(QStringLiteral("lbProfile"));
        EXPECT_EQ(list->count(), 0);
        boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
        editor.btEditProfileClick();
        editor.btDeleteProfileClick();
        editor.btSelectClick();
        EXPECT_EQ(boxes.seen,
                  (std::vector<std::string>{"Error: Please select an item before editing.",
                                            "Error: Please select an item before deleting.",
                                            "Error: Please select an item before Selecting."}));
        boxes.Then(BoxAnswers::Login("alice", "a1", false))
            .Then(BoxAnswers::Login("bob", "b1", false))
            .Then(BoxAnswers::Login("bob", "b2", false));
        editor.btAddProfileClick();
        editor.btAddProfileClick();
        editor.btAddProfileClick();  // a repeated name is accepted here
        EXPECT_EQ(list->count(), 3);
        EXPECT_EQ(list->currentRow(), 2);
        boxes.Then(BoxAnswers::Login("carol", "c1", false));
        list->setCurrentRow(0);
        editor.btEditProfileClick();
        EXPECT_EQ(list->item(0)->text(), "carol");
        EXPECT_EQ(editor.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->text(), "c1");
        editor.show();
        editor.close();  // the close box also stores
    }
    EXPECT_EQ(LoadLoginProfiles(), (std::vector<TLoginProfile>{{"carol", "c1"}, {"bob", "b2"}}));
    EXPECT_EQ(FindGroupState("member", "group"), "C:N");
    {
        gui::TfrmYahooProfiles editor;
        auto* list = editor.findChild<QListWidget*>(QStringLiteral("lbProfile"));
        ASSERT_EQ(list->count(), 2);
        list->setCurrentRow(1);
        editor.btSelectClick();
        EXPECT_EQ(editor.result(), QDialog::Accepted);
        EXPECT_EQ(editor.GetSelected(), (std::pair<std::string, std::string>{"bob", "b2"}));
    }
    {
        gui::TfrmYahooProfiles editor;
        editor.btDeleteProfileClick();
        editor.btDeleteProfileClick();
        editor.reject();
    }
    EXPECT_TRUE(LoadLoginProfiles().empty());
    EXPECT_EQ(LoadCachedGroupNames("member"), std::vector<std::string>{"group"});
}

TEST_F(DialogsTest, ProfilePasswordsKeepEveryByteAndOldStringsStillRead) {
    // A password whose scrambled form holds a 0 byte, which a string value would cut.
    std::string password;
    for (int i = 0; i < 100000 && password.empty(); ++i) {
        const std::string candidate = "pw" + std::to_string(i);
        if (ScrambleText(candidate, kUserNameScrambleKey).find('\0') != std::string::npos)
            password = candidate;
    }
    ASSERT_FALSE(password.empty());
    SaveLoginProfiles({{"zero", password}});
    EXPECT_EQ(LoadLoginProfiles(), (std::vector<TLoginProfile>{{"zero", password}}));

    ThreadRegistry().WriteValue(RegRoot::CurrentUser, LoginProfilesKey(), "older",
                                RegValue::String(ScrambleText("old", kUserNameScrambleKey)));
    EXPECT_EQ(LoadLoginProfiles().back(), (TLoginProfile{"older", "old"}));
}

TEST_F(DialogsTest, ProfileSaveIsOneTransaction) {
    SaveLoginProfiles({{"kept", "k"}, {"also", "a"}});
    // The store refuses one of the new values half-way through the save: the whole save fails
    // and the stored profiles stay as they were (none is lost to the deletion before it).
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(ThreadRegistry().FileName().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER refuse BEFORE INSERT ON reg_values WHEN "
                           "NEW.name = 'poison' BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_THROW(SaveLoginProfiles({{"new", "n"}, {"poison", "p"}}), ERegistryException);
    EXPECT_EQ(LoadLoginProfiles(), (std::vector<TLoginProfile>{{"kept", "k"}, {"also", "a"}}));
}

TEST_F(DialogsTest, ProgressDialog) {
    QWidget active;
    active.show();
    QApplication::setActiveWindow(&active);
    gui::TfrmProgress progress;
    progress.StartProgress("", 100);
    EXPECT_EQ(progress.windowTitle(), "Copy");
    EXPECT_EQ(progress.DisabledWindow(), &active);
    EXPECT_FALSE(active.isEnabled());
    progress.SetStatusText("Working");
    progress.SetCaptionText("Caching..");
    EXPECT_EQ(progress.StatusText(), "Working");
    EXPECT_EQ(progress.windowTitle(), "Caching..");
    progress.FinishProgress();
    EXPECT_TRUE(active.isEnabled());
    EXPECT_FALSE(progress.isVisible());
}

}  // namespace
}  // namespace tessaly::test
