#include <gtest/gtest.h>

#include <QListWidget>
#include <QSpinBox>

#include "gui/OptionsForm.h"
#include "gui/TfrmYahooOptions.h"
#include "settings/DownloadOptions.h"
#include "support/BoxAnswers.h"
#include "support/TestEnv.h"

namespace tessaly::test {
namespace {

using gui::TExtensionList;

class OptionsDialogTest : public TempHomeTest {
protected:
    static TYahooDownloadOptions Stored() {
        TYahooDownloadOptions o;
        (void)o.Load();
        return o;
    }
};

TEST_F(OptionsDialogTest, OkWritesTheControlsAndCancelNothing) {
    TYahooDownloadOptions start;
    start.intThreadCount = 3;
    start.IncludeExtensions = {"C:JPG", "GIF"};
    start.strSaveDir = "/kept/";
    (void)start.Save();
    {
        gui::TfrmYahooOptions dialog;
        auto* threads = dialog.findChild<QSpinBox*>(QStringLiteral("txtDownloadThreads"));
        EXPECT_EQ(threads->value(), 3);
        auto* timeOut = dialog.findChild<QSpinBox*>(QStringLiteral("txtDownloadTimeOut"));
        timeOut->setValue(5);  // below the model's minimum: raised to it
        auto* include = dialog.findChild<QListWidget*>(QStringLiteral("lbIncludeExtensions"));
        ASSERT_EQ(include->count(), 2);
        EXPECT_EQ(include->item(1)->text(), "GIF");
        include->item(1)->setCheckState(Qt::Checked);
        threads->setValue(7);
        dialog.reject();
    }
    EXPECT_EQ(Stored().intThreadCount, 3);
    {
        gui::TfrmYahooOptions dialog;
        dialog.findChild<QSpinBox*>(QStringLiteral("txtDownloadTimeOut"))->setValue(5);
        dialog.findChild<QListWidget*>(QStringLiteral("lbIncludeExtensions"))
            ->item(1)
            ->setCheckState(Qt::Checked);
        ASSERT_TRUE(dialog.SaveControls());
    }
    const TYahooDownloadOptions saved = Stored();
    EXPECT_EQ(saved.intTimeOut, 10);
    EXPECT_EQ(saved.IncludeExtensions, (std::vector<std::string>{"C:JPG", "C:GIF"}));
    EXPECT_EQ(saved.strSaveDir, "/kept/");  // not shown by the dialog: kept
}

TEST_F(OptionsDialogTest, ResetChangesTheControlsOnly) {
    TYahooDownloadOptions start;
    start.intThreadCount = 5;
    (void)start.Save();
    gui::TfrmYahooOptions dialog;
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok());
    dialog.btResetClick();
    EXPECT_EQ(boxes.Last(), "confirmation: Do you really want to clear the options ?");
    EXPECT_EQ(dialog.Values(), gui::DefaultOptionsForm());
    EXPECT_EQ(Stored().intThreadCount, 5);  // Cancel now would keep the file as it was
    ASSERT_TRUE(dialog.SaveControls());
    EXPECT_EQ(Stored().intThreadCount, TYahooDownloadOptions().intThreadCount);
}

TEST_F(OptionsDialogTest, ExtensionListMessages) {
    TYahooDownloadOptions start;
    start.IncludeExtensions = {"GIF"};
    start.ExcludeExtensions = {"EXE"};
    (void)start.Save();
    gui::TfrmYahooOptions dialog;
    auto* include = dialog.findChild<QListWidget*>(QStringLiteral("lbIncludeExtensions"));
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Input("Gif")).Then(BoxAnswers::Ok());
    dialog.AddExtension(TExtensionList::Include);
    EXPECT_EQ(boxes.Last(), "Error: You already have a extension name. Please enter a new name.");
    boxes.Then(BoxAnswers::Input("  ")).Then(BoxAnswers::Ok());
    dialog.AddExtension(TExtensionList::Include);
    EXPECT_EQ(boxes.Last(), "Error: You should enter a valid name.");
    boxes.Then(BoxAnswers::Input(" jpg "));
    dialog.AddExtension(TExtensionList::Include);
    ASSERT_EQ(include->count(), 2);
    EXPECT_EQ(include->item(1)->text(), "JPG");
    EXPECT_EQ(include->item(1)->checkState(), Qt::Unchecked);

    include->setCurrentRow(1);  // renaming it to the other entry's name is refused
    boxes.Then(BoxAnswers::Input("gif")).Then(BoxAnswers::Ok());
    dialog.EditExtension(TExtensionList::Include);
    EXPECT_EQ(boxes.Last(), "Error: You already have the extension. Please enter a new name.");
    boxes.Then(BoxAnswers::Input("png"));
    dialog.EditExtension(TExtensionList::Include);
    EXPECT_EQ(include->item(1)->text(), "PNG");

    boxes.Then(BoxAnswers::Cancel());
    dialog.DeleteExtension(TExtensionList::Exclude);  // nothing selected in the exclude list
    EXPECT_EQ(boxes.Last(), "Error: Please select an extension before trying to delete.");
    dialog.findChild<QListWidget*>(QStringLiteral("lbExcludeExtensions"))->setCurrentRow(0);
    boxes.Then(BoxAnswers::Ok());
    dialog.DeleteExtension(TExtensionList::Exclude);
    EXPECT_EQ(boxes.Last(), "confirmation: Do you really want to delete the selected extension?");
    boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
    dialog.EditExtension(TExtensionList::Exclude);
    dialog.DeleteExtension(TExtensionList::Exclude);
    EXPECT_EQ(boxes.seen[boxes.seen.size() - 2],
              "Error: You dont have any extensions to Edit. \n\nAdd some before editing.");
    EXPECT_EQ(boxes.Last(),
              "Error: You dont have any extensions to delete. \n\nAdd some before deleting.");
    ASSERT_TRUE(dialog.SaveControls());
    EXPECT_EQ(Stored().IncludeExtensions, (std::vector<std::string>{"GIF", "PNG"}));
}

TEST_F(OptionsDialogTest, ActivePageIsRemembered) {
    {
        gui::TfrmYahooOptions dialog;
        EXPECT_EQ(dialog.ActivePage(), 0);
        dialog.ShowPage(5);
        dialog.reject();
    }
    gui::TfrmYahooOptions dialog;
    EXPECT_EQ(dialog.ActivePage(), 5);
}

TEST(OptionsForm, RangesAreTheModelsClamps) {
    // Whatever the dialog accepts, the model writes as it is: its bounds survive a round trip.
    test::EnsureQtApp();
    for (auto [low, high] : {gui::kThreadRange, gui::kTimeOutRange, gui::kDelayRange}) {
        EXPECT_LT(low, high);
    }
    TYahooDownloadOptions o;
    gui::TOptionsFormValues v = gui::FormValuesOf(o);
    v.threads = 0;
    v.timeOut = 500;
    v.delay = 2;
    gui::ApplyFormValues(v, o);
    EXPECT_EQ(o.intThreadCount, gui::kThreadRange.low);
    EXPECT_EQ(o.intTimeOut, gui::kTimeOutRange.high);
    EXPECT_EQ(o.intDownloadDelay, gui::kDelayRange.low);
}

}  // namespace
}  // namespace tessaly::test
