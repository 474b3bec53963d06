#pragma once
// The simulated service as its own program for whole runs of the desktop program: the main
// window signs the demo member in through it, and a watcher clicks "Ok" on the progress window
// once its run is over, keeping what the window showed.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/MainWindowFixture.h"
#include "gui/ProgressRowsModel.h"
#include "gui/TfrmYahooProgressXX.h"

namespace tessaly::test {

// A row of the list as "cell|cell|... #picture".
inline std::string Row(const gui::TProgressRowsModel& model, int row) {
    std::string out;
    for (int c = 0; c < model.columnCount(); ++c)
        out += (c == 0 ? "" : "|") + model.Cell(row, c).toStdString();
    return out + " #" + std::to_string(model.Picture(row));
}

class SimProcessTest : public MainWindowTest {
protected:
    // The seed of the service's generated content (file and picture bytes).
    static constexpr std::uint64_t kSeed = 11;

    void StartService(const std::vector<std::string>& extra = {}) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const std::string seed = std::to_string(kSeed);
        service_ = ::fork();
        ASSERT_GE(service_, 0);
        if (service_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<const char*> argv{GROUPSIM_BINARY, "--port", "0", "--seed", seed.c_str()};
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

// Clicks "Ok" on the progress window once its run is over, noting its rows first.
struct FinishWatcher {
    explicit FinishWatcher(QWidget& main) {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this, &main] {
            auto* p = main.findChild<gui::TfrmYahooProgressXX*>();
            if (p == nullptr || p->Running() || p->btCancel->text() != "Ok") return;
            rows.clear();
            for (int r = 0; r < p->Rows().rowCount(); ++r) rows.push_back(Row(p->Rows(), r));
            groupLine = p->GroupLine()->text().toStdString();
            mainHidden = !main.isVisible();
            p->btCancel->click();
        });
        timer.start();
    }
    QTimer timer;
    std::vector<std::string> rows;
    std::string groupLine;
    bool mainHidden = false;  // the main window stayed hidden for the run
};

}  // namespace tessaly::test
