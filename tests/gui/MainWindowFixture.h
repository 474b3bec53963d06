#pragma once
// A main window over a temporary home, its desktop hand-overs recorded instead of opened, and
// the boxes it opens answered by the test.

#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "gui/TfrmYahooMain.h"
#include "registry/ProgramRegistry.h"
#include "session/MemberSession.h"
#include "support/BoxAnswers.h"
#include "support/TestEnv.h"

namespace tessaly::test {

class MainWindowTest : public TempHomeTest {
protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        MarkStartValue();  // not the first start: no welcome box
        // Checked today: no update window opens by itself in the middle of a test.
        WriteUpdatedCheckedOn(Now());
    }
    void TearDown() override {
        main_.reset();
        TempHomeTest::TearDown();
    }
    gui::TfrmYahooMain& Main() {
        if (!main_) {
            main_ = std::make_unique<gui::TfrmYahooMain>();
            main_->openUrl = [this](const QUrl& url) {
                opened.push_back(url.toString(QUrl::FullyEncoded).toStdString());
            };
        }
        return *main_;
    }
    // The main window logged in as `user` with the tree filled from `names`.
    gui::TfrmYahooMain& LoggedIn(const std::string& user, const std::vector<std::string>& names) {
        Main().Session().SetUserName(user);
        Main().ShowLoggedInState();
        Main().FillGroupTree(names);
        return Main();
    }

    std::vector<std::string> opened;
    std::unique_ptr<gui::TfrmYahooMain> main_;
};

}  // namespace tessaly::test
