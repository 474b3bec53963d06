// The progress window: its rows and pictures by status, the stop buttons, the refusal to close
// while running, Details, the list's double click; and whole runs against the simulated service
// running as its own program, started from the main window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "gui/MainWindowFixture.h"
#include "gui/ProgressRowsModel.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooProgressXX.h"
#include "gui/TfrmYahooReorder.h"
#include "registry/GroupCache.h"

namespace tessaly::test {
namespace {

using gui::TfrmYahooProgressXX;

std::string Row(const gui::TProgressRowsModel& model, int row) {
    std::string out;
    for (int c = 0; c < model.columnCount(); ++c)
        out += (c == 0 ? "" : "|") + model.Cell(row, c).toStdString();
    return out + " #" + std::to_string(model.Picture(row));
}

class ProgressWindowTest : public MainWindowTest {
protected:
    // A progress window over the main window's session, its run prepared and not started.
    std::unique_ptr<TfrmYahooProgressXX> Prepared(TSection section,
                                                  const std::vector<std::string>& groups,
                                                  const TIntList& starts = {},
                                                  const TIntList& ends = {}) {
        auto& m = LoggedIn("member", groups);
        auto p = std::make_unique<TfrmYahooProgressXX>(&m, m.Session());
        p->openUrl = [this](const QUrl& url) {
            opened.push_back(url.toString(QUrl::FullyEncoded).toStdString());
        };
        m.Options().strSaveDir = Dir() + "out/";
        p->SetRunInputs(groups, m.Options(), ends, starts, false);
        bool made = false;
        switch (section) {
            case TSection::Messages:
                made = p->StartMessagesRun();
                break;
            case TSection::Attachments:
                made = p->StartAttachmentsRun();
                break;
            case TSection::Files:
                made = p->StartFilesRun();
                break;
            case TSection::Photos:
                made = p->StartPhotosRun();
                break;
        }
        EXPECT_TRUE(made);
        return p;
    }
};

TEST_F(ProgressWindowTest, MessageRowsAndPicturesByStatus) {
    TIntList starts, ends;
    for (int i = 0; i < 3; ++i) {
        starts.Add(10 * (i + 1));
        ends.Add(0);
    }
    auto p = Prepared(TSection::Messages, {"a", "b", "c"}, starts, ends);
    EXPECT_EQ(p->GroupBox()->title().toStdString(), "Message Section Download Status  [member]");
    const auto& rows = p->Rows();
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "DL Pos");
    EXPECT_EQ(Row(rows, 0), "a|10|0|0|0|Waiting|0 #0");
    EXPECT_TRUE(p->Running());
    struct Case {
        DownloadStatus status;
        int picture;
    };
    const Case cases[] = {{dsStarting, 3},     {dsProgress, 3},     {dsCompleted, 1},
                          {dsOk, 1},           {dsWithoutDups, 1},  {dsStopped, 2},
                          {dsBlocked, 2},      {dsNotAvailable, 2}, {dsError, 2},
                          {dsNetworkError, 2}, {dsSkipped, 2},      {dsWaiting, 0}};
    for (const Case& c : cases) {
        p->ReportGroup({1, 5, 0, 7, -1, 0, c.status, ""});
        p->Refresh();
        EXPECT_EQ(rows.Cell(1, 5).toStdString(), StatusName(c.status));
        EXPECT_EQ(rows.Picture(1), c.picture) << StatusName(c.status);
    }
    p->ReportGroup({1, 0, 0, 0, -1, 0, dsCompleted, ""});
    p->ReportGroup({1, 0, 0, 0, -1, 0, dsTimeout, ""});  // keeps the picture
    p->Refresh();
    EXPECT_EQ(rows.Picture(1), 1);
    EXPECT_EQ(rows.Cell(1, 1).toStdString(), "unknown");  // from 0
    EXPECT_EQ(rows.Cell(1, 3).toStdString(), "0");        // DL Pos stays a number
    EXPECT_EQ(p->List()->currentIndex().row(), 1);
    p->ShowFinishedState();
}

TEST_F(ProgressWindowTest, FileRowsForFilesAndPhotos) {
    for (TSection section : {TSection::Files, TSection::Photos}) {
        auto p = Prepared(section, {"a", "b"});
        const auto& rows = p->Rows();
        ASSERT_EQ(rows.columnCount(), 5);
        EXPECT_EQ(Row(rows, 1), "b|unknown|unknown|0|Waiting #0");
        p->ReportFileGroup({1, 3, 9, 4, dsProgress, ""});
        p->Refresh();
        EXPECT_EQ(Row(rows, 1), "b|3|9|4|Progress #3");
        p->ReportFileGroup({1, 3, 9, 9, dsCompleted, ""});
        p->Refresh();
        EXPECT_EQ(Row(rows, 1), "b|3|9|9|Completed #1");
        p->ShowFinishedState();
    }
    auto p = Prepared(TSection::Photos, {"a"});
    EXPECT_EQ(p->GroupBox()->title().toStdString(), "Photo Section Download Status  [member]");
    p->ShowFinishedState();
}

TEST_F(ProgressWindowTest, StopCancelledChangesNothingAndClosingIsRefused) {
    auto p = Prepared(TSection::Messages, {"a", "b"});
    p->show();
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Cancel()).Then(BoxAnswers::Cancel());
    p->btCancelClick();
    EXPECT_EQ(boxes.Last(), "Information: Downloading is in progress.Do you want to stop it ?");
    p->btCancellAllClick();
    EXPECT_EQ(boxes.Last(), "Information: Downloading is in progress. Do you want to stop it ?");
    EXPECT_FALSE(p->Stops().stopCurrent);
    EXPECT_FALSE(p->Stops().stopAll);
    EXPECT_FALSE(p->StoppingDialog().isVisible());

    boxes.Then(BoxAnswers::Ok());
    p->close();
    EXPECT_EQ(boxes.Last(), "Error: Download is in Progress.You cannot quite now.");
    EXPECT_TRUE(p->isVisible());

    // Stop confirmed: the request is set and the "Stopping" dialog stays until the run answers.
    boxes.Then(BoxAnswers::Ok());
    p->btCancelClick();
    EXPECT_TRUE(p->Stops().stopCurrent);
    EXPECT_EQ(p->StoppingDialog().StatusText().toStdString(),
              "Trying to stop the current download...");
    p->ShowFinishedState();  // the run ends: the dialog goes, the window may close
    EXPECT_FALSE(p->StoppingDialog().isVisible());
    EXPECT_EQ(p->btCancel->text(), "Ok");
    EXPECT_FALSE(p->btCancellAll->isEnabled());
    p->btCancelClick();
    EXPECT_FALSE(p->isVisible());
}

TEST_F(ProgressWindowTest, DetailsHeightsAndTheListDoubleClick) {
    auto p = Prepared(TSection::Files, {"here", "gone"});
    p->show();
    EXPECT_EQ(p->height(), 344);
    p->btDetailsClick();
    EXPECT_EQ(p->height(), 167);
    EXPECT_EQ(p->btDetails->text(), "Details >>");
    p->btDetailsClick();
    EXPECT_EQ(p->height(), 339);
    EXPECT_EQ(p->btDetails->text(), "Details <<");

    // A group with its folder opens the folder; one without opens the group's page, and the
    // missing folder is never handed to the desktop.
    std::filesystem::create_directories(Dir() + "out/Files/here");
    p->ListDblClick(0);
    p->ListDblClick(1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "file://" + Dir() + "out/Files/here/");
    EXPECT_NE(opened[1].find("/group/gone"), std::string::npos) << opened[1];
    EXPECT_EQ(opened[1].find("file:"), std::string::npos);
    p->ShowFinishedState();
}

// The simulated service as its own program.
class SimProcessTest : public MainWindowTest {
protected:
    void StartService(const std::vector<std::string>& extra = {}) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        service_ = ::fork();
        ASSERT_GE(service_, 0);
        if (service_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<const char*> argv{GROUPSIM_BINARY, "--port", "0"};
            for (const auto& e : extra) argv.push_back(e.c_str());
            argv.push_back(nullptr);
            ::execv(GROUPSIM_BINARY, const_cast<char* const*>(argv.data()));
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
    gui::TfrmYahooMain& SignedIn() {
        auto& m = Main();
        m.show();
        BoxAnswers boxes;
        boxes.Then(BoxAnswers::Login("demo_member", "tessaly-demo", true));
        m.mnuItemLoginClick();
        EXPECT_TRUE(m.LoggedIn()) << boxes.Last();
        return m;
    }
    pid_t service_ = -1;
};

TEST_F(SimProcessTest, StopAllDuringGroupTwoOfFive) {
    StartService({"--latency", "20"});  // slow enough that group 2 is still running
    auto& m = SignedIn();
    m.Options().strSaveDir = Dir() + "out/";
    TfrmYahooProgressXX p(&m, m.Session());
    p.SetRunInputs({"Filler01", "DemoGroup", "Filler02", "Filler03", "Filler04"}, m.Options(), {},
                   {}, false);
    ASSERT_TRUE(p.StartMessagesRun());
    p.StartWorker();
    p.show();
    ASSERT_TRUE(WaitFor([&] { return p.Rows().Picture(1) == 3; }, 60000)) << Row(p.Rows(), 1);
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok());
    p.btCancellAllClick();
    EXPECT_TRUE(p.StoppingDialog().isVisible());
    ASSERT_TRUE(WaitFor([&] { return !p.Running(); }, 60000));
    EXPECT_EQ(p.Rows().Cell(0, 5).toStdString(), "Completed");
    for (int row = 1; row < 5; ++row) EXPECT_EQ(p.Rows().Cell(row, 5), "Skipped") << row;
    EXPECT_FALSE(p.Stops().stopAll);  // the run clears it at its end
    EXPECT_FALSE(p.StoppingDialog().isVisible());
    EXPECT_EQ(p.btCancel->text(), "Ok");
}

// Clicks "Ok" on the progress window once its run is over, noting its rows first.
struct FinishWatcher {
    explicit FinishWatcher(QWidget& main) {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this, &main] {
            auto* p = main.findChild<TfrmYahooProgressXX*>();
            if (p == nullptr || p->Running() || p->btCancel->text() != "Ok") return;
            rows.clear();
            for (int r = 0; r < p->Rows().rowCount(); ++r) rows.push_back(Row(p->Rows(), r));
            groupLine = p->GroupLine()->text().toStdString();
            p->btCancel->click();
        });
        timer.start();
    }
    QTimer timer;
    std::vector<std::string> rows;
    std::string groupLine;
};

TEST_F(SimProcessTest, MessagesOfTwoCheckedGroupsReordered) {
    StartService();
    auto& m = SignedIn();
    m.CheckAll(false);
    for (auto* item : m.Tree().GroupItems()) {
        const std::string name = gui::TGroupTree::TextOf(item);
        if (name == "DemoGroup" || name == "OneMessage") m.Tree().SetChecked(item, true);
    }
    const std::string out = Dir() + "out";
    BoxAnswers boxes;
    boxes.Then([out](QDialog& box) {
        box.findChild<QComboBox*>(QStringLiteral("cbDownload"))->setCurrentIndex(2);
        box.findChild<QLineEdit*>(QStringLiteral("txtDir"))->setText(QString::fromStdString(out));
        box.findChild<QRadioButton*>(QStringLiteral("cbDLAllCheckedGroups"))->setChecked(true);
        box.findChild<QCheckBox*>(QStringLiteral("cbReOrder"))->setChecked(true);
        BoxAnswers::Click(box, "btStart");
    });
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
    EXPECT_EQ(watcher.rows[0].rfind("OneMessage|", 0), 0u) << watcher.rows[0];
    EXPECT_EQ(watcher.rows[0].find("|Waiting|"), std::string::npos) << watcher.rows[0];
    // The group's own range, and the walk stopped at the chosen last message.
    EXPECT_EQ(watcher.rows[1].rfind("DemoGroup|1|40|5|0|Completed|", 0), 0u) << watcher.rows[1];
    EXPECT_EQ(watcher.groupLine, "Completed Downloading 2 Groups");
    EXPECT_TRUE(std::filesystem::is_directory(out + "/Messages/DemoGroup"));
    EXPECT_TRUE(std::filesystem::is_directory(out + "/Messages/OneMessage"));
    // The tree is back with its marks, the window shown, the output folder opened.
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(m.Tree().AllItems().size(), LoadCachedGroupNames("demo_member").size() + 1);
    int checked = 0;
    for (auto* item : m.Tree().GroupItems()) checked += gui::TGroupTree::IsChecked(item) ? 1 : 0;
    EXPECT_EQ(checked, 2);
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), "file://" + out + "/");
    EXPECT_EQ(m.Options().CurrentSection(), TYahooDownloadOptions::kSectionMessages);
}

TEST_F(SimProcessTest, FilesOfTheDemoGroup) {
    StartService();
    auto& m = SignedIn();
    m.CheckAll(false);
    for (auto* item : m.Tree().GroupItems()) {
        if (gui::TGroupTree::TextOf(item) == "DemoGroup") m.Tree().SetChecked(item, true);
    }
    const std::string out = Dir() + "out";
    BoxAnswers boxes;
    boxes.Then([out](QDialog& box) {
        box.findChild<QComboBox*>(QStringLiteral("cbDownload"))->setCurrentIndex(0);
        box.findChild<QLineEdit*>(QStringLiteral("txtDir"))->setText(QString::fromStdString(out));
        box.findChild<QRadioButton*>(QStringLiteral("cbDLAllCheckedGroups"))->setChecked(true);
        box.findChild<QCheckBox*>(QStringLiteral("cbReOrder"))->setChecked(true);  // one group
        BoxAnswers::Click(box, "btStart");
    });
    FinishWatcher watcher(m);
    m.mnuItemStartDownloadClick();  // no order dialog for Files with one group
    ASSERT_EQ(watcher.rows.size(), 1u);
    EXPECT_NE(watcher.rows[0].find("|Completed #1"), std::string::npos) << watcher.rows[0];
    EXPECT_TRUE(std::filesystem::is_directory(out + "/Files/DemoGroup"));
}

}  // namespace
}  // namespace tessaly::test
