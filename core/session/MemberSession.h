#pragma once
// TMemberSession: the member's session with the service, the same for every front end: user name
// and password, the login outcome and failed-login counter, the page buffer, the browser's
// document-complete flag, the navigation operations every page request goes through (OpenURL,
// OpenLoginURL, ClickAndWait), the form login, the direct login, the My Groups pages and the Login
// command. It belongs to the user-interface thread, but for OpenURL and CurrentLocation, which
// workers call on their own threads.

#include <atomic>
#include <string>
#include <vector>

#include "browser/BrowserEngine.h"
#include "browser/Page.h"
#include "files/GeneralUtils.h"
#include "session/LoginUi.h"
#include "status/DownloadStatus.h"
#include "text/TextUtils.h"

namespace tessaly {

class TYahooDownloadOptions;

struct TLoginResult {
    bool attempted = false;  // the box was confirmed and the input accepted
    bool loggedIn = false;
    bool useCache = false;
    std::vector<std::string> names;
    bool addGroupWanted = false;  // no group found: the front end opens its Add Group box
};

class TMemberSession {
public:
    TMemberSession(TYahooDownloadOptions& options, IBrowserEngine& browser, ILoginUi& ui);
    ~TMemberSession();
    TMemberSession(const TMemberSession&) = delete;
    TMemberSession& operator=(const TMemberSession&) = delete;

    // Setting them stores them in the registry (the password only where that is allowed).
    void SetUserName(const std::string& userName);
    void SetPassword(const std::string& password);
    [[nodiscard]] const std::string& UserName() const { return userName_; }
    [[nodiscard]] const std::string& Password() const { return password_; }
    // The stored login of the last start.
    void LoadStoredLogin();

    [[nodiscard]] DownloadStatus LoginOutcome() const { return loginOutcome_; }
    [[nodiscard]] int FailedLogins() const { return failedLogins_; }
    // Why the last login could not be made when no route to the service could be trusted (a
    // certificate that failed verification: "REASON (ADDRESS)"); "" otherwise.
    [[nodiscard]] const std::string& InsecureLoginFailure() const { return insecureFailure_; }
    // The page of the login steps, loaded last.
    TPagePtr PageBuffer = TPage::None();
    [[nodiscard]] bool DocumentComplete() const { return documentComplete_; }
    [[nodiscard]] std::string CurrentLocation() const { return browser_.LocationURL(); }
    [[nodiscard]] IBrowserEngine& Browser() { return browser_; }

    // Navigation. Each call returns when its page is complete (the browser's own time limit
    // bounds a load); the fixed waits go through the pacing clock. OpenURL may be called from
    // any thread (loads never overlap); the others belong to the user-interface thread.
    // OpenURL fails, with the empty page, when the navigation never leaves the address the
    // browser was at or ends without a page from the service.
    TFetch OpenURL(const std::string& address, bool extraWait = false);
    TPagePtr OpenLoginURL(const std::string& address);
    TPagePtr ClickAndWait(const std::string& name, const std::string& value);
    // The current document.
    [[nodiscard]] TPagePtr CurrentPage() const { return browser_.Document(); }
    void SetBrowserDownloadOptions();

    bool FormLogin();
    bool DirectLogin();
    // Drops the session cookies of an earlier login (the persistent ones stay).
    void EndBrowserSession();
    void GetMyGroups(std::vector<std::string>& names);
    [[nodiscard]] static std::vector<std::string> ExtractGroupNames(const std::string& page);
    [[nodiscard]] static int FindMyGroupsPageCount(const std::string& page, char separator);

    // The Login command, apart from drawing its boxes (the front end's ILoginUi does).
    TLoginResult RunLoginCommand();

private:
    void SaveDebugPage(const std::string& fileName, const TPage& page) const;
    // Whether the last load failed for want of a trusted secure connection; then the reason is
    // kept in insecureFailure_.
    bool SecureConnectionFailed();

    TYahooDownloadOptions& options_;
    IBrowserEngine& browser_;
    ILoginUi& ui_;
    TGeneralUtils utils_;
    std::string userName_;
    std::string password_;
    DownloadStatus loginOutcome_ = dsWaiting;
    int failedLogins_ = 0;
    std::string insecureFailure_;
    std::atomic<bool> documentComplete_{false};
};

}  // namespace tessaly
