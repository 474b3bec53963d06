#pragma once
// The simulated service as its own program for whole runs of the desktop program: the main
// window signs the demo member in through it, and a watcher clicks "Ok" on the progress window
// once its run is over, keeping what the window showed.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/MainWindowFixture.h"
#include "gui/ProgressRowsModel.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmYahooProgressXX.h"
#include "support/GroupSimProcess.h"

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
        std::vector<std::string> args{"--port", "0", "--seed", std::to_string(kSeed)};
        args.insert(args.end(), extra.begin(), extra.end());
        service_ = std::make_unique<GroupSimProcess>(GROUPSIM_BINARY, args);
        ASSERT_TRUE(service_->Running()) << "the service did not start";
        ::setenv("http_proxy",
                 ("http://127.0.0.1:" + std::to_string(service_->PlainPort())).c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    void TearDown() override {
        main_.reset();
        service_.reset();
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
    static void CheckOnly(gui::TfrmYahooMain& m, const std::vector<std::string>& checked) {
        m.CheckAll(false);
        for (auto* item : m.Tree().GroupItems()) {
            const std::string name = gui::TGroupTree::TextOf(item);
            for (const auto& c : checked) {
                if (name == c) m.Tree().SetChecked(item, true);
            }
        }
    }
    // The chooser's answer: the entry of the "Download" list, the output folder, the checked
    // groups, "Reorder Downloads" as given, then Start.
    static BoxAnswers::Answer Choose(int entry, const std::string& out, bool reorder) {
        return [=](QDialog& box) {
            box.findChild<QComboBox*>(QStringLiteral("cbDownload"))->setCurrentIndex(entry);
            box.findChild<QLineEdit*>(QStringLiteral("txtDir"))
                ->setText(QString::fromStdString(out));
            box.findChild<QRadioButton*>(QStringLiteral("cbDLAllCheckedGroups"))->setChecked(true);
            box.findChild<QCheckBox*>(QStringLiteral("cbReOrder"))->setChecked(reorder);
            BoxAnswers::Click(box, "btStart");
        };
    }
    std::unique_ptr<GroupSimProcess> service_;
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
            firstReason =
                p->Rows().data(p->Rows().index(0, 0), Qt::ToolTipRole).toString().toStdString();
            groupLine = p->GroupLine()->text().toStdString();
            mainHidden = !main.isVisible();
            p->btCancel->click();
        });
        timer.start();
    }
    QTimer timer;
    std::vector<std::string> rows;
    std::string groupLine;
    std::string firstReason;  // why the first group ended as it did (its row's tool tip)
    bool mainHidden = false;  // the main window stayed hidden for the run
};

}  // namespace tessaly::test
