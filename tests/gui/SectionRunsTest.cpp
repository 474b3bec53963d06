// Whole runs of each section from the desktop program against the simulated service running as
// its own program: the demo member signs in, two groups are checked, Start Download (or, for the
// embedded attachments, which the chooser does not offer, the run of that section), the progress
// window to its end, the files on disk with the service's bytes, the tree back with its marks.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <map>

#include "groupsim/SimData.h"
#include "gui/DownloadLaunch.h"
#include "gui/SimServiceFixture.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmYahooReorder.h"
#include "platform/RegistryStore.h"
#include "registry/GroupCache.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

class SectionRunTest : public SimProcessTest {
protected:
    // Signed in with exactly these groups checked.
    gui::TfrmYahooMain& SignedInWith(const std::vector<std::string>& checked) {
        auto& m = SignedIn();
        CheckOnly(m, checked);
        return m;
    }
    // After the run: the main window was hidden while it lasted and is back, its tree rebuilt
    // from the cache with the checked marks kept, and the output folder was opened.
    void ExpectBackAfterRun(gui::TfrmYahooMain& m, const FinishWatcher& watcher,
                            const std::string& out) {
        EXPECT_TRUE(watcher.mainHidden);
        EXPECT_TRUE(m.isVisible());
        EXPECT_EQ(m.Tree().AllItems().size(), LoadCachedGroupNames("demo_member").size() + 1);
        int checked = 0;
        for (auto* item : m.Tree().GroupItems()) checked += gui::TGroupTree::IsChecked(item);
        EXPECT_EQ(checked, 2);
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(opened.back(), "file://" + out + "/");
    }
    static std::string Content(const std::string& key) { return groupsim::FileContent(kSeed, key); }
    static bool Starts(const std::string& text, const std::string& start) {
        return text.rfind(start, 0) == 0;
    }
};

TEST_F(SectionRunTest, MessagesOfTwoCheckedGroupsReordered) {
    StartService();
    auto& m = SignedInWith({"DemoGroup", "OneMessage"});
    const std::string out = Dir() + "out";
    BoxAnswers boxes;
    boxes.Then(Choose(2, out, true));
    boxes.Then([](QDialog& box) {
        auto* tree = box.findChild<QTreeWidget*>(QStringLiteral("elTreeAttach"));
        ASSERT_NE(tree, nullptr);
        ASSERT_EQ(tree->topLevelItemCount(), 2);
        tree->insertTopLevelItem(0, tree->takeTopLevelItem(1));  // OneMessage first
        tree->topLevelItem(1)->setText(2, QStringLiteral("5"));  // DemoGroup up to message 5
        BoxAnswers::Click(box, "btOk");
    });
    FinishWatcher watcher(m);
    m.mnuItemStartDownloadClick();
    EXPECT_TRUE(boxes.AllUsed());
    ASSERT_EQ(watcher.rows.size(), 2u);
    // A group whose first message is also its last ends "Stopped", as the command line shows it.
    EXPECT_TRUE(Starts(watcher.rows[0], "OneMessage|500|500|500|0|Stopped|")) << watcher.rows[0];
    // The group's own range, and the walk stopped at the chosen last message.
    EXPECT_TRUE(Starts(watcher.rows[1], "DemoGroup|1|40|5|0|Completed|")) << watcher.rows[1];
    EXPECT_EQ(watcher.groupLine, "Completed Downloading 2 Groups");
    EXPECT_NE(ReadFile(out + "/Messages/OneMessage/0000500.html").find("Message 500 of 500"),
              std::string::npos);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_NE(ReadFile(out + "/Messages/DemoGroup/000000" + std::to_string(n) + ".html")
                      .find("Message " + std::to_string(n) + " of 40"),
                  std::string::npos)
            << n;
    }
    EXPECT_FALSE(fs::exists(out + "/Messages/DemoGroup/0000006.html"));
    ExpectBackAfterRun(m, watcher, out);
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionMessages);
}

// Files and Photos of two groups, the second dragged above the first in the order dialog: the
// run takes them in the dragged order and saves every file with the service's bytes.
TEST_F(SectionRunTest, FilesAndPhotosOfTwoGroupsInTheDraggedOrder) {
    struct Case {
        int entry;
        std::uint8_t section;
        std::vector<std::string> groups;  // in the tree's order
        // Below the output folder: the bytes, "" for a file that must not be there.
        std::map<std::string, std::string> files;
        const char* groupLine;  // at the end of the run
    };
    const Case cases[] = {
        {0,
         TYahooDownloadOptions::kSectionFiles,
         {"DemoGroup", "Filler16"},
         {{"Files/DemoGroup/rules.pdf", Content("DemoGroup/files/rules.pdf")},
          {"Files/DemoGroup/Minutes/2004/annual report.pdf",
           Content("DemoGroup/files/Minutes/2004/annual report.pdf")},
          {"Files/DemoGroup/welcome.txt", ""},  // text files are left out by default
          {"Files/Filler16/first.jpg", Content("Filler16/files/first.jpg")},
          {"Files/Filler16/Batch/file30.jpg", Content("Filler16/files/Batch/file30.jpg")}},
         "Finished with all groups"},
        {1,
         TYahooDownloadOptions::kSectionPhotos,
         {"BritishWalkers", "SportsFans"},
         {{"Photos/BritishWalkers/Lake District/lake2.jpg",
           groupsim::PictureContent(kSeed, "BritishWalkers/photos/Lake District/lake2.jpg", false)},
          {"Photos/SportsFans/Match Day/goal.jpg",
           groupsim::PictureContent(kSeed, "SportsFans/photos/Match Day/goal.jpg", true)}},
         "Finished with all groups"},
    };
    StartService();
    auto& m = SignedIn();
    for (const Case& c : cases) {
        SCOPED_TRACE("entry " + std::to_string(c.entry));
        CheckOnly(m, c.groups);
        const std::string out = Dir() + "out" + std::to_string(c.entry);
        BoxAnswers boxes;
        boxes.Then(Choose(c.entry, out, true));
        boxes.Then([&](QDialog& box) {
            auto* tree = box.findChild<gui::TReorderTree*>(QStringLiteral("elTreeNormal"));
            ASSERT_NE(tree, nullptr);
            ASSERT_EQ(tree->topLevelItemCount(), 2);
            const QRect first = tree->visualItemRect(tree->topLevelItem(0));
            tree->BeginDrag(1);
            EXPECT_TRUE(tree->DropAt(QPoint(first.center().x(), first.top() + 1)));
            BoxAnswers::Click(box, "btOk");
        });
        FinishWatcher watcher(m);
        m.mnuItemStartDownloadClick();
        EXPECT_TRUE(boxes.AllUsed());
        ASSERT_EQ(watcher.rows.size(), 2u);
        for (std::size_t r = 0; r < 2; ++r) {
            EXPECT_TRUE(Starts(watcher.rows[r], c.groups[1 - r] + "|")) << watcher.rows[r];
            EXPECT_NE(watcher.rows[r].find("|Completed #1"), std::string::npos) << watcher.rows[r];
        }
        EXPECT_EQ(watcher.groupLine, c.groupLine);
        for (const auto& [path, bytes] : c.files) {
            EXPECT_EQ(fs::exists(out + "/" + path), !bytes.empty()) << path;
            EXPECT_TRUE(ReadFile(out + "/" + path) == bytes) << path;
        }
        ExpectBackAfterRun(m, watcher, out);
        EXPECT_EQ(m.Options().CurrentSection(), c.section);
    }
}

// "Reorder Downloads" with one group of the Files section: no order dialog opens.
TEST_F(SectionRunTest, FilesOfOneGroupOpenNoOrderDialog) {
    StartService();
    auto& m = SignedInWith({"DemoGroup"});
    const std::string out = Dir() + "out";
    BoxAnswers boxes;
    boxes.Then(Choose(0, out, true));
    FinishWatcher watcher(m);
    m.mnuItemStartDownloadClick();
    EXPECT_EQ(boxes.seen.size(), 1u) << boxes.Last();
    ASSERT_EQ(watcher.rows.size(), 1u);
    EXPECT_NE(watcher.rows[0].find("|Completed #1"), std::string::npos) << watcher.rows[0];
    EXPECT_TRUE(fs::is_directory(out + "/Files/DemoGroup"));
}

// The chooser offers no entry for the embedded attachments; their run is the main window's run
// of that section over the checked groups. SportsFans ends complete with all of its files;
// DemoGroup ends "Blocked" at the first file the service refuses, with what came before saved.
TEST_F(SectionRunTest, AttachmentsOfTwoCheckedGroups) {
    StartService();
    auto& m = SignedInWith({"DemoGroup", "SportsFans"});
    const std::string out = Dir() + "out";
    m.Options().strSaveDir = out + "/";
    std::vector<gui::TTreeEntry> items;
    for (auto* item : m.Tree().AllItems())
        items.push_back({gui::TGroupTree::TextOf(item), gui::TGroupTree::IsChecked(item), false});
    m.DownloadList() = gui::CollectGroups(items, -1, TGroupChoice::Checked);
    FinishWatcher watcher(m);
    m.RunDownload(TYahooDownloadOptions::kSectionAttachments);
    m.OpenOutputFolder();
    ASSERT_EQ(watcher.rows.size(), 2u);
    EXPECT_TRUE(Starts(watcher.rows[0], "DemoGroup|")) << watcher.rows[0];
    EXPECT_NE(watcher.rows[0].find("|Blocked|"), std::string::npos) << watcher.rows[0];
    EXPECT_EQ(watcher.rows[0].substr(watcher.rows[0].size() - 2), "#2") << watcher.rows[0];
    EXPECT_TRUE(Starts(watcher.rows[1], "SportsFans|")) << watcher.rows[1];
    EXPECT_NE(watcher.rows[1].find("|Completed|"), std::string::npos) << watcher.rows[1];
    EXPECT_EQ(watcher.rows[1].substr(watcher.rows[1].size() - 2), "#1") << watcher.rows[1];
    EXPECT_TRUE(m.DownloadList().empty());

    // SportsFans's files under their numbered names, in page order: all but the program file and
    // the text files, which the default options leave out.
    const std::vector<std::string> names{
        "0000001_notes.txt", "0000001_notes_1.txt", "0000001_a_b%3F.gif", "0000002_notes.txt",
        "0000002___up.txt",  "0000003_readme",      "0000003_inline.png", "0000004_photo.jpg"};
    const groupsim::SimData data = groupsim::DemoData(kSeed);
    std::vector<std::string> keys;
    for (const auto& msg : data.FindGroup("SportsFans")->messages) {
        for (const auto& a : msg.attachments) {
            if (a.name != "setup.exe")
                keys.push_back(groupsim::AttachmentKey("SportsFans", msg.number, a));
        }
    }
    ASSERT_EQ(keys.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string path = out + "/Attachments/SportsFans/" + names[i];
        if (names[i].ends_with(".txt"))
            EXPECT_FALSE(fs::exists(path)) << names[i];
        else
            EXPECT_TRUE(ReadFile(path) == Content(keys[i])) << names[i];
    }
    EXPECT_FALSE(fs::exists(out + "/Attachments/SportsFans/0000003_setup.exe"));
    EXPECT_TRUE(ReadFile(out + "/Attachments/DemoGroup/0000006_photo6.jpg") ==
                Content("DemoGroup/attach/6/photo6.jpg"));
    ExpectBackAfterRun(m, watcher, out);
}

// The window manager's close button during a run: every close is refused with the box, the run
// goes on to its end and the main window comes back.
TEST_F(SectionRunTest, ClosingTheWindowDuringARunIsRefusedEveryTime) {
    StartService({"--latency", "20"});  // slow enough that the run outlasts the closes
    auto& m = SignedInWith({"DemoGroup", "OneMessage"});
    const std::string out = Dir() + "out";
    BoxAnswers boxes;
    boxes.Then(Choose(2, out, false));
    constexpr int kCloses = 3;
    constexpr int kDoneCode = 7;
    for (int i = 0; i < kCloses; ++i) boxes.Then(BoxAnswers::Ok());
    int closes = 0;
    bool stillRunning = true;  // the run was going on after every refused close
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* p = m.findChild<gui::TfrmYahooProgressXX*>();
        if (p == nullptr || !p->Running() || QApplication::activeModalWidget() != p) return;
        if (closes == kCloses) return;
        ++closes;
        p->close();  // a close event, as the window manager's button sends it
        stillRunning = stillRunning && p->Running() && p->isVisible();
    });
    closer.start();
    FinishWatcher watcher(m);
    // Inside the program's own event loop, as a click on the menu runs it.
    bool commandDone = false;
    QTimer::singleShot(0, [&] {
        m.mnuItemStartDownloadClick();
        commandDone = true;
        QApplication::exit(kDoneCode);
    });
    EXPECT_EQ(QApplication::exec(), kDoneCode);
    EXPECT_TRUE(commandDone);
    closer.stop();
    EXPECT_EQ(closes, kCloses);
    EXPECT_TRUE(stillRunning);
    EXPECT_TRUE(boxes.AllUsed());
    ASSERT_EQ(boxes.seen.size(), 1u + kCloses);
    for (int i = 1; i <= kCloses; ++i)
        EXPECT_EQ(boxes.seen[static_cast<std::size_t>(i)],
                  "Error: Download is in Progress.You cannot quite now.");
    ASSERT_EQ(watcher.rows.size(), 2u);
    EXPECT_TRUE(Starts(watcher.rows[0], "DemoGroup|1|40|40|0|Completed|")) << watcher.rows[0];
    EXPECT_TRUE(Starts(watcher.rows[1], "OneMessage|500|500|500|0|Stopped|")) << watcher.rows[1];
    ExpectBackAfterRun(m, watcher, out);
}

// The settings store lost once the run has begun (the program's open connection keeps working,
// a new one cannot open it: another file stands in its place): the first group's row ends Error
// with the store's words, the next group is not started, and the main window comes back; the
// program stays up. The store is put back before the window is closed with "Ok".
TEST_F(SectionRunTest, AStoreLostDuringARunIsToldOnItsRows) {
    StartService({"--latency", "50"});
    auto& m = SignedInWith({"Filler01", "Filler02"});
    const std::string out = Dir() + "out";
    const std::string store = DefaultRegistryFile();
    bool lost = false;
    std::vector<std::string> rows;
    std::string reason;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* p = m.findChild<gui::TfrmYahooProgressXX*>();
        if (p == nullptr) return;
        if (!lost && p->Running()) {  // the run has begun; its first group not yet
            fs::rename(store, store + ".away");
            fs::create_directory(store);
            lost = true;
        }
        if (p->Running() || p->btCancel->text() != "Ok" || !rows.empty()) return;
        if (lost) {
            fs::remove(store);
            fs::rename(store + ".away", store);
        }
        for (int r = 0; r < p->Rows().rowCount(); ++r) rows.push_back(Row(p->Rows(), r));
        reason = p->Rows().data(p->Rows().index(0, 0), Qt::ToolTipRole).toString().toStdString();
        p->btCancel->click();
    });
    watch.start();
    BoxAnswers boxes;
    boxes.Then(Choose(2, out, false));
    m.findChild<QAction*>(QStringLiteral("mnuItemStartDownload"))->trigger();
    watch.stop();
    EXPECT_TRUE(boxes.AllUsed()) << boxes.Last();
    ASSERT_TRUE(lost);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].find("|Error|"), std::string::npos) << rows[0];
    EXPECT_NE(reason.find("registry: "), std::string::npos) << reason;
    EXPECT_TRUE(Starts(rows[1], "Filler02|unknown|unknown|0|0|Skipped|")) << rows[1];
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(fs::exists(out + "/Messages/Filler02"));
}

TEST_F(SectionRunTest, APageThatNeverComesEndsItsGroupAtTheOptionsTimeOut) {
    StartService({"--hang", "/group/DemoGroup/message/3"});
    auto& m = SignedInWith({"DemoGroup", "Filler01"});
    m.Options().intTimeOut = 10;  // the smallest the options allow; the browser began with 60
    const std::string out = Dir() + "out";
    FinishWatcher watcher(m);
    BoxAnswers boxes;
    boxes.Then(Choose(2, out, false));
    m.findChild<QAction*>(QStringLiteral("mnuItemStartDownload"))->trigger();
    EXPECT_TRUE(boxes.AllUsed()) << boxes.Last();
    ASSERT_EQ(watcher.rows.size(), 2u);
    EXPECT_NE(watcher.firstReason.find("within 10 s"), std::string::npos)
        << watcher.rows[0] << " / " << watcher.firstReason;
    EXPECT_NE(watcher.rows[1].find("|Completed|"), std::string::npos) << watcher.rows[1];
    EXPECT_FALSE(fs::is_empty(out + "/Messages/DemoGroup")) << "the messages before it stay";
}

}  // namespace
}  // namespace tessaly::test
