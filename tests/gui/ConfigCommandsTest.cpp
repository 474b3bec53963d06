// The main window's Export and Import Configuration Data commands, through their menu items,
// with the folder chooser answered by the test and the files really written in the test's home.
#include <gtest/gtest.h>

#include <QAction>
#include <QStatusBar>
#include <filesystem>

#include "config/ConfigExportImport.h"
#include "gui/MainWindowFixture.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmProgress.h"
#include "platform/SpecialFolders.h"
#include "registry/GroupCache.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using gui::TGroupTree;

class ConfigCommandsTest : public MainWindowTest {
protected:
    // The main window with its chooser answering `folder` and noting the captions it was asked
    // with.
    gui::TfrmYahooMain& Chooses(const std::string& folder) {
        Main().chooseFolder = [this, folder](const std::string& caption) {
            captions.push_back(caption);
            return folder;
        };
        return Main();
    }
    void Trigger(const char* action) {
        QAction* a = Main().findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(a, nullptr) << action;
        ASSERT_TRUE(a->isEnabled()) << action;
        a->trigger();
    }
    QTreeWidgetItem* Item(const std::string& text) {
        for (auto* item : Main().Tree().GroupItems())
            if (TGroupTree::TextOf(item) == text) return item;
        return nullptr;
    }
    std::vector<std::string> captions;
};

TEST_F(ConfigCommandsTest, ExportThenImportBringsBackWhatTheWindowShowed) {
    auto& m = LoggedIn("member", {"alpha", "beta"});
    m.Tree().SetChecked(Item("alpha"), false);
    m.Tree().SetFavourite(Item("alpha"), true);  // only in the tree until the export saves it
    m.Options().intThreadCount = 7;
    ASSERT_TRUE(m.Options().Save());
    m.SelectSection(TYahooDownloadOptions::kSectionPhotos);
    WriteFile(ConfigurationFolder() + "notes/kept.txt", "first");
    const std::string out = Dir() + "export";

    BoxAnswers boxes;  // none may open: both transfers are complete
    Chooses(out);
    Trigger("mnuItemExportConfigurationData");
    EXPECT_EQ(ReadFile(out + "/registry.reg").rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(ReadFile(out + "/registry.reg").find(":U:F"), std::string::npos);
    EXPECT_EQ(ReadFile(out + "/notes/kept.txt"), "first");
    EXPECT_NE(ReadFile(out + "/Data/Options.ini").find("intThreadCount=7"), std::string::npos);
    EXPECT_TRUE(m.statusBar()->currentMessage().startsWith("Exported the configuration to "));

    // Everything changes after the export, on disk, in the registry and in the window.
    m.Tree().SetChecked(Item("alpha"), true);
    m.Tree().SetFavourite(Item("alpha"), false);
    m.SaveGroupTree();
    m.Options().intThreadCount = 2;
    ASSERT_TRUE(m.Options().Save());
    m.SelectSection(TYahooDownloadOptions::kSectionMessages);
    WriteFile(ConfigurationFolder() + "notes/kept.txt", "second");
    WriteFile(ConfigurationFolder() + "notes/new.txt", "new");

    Trigger("mnuItemImportConfigurationData");
    EXPECT_EQ(captions, (std::vector<std::string>{kExportFolderCaption, kImportFolderCaption}));
    EXPECT_EQ(ReadGroupState("member", "alpha"), ":U:F");
    EXPECT_EQ(ReadFile(ConfigurationFolder() + "notes/kept.txt"), "first");
    EXPECT_EQ(ReadFile(ConfigurationFolder() + "notes/new.txt"), "new");  // kept
    // The window shows the imported settings: the tree's marks, the options, the section.
    EXPECT_FALSE(TGroupTree::IsChecked(Item("alpha")));
    EXPECT_TRUE(TGroupTree::IsFavourite(Item("alpha")));
    EXPECT_EQ(m.Options().intThreadCount, 7);
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionPhotos);
    EXPECT_TRUE(m.statusBar()->currentMessage().startsWith("Imported the configuration from "));
    EXPECT_TRUE(m.Progress().isHidden());
    EXPECT_TRUE(boxes.seen.empty());

    // Closing saves the tree: the imported marks stay.
    m.SaveGroupTree();
    EXPECT_EQ(ReadGroupState("member", "alpha"), ":U:F");
}

// What could not be exported is told at the end, after the rest was done.
TEST_F(ConfigCommandsTest, AnIncompleteExportEndsWithAnErrorBox) {
    const std::string out = Dir() + "export/";
    fs::create_directories(out + "registry.reg");  // the registry file cannot be written
    WriteFile(ConfigurationFolder() + "Data/list.txt", "groups");
    fs::create_symlink("/etc/passwd", ConfigurationFolder() + "Data/link");
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok());
    Chooses(out);
    Trigger("mnuItemExportConfigurationData");
    ASSERT_EQ(boxes.seen.size(), 1u);
    const std::string box = boxes.seen[0];
    EXPECT_EQ(box.rfind("Error: The configuration was not exported completely to " + out, 0), 0u)
        << box;
    EXPECT_NE(box.find("The registry could not be exported"), std::string::npos) << box;
    EXPECT_NE(box.find("Skipped " + ConfigurationFolder() + "Data/link"), std::string::npos) << box;
    EXPECT_EQ(ReadFile(out + "Data/list.txt"), "groups");  // the copy went on
    EXPECT_FALSE(fs::exists(fs::symlink_status(out + "Data/link")));
}

TEST_F(ConfigCommandsTest, ImportRefusesAFolderWithoutAnExportAndCancelDoesNothing) {
    const std::string in = Dir() + "not-an-export/";
    WriteFile(in + "stray.txt", "x");
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Cancel());
    Chooses(in);
    Trigger("mnuItemImportConfigurationData");
    EXPECT_EQ(boxes.Last(), "Error: " + in +
                                " holds no exported configuration (registry.reg is missing).\n\n"
                                "Nothing was imported.");
    EXPECT_FALSE(fs::exists(ConfigurationFolder() + "stray.txt"));

    // The program's own folder chooser, cancelled: nothing is exported.
    gui::TfrmYahooMain fresh;
    fresh.openUrl = nullptr;
    fresh.mnuItemExportConfigurationDataClick();
    EXPECT_EQ(boxes.Last(), std::string(kExportFolderCaption) + ": ");
}

}  // namespace
}  // namespace tessaly::test
