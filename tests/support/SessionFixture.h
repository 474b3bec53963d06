#pragma once
// A member's session against the simulated service: the browser, a recording login front end,
// the download options and the session over them, made fresh for every test. Nothing is signed
// in until a test asks for it.

#include <memory>
#include <string>

#include "browser/PageBrowser.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "support/RecordingLoginUi.h"
#include "support/SimFixture.h"

namespace tessaly::test {

class SessionTest : public SimServiceTest {
protected:
    // Makes the Qt application (the browser loads pages in its event loop), starts the service,
    // then makes the browser and the session.
    void SetUp() override;
    // Ends the session and the browser before the service.
    void TearDown() override;

    TPageBrowser& Browser() { return *browser_; }
    TMemberSession& Session() { return *session_; }
    RecordingLoginUi& Ui() { return ui_; }
    TYahooDownloadOptions& Options() { return options_; }

    // Signs the demo member in with the form login; true when the service accepted it and the
    // session holds the member's login.
    [[nodiscard]] bool LoggedIn();

private:
    TYahooDownloadOptions options_;
    RecordingLoginUi ui_;
    std::unique_ptr<TPageBrowser> browser_;
    std::unique_ptr<TMemberSession> session_;
};

}  // namespace tessaly::test
