// The progress window: its rows and pictures by status, the stop buttons, the refusal to close
// while running, Details, the list's double click, To Tray, minimising, Preview; and Stop All
// in a run against the simulated service running as its own program.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "gui/MainWindowFixture.h"
#include "gui/ProgressRowsModel.h"
#include "gui/SimServiceFixture.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooBrowser.h"
#include "gui/TfrmYahooProgressXX.h"
#include "platform/ImageViewer.h"

namespace tessaly::test {
namespace {

using gui::TfrmYahooProgressXX;

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

// To Tray: the window, the console and the main window go away and the icon's picture keeps
// changing while it waits there; a click on the icon brings the window back. Sent there again
// and the run ends: the icon goes and the window is back by itself with "Ok". Without a
// notification area the button sends the program to the taskbar instead: a hidden window could
// not be brought back before the run's end.
TEST_F(ProgressWindowTest, ToTrayAnimatesAndComesBack) {
    auto p = Prepared(TSection::Files, {"a"});
    auto& m = Main();
    m.show();
    bool consoleHidden = false;
    p->hideConsole = [&] { consoleHidden = true; };
    p->trayAvailable = [] { return true; };
    p->show();
    p->btToTray->click();
    EXPECT_TRUE(p->InTray());
    EXPECT_FALSE(p->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_TRUE(consoleHidden);
    for (int frames = 0; frames < 2; ++frames) {
        const int shown = p->TrayFrame();
        ASSERT_TRUE(WaitFor([&] { return p->TrayFrame() != shown; }, 5000)) << frames;
    }
    p->ctrayAppsClick();
    EXPECT_FALSE(p->InTray());
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->btCancel->text(), "Stop");

    p->btToTray->click();
    ASSERT_TRUE(p->InTray());
    p->ShowFinishedState();
    EXPECT_FALSE(p->InTray());
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->btCancel->text(), "Ok");
    EXPECT_FALSE(p->btToTray->isEnabled());

    auto q = Prepared(TSection::Files, {"a"});
    q->trayAvailable = [] { return false; };
    q->show();
    q->btToTray->click();
    EXPECT_FALSE(q->InTray());
    EXPECT_TRUE(q->isVisible());
    EXPECT_TRUE(q->isMinimized());
    q->ShowFinishedState();
}

// Minimising the progress window minimises every shown window of the program with it.
TEST_F(ProgressWindowTest, MinimisingTakesTheWholeProgram) {
    auto p = Prepared(TSection::Messages, {"a"});
    auto& m = Main();
    m.show();
    m.Console().show();
    p->show();
    p->showMinimized();
    EXPECT_TRUE(m.isMinimized());
    EXPECT_TRUE(m.Console().isMinimized());
    p->ShowFinishedState();
}

// Plays the picture viewer on its socket: keeps the text of every announcement it is sent.
class FakeViewer {
public:
    FakeViewer() {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = ImageViewerSocketPath();
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd_, 8) != 0)
            throw std::runtime_error("cannot listen on " + path);
        thread_ = std::thread([this] {
            int c;
            while ((c = ::accept(fd_, nullptr, nullptr)) >= 0) {
                std::string bytes;
                char buf[256];
                ssize_t n;
                while ((n = ::recv(c, buf, sizeof buf, 0)) > 0)
                    bytes.append(buf, static_cast<std::size_t>(n));
                // Identifier and size (8 bytes), then 0x01 0x03, the text and two zero bytes;
                // kept before the connection closes, which is what the sender waits for.
                if (bytes.size() >= 12) {  // shorter: a look whether the viewer is there
                    std::lock_guard<std::mutex> lock(mutex_);
                    texts_.push_back(bytes.substr(10, bytes.size() - 12));
                }
                ::close(c);
            }
        });
    }
    ~FakeViewer() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    int fd_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

TEST_F(ProgressWindowTest, PreviewWakesTheViewerThreeTimes) {
    auto p = Prepared(TSection::Photos, {"a"});
    FakeViewer viewer;
    p->btPreview->click();
    EXPECT_EQ(viewer.Texts(), (std::vector<std::string>{"wakeup", "wakeup", "wakeup"}));
    p->ShowFinishedState();
}

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

}  // namespace
}  // namespace tessaly::test
