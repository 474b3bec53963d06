// The "Check Updates" window against the simulated service playing the update server, on its
// own and through the main window's command and start-up schedule.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "groupsim/SimServer.h"
#include "gui/MainWindowFixture.h"
#include "gui/TfrmYahooWebUpdate.h"
#include "service/ProgramVersion.h"
#include "service/ServiceHosts.h"

namespace tessaly::test {
namespace {

using Lines = std::vector<std::string>;
using gui::TfrmYahooWebUpdate;

const Lines kFailedLog = {"Check Updates Failed.",
                          std::string("Please check ") + kMakerWebSite + " for updates."};
constexpr const char* kOffered = "http://downloads.example.org/tessaly-2.5";

// A loopback socket of the test's own: `listening` takes connections and never answers;
// otherwise it is closed again, so nobody listens on its port.
struct LoopbackPort {
    explicit LoopbackPort(bool listening) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        if (listening) {
            EXPECT_EQ(::listen(fd, 8), 0);
        }
        EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
        server = "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
        if (!listening) Close();
    }
    ~LoopbackPort() { Close(); }
    void Close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int fd = -1;
    std::string server;
};

Lines LogOf(const TfrmYahooWebUpdate& w) {
    Lines lines;
    for (const QString& line : w.mmUpdateLog->toPlainText().split(QLatin1Char('\n')))
        lines.push_back(line.toStdString());
    if (lines == Lines{""}) lines.clear();
    return lines;
}

class UpdateWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        service_ = std::make_unique<groupsim::GroupService>(groupsim::DemoData(11));
        server_ = std::make_unique<groupsim::SimServer>(*service_);
        ASSERT_GT(server_->Bind("127.0.0.1", 0), 0);
        server_->Start();
        const std::string proxy = "http://127.0.0.1:" + std::to_string(server_->Port());
        ::setenv("http_proxy", proxy.c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    void TearDown() override {
        main_.reset();
        server_.reset();
        service_.reset();
        ::unsetenv("http_proxy");
        MainWindowTest::TearDown();
    }
    // Opens a window on `server` and waits for the check that opening it starts.
    std::unique_ptr<TfrmYahooWebUpdate> CheckedWindow(const std::string& server) {
        auto w = std::make_unique<TfrmYahooWebUpdate>(nullptr, server);
        w->openUrl = [this](const QUrl& url) { opened.push_back(url.toString().toStdString()); };
        w->show();
        EXPECT_TRUE(WaitFor([&] { return w->ChecksDone() == 1; }, 30000));
        return w;
    }
    // An answer for the window the main window opens: waits for its check, notes what it
    // shows, clicks "Update Site" when asked to, and closes it. It looks every few ms from a
    // timer of the window's own rather than waiting in an event loop of its own: the answer
    // runs inside the dialog's loop, and the check's lines must reach the window meanwhile.
    BoxAnswers::Answer CloseWhenChecked(bool openSite) {
        return [this, openSite](QDialog& box) {
            auto& w = dynamic_cast<TfrmYahooWebUpdate&>(box);
            auto* look = new QTimer(&w);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            QObject::connect(look, &QTimer::timeout, &w, [this, &w, look, openSite, deadline] {
                const bool checked = w.ChecksDone() == 1;
                if (!checked && std::chrono::steady_clock::now() < deadline) return;
                look->stop();
                shownVersion = w.lbCurrentVersion->text().toStdString();
                shownLog = LogOf(w);
                EXPECT_TRUE(checked) << "the check did not end; its log so far: "
                                     << ::testing::PrintToString(shownLog);
                if (!checked) {
                    w.reject();  // closing cancels the check: the test fails instead of hanging
                    return;
                }
                if (openSite) w.btOpenSite->click();
                w.btClose->click();
            });
            look->start(5);
        };
    }

    std::unique_ptr<groupsim::GroupService> service_;
    std::unique_ptr<groupsim::SimServer> server_;
    std::string shownVersion;
    Lines shownLog;
};

TEST_F(UpdateWindowTest, ShowsWhatTheUpdateServerSays) {
    struct Case {
        const char* what;
        groupsim::UpdateFile file;
        bool reachable;
        std::string version;  // the current-version label after the check
        bool bold;
        Lines log;
        std::string site;  // what "Update Site" opens afterwards
    };
    const Case cases[] = {
        {"a newer version",
         {"2.5", "Get it now", kOffered, ""},
         true,
         "2.5",
         true,
         {"New Version Available : ", " ", "Get it now"},
         kOffered},
        {"the installed version",
         {ProgramVersion(), "Hello", kOffered, ""},
         true,
         "2",
         false,
         {"You are using the latest version : ", " "},
         kMakerWebSite},
        {"an unreachable server",
         {"2.5", "", "", ""},
         false,
         "0.0",
         false,
         kFailedLog,
         kMakerWebSite},
    };
    for (const Case& c : cases) {
        opened.clear();
        service_->SetUpdateFile(c.file);
        LoopbackPort nobody(false);
        if (!c.reachable) ::unsetenv("http_proxy");
        auto w = CheckedWindow(c.reachable ? hosts::kUpdateServer : nobody.server);
        EXPECT_EQ(w->windowTitle(), "Check Updates") << c.what;
        EXPECT_EQ(w->lbInstalledVersion->text(), "2") << c.what;
        EXPECT_EQ(w->lbCurrentVersion->text().toStdString(), c.version) << c.what;
        EXPECT_EQ(w->lbCurrentVersion->font().bold(), c.bold) << c.what;
        EXPECT_EQ(LogOf(*w), c.log) << c.what;
        EXPECT_EQ(w->SiteAddress(), c.site) << c.what;
        EXPECT_TRUE(w->btCheck->isEnabled() && w->btClose->isEnabled()) << c.what;
        // Nothing is opened until the user asks for it.
        EXPECT_TRUE(opened.empty()) << c.what;
        ASSERT_TRUE(w->btOpenSite->isEnabled()) << c.what;
        w->btOpenSite->click();
        EXPECT_EQ(opened, Lines{c.site}) << c.what;
    }
}

// A check waits for a server that never answers on its own thread: the window keeps serving
// events (the log shows the first attempt), and closing it ends the check at once.
TEST_F(UpdateWindowTest, ClosingTheWindowCancelsARunningCheck) {
    ::unsetenv("http_proxy");
    LoopbackPort silent(true);
    auto w = std::make_unique<TfrmYahooWebUpdate>(nullptr, silent.server);
    w->show();
    ASSERT_TRUE(WaitFor([&] { return LogOf(*w) == Lines{"Trying Update Server - 1"}; }, 10000));
    EXPECT_TRUE(w->Checking());
    EXPECT_FALSE(w->btCheck->isEnabled());
    EXPECT_FALSE(w->btClose->isEnabled());
    const auto start = std::chrono::steady_clock::now();
    w->close();
    EXPECT_FALSE(w->isVisible());
    w.reset();                          // waits for the cancelled check's thread
    WaitFor([] { return false; }, 20);  // whatever the thread posted is gone with the window
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// "Check for Updates" opens the window; the address an update file offered stays the update
// site for the rest of the run and is opened only by the click.
TEST_F(UpdateWindowTest, TheMenuCommandOpensTheWindow) {
    service_->SetUpdateFile({"2.10", "", kOffered, ""});
    auto& m = Main();
    BoxAnswers boxes;
    boxes.Then(CloseWhenChecked(false)).Then(CloseWhenChecked(true));
    m.findChild<QAction*>(QStringLiteral("mnuItemHelpCheckforUpdates"))->trigger();
    EXPECT_EQ(shownVersion, "2.10");  // newer than 2.9 and 2.0, part by part
    EXPECT_EQ(shownLog, (Lines{"New Version Available : ", " "}));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(m.UpdateSiteAddress(), kOffered);

    service_->SetUpdateFile({"2", "", "", ""});
    m.mnuItemHelpCheckforUpdatesClick();
    EXPECT_EQ(shownVersion, "2");
    EXPECT_EQ(opened, Lines{kOffered});
    EXPECT_EQ(boxes.seen, (Lines{"Check Updates: ", "Check Updates: "}));
}

// At start-up the check runs by itself when the last one is 30 whole days old, and the day is
// stored; 29 days after it, it does not run.
TEST_F(UpdateWindowTest, TheStartUpCheckRunsEveryThirtyDays) {
    service_->SetUpdateFile({"2", "", "", ""});
    const TDateTime now = Now();
    WriteUpdatedCheckedOn(now - 29.5);
    Main();
    EXPECT_FALSE(Main().UpdateCheckScheduled());
    WaitFor([] { return false; }, 50);  // no window may open
    EXPECT_EQ(ReadUpdatedCheckedOn(), now - 29.5);
    main_.reset();

    WriteUpdatedCheckedOn(now - 30);
    BoxAnswers boxes;
    boxes.Then(CloseWhenChecked(false));
    Main();
    ASSERT_TRUE(WaitFor([&] { return boxes.AllUsed() && !shownLog.empty(); }, 30000));
    EXPECT_EQ(shownLog, (Lines{"You are using the latest version : ", " "}));
    ASSERT_TRUE(ReadUpdatedCheckedOn());
    EXPECT_GE(*ReadUpdatedCheckedOn(), now);
    EXPECT_FALSE(Main().UpdateCheckScheduled());  // once
}

}  // namespace
}  // namespace tessaly::test
