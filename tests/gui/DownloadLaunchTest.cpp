// The rules of starting a download, the chooser's checks and memory, the order dialog and its
// range editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QValidator>

#include "gui/DownloadLaunch.h"
#include "gui/MainWindowFixture.h"
#include "gui/TfrmYahooChooseOptions.h"
#include "gui/TfrmYahooEditMessageProp.h"
#include "gui/TfrmYahooReorder.h"
#include "registry/GroupCache.h"
#include "settings/DownloadOptions.h"
#include "support/BoxAnswers.h"
#include "support/TestEnv.h"

namespace tessaly::test {
namespace {

using gui::TTreeEntry;

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ",") + n;
    return out;
}

// The root and eight groups: g1, g3, g5, g7 checked; g2, g3, g6, g7 favourites.
std::vector<TTreeEntry> EightGroups() {
    std::vector<TTreeEntry> items{{"<member>", false, false}};
    for (int i = 1; i <= 8; ++i)
        items.push_back({" g" + std::to_string(i) + " ", i % 2 == 1, i % 4 == 2 || i % 4 == 3});
    return items;
}

TEST(CollectGroupsTest, EachChoiceOverTheTreeOrder) {
    struct Case {
        TGroupChoice choice;
        int current;
        const char* expected;
    };
    const Case cases[] = {
        {TGroupChoice::Current, 5, "g5"},
        {TGroupChoice::Current, -1, ""},  // a stale current group
        {TGroupChoice::Current, 0, ""},   // the root is no group
        {TGroupChoice::Current, 9, ""},   // no longer an item of the tree
        {TGroupChoice::Checked, 5, "g1,g3,g5,g7"},
        {TGroupChoice::All, -1, "g1,g2,g3,g4,g5,g6,g7,g8"},
        {TGroupChoice::FromGroup, 5, "g5,g6,g7,g8"},  // checked or not
        {TGroupChoice::FromGroup, 0, "g1,g2,g3,g4,g5,g6,g7,g8"},
        {TGroupChoice::FromGroup, -1, ""},
        {TGroupChoice::Favourites, 1, "g2,g3,g6,g7"},
        {TGroupChoice::CheckedFavourites, 1, "g3,g7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Joined(gui::CollectGroups(EightGroups(), c.current, c.choice)), c.expected)
            << static_cast<int>(c.choice) << " current " << c.current;
    }
    EXPECT_TRUE(gui::CollectGroups({{"<member>"}}, 0, TGroupChoice::All).empty());
}

TEST(DownloadLaunchRulesTest, OrderDialogNumbersAndDrops) {
    using O = TYahooDownloadOptions;
    // Messages (and attachments) open it for one group, Files and Photos only for more.
    EXPECT_TRUE(gui::OrderDialogWanted(true, 1, O::kSectionMessages));
    EXPECT_TRUE(gui::OrderDialogWanted(true, 1, O::kSectionAttachments));
    EXPECT_FALSE(gui::OrderDialogWanted(true, 1, O::kSectionFiles));
    EXPECT_TRUE(gui::OrderDialogWanted(true, 2, O::kSectionPhotos));
    EXPECT_FALSE(gui::OrderDialogWanted(false, 5, O::kSectionMessages));

    struct Number {
        const char* text;
        std::int64_t value;
    };
    for (const Number& n : {Number{"340", 340}, Number{"", 0}, Number{"12a", 0}, Number{"-5", 0},
                            Number{" 7", 0}, Number{"999999999", 999999999}}) {
        EXPECT_EQ(gui::RangeNumber(n.text), n.value) << n.text;
    }
    // Rows of height 20 from 0: the middle (10) still counts as the upper half.
    EXPECT_FALSE(gui::DropsAfter(10, 0, 20));
    EXPECT_TRUE(gui::DropsAfter(11, 0, 20));
    EXPECT_EQ(gui::DropIndex(2, 0, false, 3), 0);
    EXPECT_EQ(gui::DropIndex(2, 0, true, 3), 1);
    EXPECT_EQ(gui::DropIndex(0, 2, true, 3), 2);
    EXPECT_EQ(gui::DropIndex(1, 1, true, 3), 1);
}

class ChooserTest : public TempHomeTest {
protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        EnsureQtApp();
    }
};

TEST_F(ChooserTest, StartChecksTheChoicesAndStaysOpen) {
    auto items = EightGroups();
    for (auto& item : items) item.checked = false;
    gui::TfrmYahooChooseOptions chooser(nullptr, items, 5);
    chooser.txtDir->setText(QString::fromStdString(Dir() + "out"));
    BoxAnswers boxes;

    chooser.cbDownload->setCurrentIndex(-1);
    boxes.Then(BoxAnswers::Ok());
    chooser.btStartClick();
    EXPECT_EQ(boxes.Last(), "Error: Please select a proper Download Type.");

    chooser.SetSection(TYahooDownloadOptions::kSectionMessages);
    EXPECT_EQ(chooser.GetSection(), TYahooDownloadOptions::kSectionMessages);
    WriteFile(Dir() + "plainfile", "x");
    chooser.txtDir->setText(QString::fromStdString(Dir() + "plainfile/below"));
    boxes.Then(BoxAnswers::Ok());
    chooser.btStartClick();
    EXPECT_EQ(boxes.Last(),
              "Error: Unable to Create the Destination directory.\n\nPlease select a new "
              "directory");

    chooser.txtDir->setText(QString::fromStdString(Dir() + "out/deeper"));
    boxes.Then(BoxAnswers::Ok());
    chooser.btStartClick();  // nothing is checked
    EXPECT_EQ(boxes.Last(), "Information: Your selection doesnt have any groups to downloads");
    EXPECT_TRUE(std::filesystem::is_directory(Dir() + "out/deeper"));
    EXPECT_NE(chooser.result(), QDialog::Accepted);

    chooser.cbDLGroupsStartingFromCurrentGroup->setChecked(true);
    chooser.btStartClick();
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    std::vector<std::string> groups;
    chooser.CollectGroups(groups);
    EXPECT_EQ(Joined(groups), "g5,g6,g7,g8");
}

TEST_F(ChooserTest, RemembersTheGroupChoiceAndReorder) {
    {
        gui::TfrmYahooChooseOptions chooser(nullptr, EightGroups(), 1);
        EXPECT_TRUE(chooser.cbDLAllCheckedGroups->isChecked());  // the default
        EXPECT_FALSE(chooser.cbReOrder->isChecked());
        chooser.cbDLAllFavoriteGroups->setChecked(true);
        chooser.cbReOrder->setChecked(true);
        chooser.reject();
    }
    gui::TfrmYahooChooseOptions again(nullptr, EightGroups(), 1);
    EXPECT_TRUE(again.cbDLAllFavoriteGroups->isChecked());
    EXPECT_TRUE(again.cbReOrder->isChecked());
    EXPECT_EQ(again.Choice(), TGroupChoice::Favourites);
}

TEST_F(MainWindowTest, CancellingTheChooserStillSavesTheFolder) {
    auto& m = LoggedIn("member", {"one", "two"});
    const std::string folder = Dir() + "chosen";
    BoxAnswers boxes;
    boxes.Then([folder](QDialog& box) {
        auto* dir = box.findChild<QLineEdit*>(QStringLiteral("txtDir"));
        ASSERT_NE(dir, nullptr);
        dir->setText(QString::fromStdString(folder));
        box.findChild<QCheckBox*>(QStringLiteral("cbIgnorePreviousDownload"))->setChecked(true);
        BoxAnswers::Click(box, "btCancel");
    });
    m.mnuItemStartDownloadClick();
    TYahooDownloadOptions stored;
    ASSERT_NO_THROW((void)stored.Load());
    EXPECT_EQ(stored.strSaveDir, folder);
    EXPECT_TRUE(stored.boolIgnoreDuplicated);
    EXPECT_TRUE(opened.empty());  // no run, no output folder opened
}

class ReorderTest : public ChooserTest {};

TEST_F(ReorderTest, RowsOldPositionsAndTheRangeEditor) {
    WriteGroupState("member", "first", ":C:N:A340");
    WriteGroupState("member", "second", "C:N");
    gui::TfrmYahooReorder order(nullptr, {" first ", "second", "third"}, true, "member");
    EXPECT_EQ(order.lbHelp->text().toStdString(),
              "Drag and Drop the groups to reorder and Double click to Edit.");
    QTreeWidget* tree = order.elTreeAttach;
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    auto row = [tree](int i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        return (item->text(0) + "|" + item->text(1) + "|" + item->text(2) + "|" + item->text(3))
            .toStdString();
    };
    EXPECT_EQ(row(0), "first|0|0|340");
    EXPECT_EQ(row(1), "second|0|0|0");

    BoxAnswers boxes;
    boxes.Then([](QDialog& box) {
        auto* first = box.findChild<QLineEdit*>(QStringLiteral("txtFirst"));
        auto* current = box.findChild<QLineEdit*>(QStringLiteral("txtCurrent"));
        EXPECT_EQ(current->text().toStdString(), "340");
        EXPECT_TRUE(current->isReadOnly());
        first->setText(QStringLiteral("12"));
        box.findChild<QLineEdit*>(QStringLiteral("txtLast"))->setText(QStringLiteral("90"));
        BoxAnswers::Click(box, "btOk");
    });
    EXPECT_TRUE(order.EditRow(tree->topLevelItem(0)));
    EXPECT_EQ(row(0), "first|12|90|340");
    tree->topLevelItem(1)->setText(1, QStringLiteral("x7"));  // not a number: read as 0

    std::vector<std::string> names;
    std::vector<std::int64_t> starts, ends;
    order.ReadRows(names, starts, ends);
    EXPECT_EQ(Joined(names), "first,second,third");
    EXPECT_EQ(starts, (std::vector<std::int64_t>{12, 0, 0}));
    EXPECT_EQ(ends, (std::vector<std::int64_t>{90, 0, 0}));
}

TEST_F(ReorderTest, RangeEditorTakesNineDigitsAtMost) {
    gui::TfrmYahooEditMessageProp editor(nullptr, "g", 5, 2000000000, -3);
    EXPECT_EQ(editor.LastMessage(), 999999999);  // shown within the limits
    EXPECT_EQ(editor.CurrentMessage(), 0);
    const QValidator* v = editor.txtFirst->validator();
    ASSERT_NE(v, nullptr);
    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case& c : {Case{"0", true}, Case{"999999999", true}, Case{"1000000000", false},
                          Case{"12a", false}, Case{"-1", false}}) {
        QString text = QString::fromLatin1(c.text);
        int pos = 0;
        EXPECT_EQ(v->validate(text, pos) == QValidator::Acceptable, c.ok) << c.text;
    }
    EXPECT_EQ(editor.txtFirst->maxLength(), 9);
}

// Drops the dragged row over `target` at the given fraction of its height, as the list's drag
// events do (the events themselves reach a list only during a drag of the windowing system).
void DropOnto(gui::TReorderTree* tree, int dragged, int target, double fraction) {
    tree->BeginDrag(dragged);
    const QRect rect = tree->visualItemRect(tree->topLevelItem(target));
    ASSERT_GT(rect.height(), 2);
    const QPoint at(rect.center().x(), rect.top() + static_cast<int>(rect.height() * fraction));
    EXPECT_FALSE(tree->DragOver(tree->visualItemRect(tree->topLevelItem(dragged)).center()));
    EXPECT_EQ(tree->DropMark().row, -1);  // not over the dragged row itself
    EXPECT_TRUE(tree->DragOver(at));
    EXPECT_EQ(tree->DropMark().row, target);
    EXPECT_EQ(tree->DropMark().after, fraction > 0.5);
    EXPECT_TRUE(tree->DropAt(at));
    EXPECT_EQ(tree->DropMark().row, -1);  // the mark goes with the drop
    tree->BeginDrag(-1);
}

TEST_F(ReorderTest, DraggingTheThirdRowOntoTheHalvesOfTheFirst) {
    struct Case {
        double fraction;
        const char* order;
    };
    for (const Case& c : {Case{0.25, "c,a,b"}, Case{0.75, "a,c,b"}}) {
        gui::TfrmYahooReorder order(nullptr, {"a", "b", "c"}, false, "member");
        EXPECT_EQ(order.lbHelp->text().toStdString(), "Drag and Drop the groups to reorder");
        order.show();
        ASSERT_TRUE(WaitFor([&] { return order.isVisible(); }, 2000));
        DropOnto(order.elTreeNormal, 2, 0, c.fraction);
        std::vector<std::string> names;
        std::vector<std::int64_t> starts, ends;
        order.ReadRows(names, starts, ends);
        EXPECT_EQ(Joined(names), c.order) << c.fraction;
        EXPECT_TRUE(starts.empty());
    }
}

}  // namespace
}  // namespace tessaly::test
