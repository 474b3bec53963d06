#include "session/MemberSession.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <thread>

#include "dialogs/LoginInput.h"
#include "net/CookieStore.h"
#include "net/TransferFailure.h"
#include "platform/Pacing.h"
#include "registry/GroupCache.h"
#include "registry/ProgramRegistry.h"
#include "service/ServiceHosts.h"
#include "session/FetchPolicy.h"
#include "settings/DownloadOptions.h"
#include "text/HtmlScanner.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {
namespace {

std::string LoginHostWithoutTld() {
    const std::string host = hosts::kLogin;
    return host.substr(0, host.rfind('.'));
}

}  // namespace

void TMemberSession::SaveDebugPage(const std::string& fileName, const TPage& page) const {
    if (options_.boolDebugDownloads) utils_.SaveDebugList(fileName, TextToLines(page.Source()));
}

TMemberSession::TMemberSession(TYahooDownloadOptions& options, IBrowserEngine& browser,
                               ILoginUi& ui)
    : options_(options), browser_(browser), ui_(ui), utils_(options) {
    browser_.OnDocumentComplete = [this] { documentComplete_ = true; };
}

TMemberSession::~TMemberSession() {
    browser_.OnDocumentComplete = nullptr;
}

void TMemberSession::SetUserName(const std::string& userName) {
    userName_ = userName;
    StoreUserName(userName_);
}

void TMemberSession::SetPassword(const std::string& password) {
    password_ = password;
    StorePassword(password_);
}

void TMemberSession::LoadStoredLogin() {
    userName_ = StoredUserName();
    password_ = PasswordStoringAllowed() ? StoredPassword() : std::string();
}

void TMemberSession::SetBrowserDownloadOptions() {
    // This engine never loads images, sounds, scripts or controls; the flags are kept so the
    // flags can be read back.
    browser_.SetDownloadControl(kDownloadControlHarvest);
}

TFetch TMemberSession::OpenURL(const std::string& address, bool extraWait) {
    const TFetchPolicy& policy = kFetchPolicy;
    const std::string target = Trim(address);
    const std::string before = browser_.LocationURL();
    const bool alreadyThere = SameText(target, before);
    documentComplete_ = false;
    Delay(policy.beforeNavigationMs);
    for (int tries = 0;; ++tries) {
        const TLoadEnd end = browser_.Open(target);
        // A navigation that ended without a page from the service is a failed load, not an
        // empty page; the browser's error page tells why.
        if (end == TLoadEnd::Failed) return {false, browser_.Document()};
        if (end == TLoadEnd::Complete) break;
        // Stopped before it ended: unless the browser has left the address it was at, the
        // navigation has not taken place. Try again, a few times.
        if (alreadyThere || !SameText(browser_.LocationURL(), before)) break;
        if (tries >= policy.renavigations) return {};
        Delay(policy.betweenNavigationsMs);
    }
    if (extraWait) Delay(policy.extraWaitMs);
    return {true, browser_.Document()};
}

TPagePtr TMemberSession::OpenLoginURL(const std::string& address) {
    const TFetchPolicy& policy = kFetchPolicy;
    documentComplete_ = false;
    for (int tries = 0;; ++tries) {
        // What arrived is judged by the address it came from, as the login steps do.
        if (browser_.Open(address) != TLoadEnd::Stopped) break;
        if (!SameText(browser_.LocationURL(), address)) break;
        if (tries >= policy.renavigations) return TPage::None();
    }
    Delay(policy.extraWaitMs);
    return browser_.Document();
}

TPagePtr TMemberSession::ClickAndWait(const std::string& name, const std::string& value) {
    const TFetchPolicy& policy = kFetchPolicy;
    documentComplete_ = false;
    // A click that submits its form has loaded the answer when it returns.
    browser_.ClickFormElement(name, value);
    Delay(policy.settleAfterClickMs);
    Delay(policy.settleAfterClickMs);
    const TPagePtr page = browser_.Document();
    if (ContainsText("HTTP-EQUIV", page->Source()) && ContainsText("\"REFRESH\"", page->Source()))
        Delay(policy.refreshSettleMs);
    Delay(policy.settleAfterClickMs);
    return browser_.Document();
}

void TMemberSession::EndBrowserSession() {
    TCookieStore::Instance().EndBrowserSession();
}

bool TMemberSession::SecureConnectionFailed() {
    if (!browser_.NavigationFailed()) return false;
    const TPagePtr page = browser_.Document();
    if (page->Failure() != kCertificateNotTrusted && page->Failure() != kNoSecureConnection)
        return false;
    insecureFailure_ = page->Failure() + " (" + browser_.LocationURL() + ")";
    return true;
}

bool TMemberSession::FormLogin() {
    insecureFailure_.clear();
    if (options_.boolDebugDownloads) {
        // The lines of the cookie file that were not trusted, for a debug run to show.
        const std::vector<std::string>& skipped = TCookieStore::Instance().SkippedLines();
        if (!skipped.empty()) {
            std::vector<std::string> lines{std::to_string(skipped.size()) +
                                           " lines of the cookie file were skipped:"};
            lines.insert(lines.end(), skipped.begin(), skipped.end());
            utils_.SaveDebugList("cookies-skipped.txt", lines);
        }
    }
    // A secure page that cannot be trusted ends the login: the password goes by no other route
    // (not into the form of a page that may not be the service's, not over plain http).
    auto insecure = [this] {
        loginOutcome_ = dsNetworkError;
        ++failedLogins_;
        return false;
    };
    PageBuffer = OpenLoginURL(options_.strAutoLoginURL);
    if (SecureConnectionFailed()) return insecure();
    SaveDebugPage("login.html", *PageBuffer);
    browser_.SetFormFieldValue(options_.strAutoLoginUserName, Trim(userName_));
    browser_.SetFormFieldValue(options_.strAutoLoginPassword, Trim(password_));
    browser_.SetFormCheckBox(options_.strAutoLoginSavePassword, true);
    PageBuffer = ClickAndWait(options_.strAutoLoginSignInName, "");
    if (SecureConnectionFailed()) return insecure();
    SaveDebugPage("afterButtonClick.html", *PageBuffer);
    Delay(kFetchPolicy.beforeLoginCheckMs);
    // Only an answer of the service can say the login went through: a navigation that reached
    // no service leaves the browser at the address it tried, which is no error page either.
    bool ok = !browser_.NavigationFailed() &&
              !ContainsText(options_.strAutoLoginErrorURL, browser_.LocationURL());
    if (!ok) ok = DirectLogin();
    if (ok) {
        loginOutcome_ = dsOk;
        failedLogins_ = 0;
    } else {
        loginOutcome_ = dsError;
        ++failedLogins_;
    }
    return ok;
}

bool TMemberSession::DirectLogin() {
    (void)OpenLoginURL(std::string("http://") + hosts::kLogin);
    // The credentials are URL-encoded: a password with "&", "#" or a blank must reach the
    // service as typed.
    const std::string address =
        std::string("http://") + hosts::kLogin +
        "/config/login?.tries=1&.src=ym&.intl=us&login=" + FormUrlEncode(userName_) +
        "&passwd=" + FormUrlEncode(password_);
    (void)OpenLoginURL(address);
    return !browser_.NavigationFailed() &&
           !ContainsText(LoginHostWithoutTld(), browser_.LocationURL());
}

int TMemberSession::FindMyGroupsPageCount(const std::string& page, char separator) {
    THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.Execute();
    int best = -1;
    for (const auto& link : scanner.Parsed().Hyperlinks) {
        if (!ContainsText("/mygroups?", link)) continue;
        for (const auto& piece : SplitAll(link, separator)) {
            if (!StartsText("PAGE", piece)) continue;
            const std::string number = piece.size() > 5 ? piece.substr(5) : std::string();
            if (IsAllDigits(number) && number.size() < 9) best = std::max(best, std::stoi(number));
        }
    }
    return best;
}

std::vector<std::string> TMemberSession::ExtractGroupNames(const std::string& page) {
    THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.Execute();
    std::vector<std::string> names;
    for (const auto& link : scanner.Parsed().Hyperlinks) {
        if (!ContainsText("/group/", link) || link.find('?') == std::string::npos) continue;
        std::string name = link.size() > 7 ? link.substr(7) : std::string();
        name = Trim(name.substr(0, name.find('/')));
        if (name.empty() || name.find('.') != std::string::npos) continue;
        name = Trim(name.substr(0, name.find('?')));
        if (name.empty()) continue;
        const bool known = std::any_of(names.begin(), names.end(),
                                       [&](const std::string& n) { return SameText(n, name); });
        if (!known) names.push_back(name);
    }
    return names;
}

void TMemberSession::GetMyGroups(std::vector<std::string>& names) {
    ui_.SetStatusText("Checking Mygroups...");
    Delay(kFetchPolicy.beforeMyGroupsMs);
    const TFetch first = OpenURL(std::string("http://") + hosts::kGroups + "/mygroups");
    if (!first.ok) return;
    SaveDebugPage("group1.html", *first.page);
    int count = FindMyGroupsPageCount(first.Source(), '&');
    if (count == -1) count = FindMyGroupsPageCount(first.Source(), ';');
    names = ExtractGroupNames(first.Source());
    for (int p = 2; p <= count; ++p) {
        ui_.SetStatusText("Getting Mygroups page " + std::to_string(p) + " of " +
                          std::to_string(count));
        const TFetch page = OpenURL(std::string("http://") + hosts::kGroups +
                                    "/mygroups?sort=n&order=a&page=" + std::to_string(p));
        if (!page.ok) break;
        SaveDebugPage("group" + std::to_string(p) + ".html", *page.page);
        for (auto& name : ExtractGroupNames(page.Source())) names.push_back(std::move(name));
    }
}

TLoginResult TMemberSession::RunLoginCommand() {
    TLoginResult result;
    SetBrowserDownloadOptions();
    std::string user = userName_;
    std::string password = password_;
    bool useCache = true;
    const bool confirmed = ui_.CommonPasswordBox("Yahoo Login.", user, false, useCache, password);
    const bool filled = !Trim(user).empty() && !Trim(password).empty();
    if (!confirmed) {
        ui_.ShowPlainMessage(
            "You have choosen to cancel the AutoLogin.\r\n\r\nPlease Note: If you dont provide the "
            "User Name and "
            "Password, \r\nyou cannot login to the Yahoo Groups and download the photos.");
    } else if (!filled) {
        ui_.ShowPlainMessage(
            "You havent provided the user name or password.\r\n\r\nPlease Note: If you dont "
            "provide the User Name "
            "and Password, \r\nyou cannot login to the Yahoo Group and download the photos.");
    }
    const bool accepted = CheckLoginInput(ui_, user, password);
    if (!confirmed || !filled || !accepted) return result;
    result.attempted = true;
    result.useCache = useCache;

    SetUserName(Trim(user));
    SetPassword(Trim(password));
    WriteDLMode(options_.CurrentSection());
    ui_.SetStatusPanel(1, "Working");
    loginOutcome_ = dsCompleted;
    ui_.StartProgress("Log in...", 1000);
    EndBrowserSession();
    ui_.SetStatusText("Logging in. Please Wait..");
    if (!FormLogin() && !insecureFailure_.empty()) {
        ui_.CommonMessageBox("Login Error : " + insecureFailure_ +
                                 ".\r\nThe login was not sent to the service by any other "
                                 "way.\r\nIf the service uses another certificate authority, "
                                 "name its certificate file in SSL_CERT_FILE.",
                             TMessageKind::Error, false);
    } else if (loginOutcome_ != dsOk) {
        if (ui_.CommonMessageBox(
                "Login Error : Please check your Login and password.Please click Ok to check the "
                "correct Login parameters from the Help Website.",
                TMessageKind::Error, true)) {
            ui_.OpenWebPage(kPasswordHelpUrl);
        }
    } else {
        result.loggedIn = true;
        if (useCache) {
            ui_.SetStatusText("Getting Mygroups from cache...");
            result.names = LoadCachedGroupNames(userName_);
            if (result.names.empty()) {
                ui_.SetStatusText("Getting Mygroups.Please wait...");
                GetMyGroups(result.names);
                if (!result.names.empty()) CacheNewGroups(userName_, result.names);
            }
            if (result.names.empty()) {
                ui_.ShowPlainMessage(std::string("No groups found. if you think you have "
                                                 "registered groups, please try \r\nlogout and "
                                                 "login again.\r\n\r\nOtherwise, please click the "
                                                 "+ button to add your group of "
                                                 "\r\nchoice.\r\n\r\nif you are getting problems, "
                                                 "please send a mail to \r\n") +
                                     kSupportMail + " for help.");
            }
        } else {
            ui_.SetStatusText("Getting Mygroups.Please wait...");
            GetMyGroups(result.names);
        }
        // The start of showing the result; the front end fills its group list.
        ui_.ResetProgressDialog();
        if (result.names.empty()) {
            ui_.CommonMessageBox(
                "Unable to Get Groups. Please Click the plus (+) button and add your group name",
                TMessageKind::Error, false);
            result.addGroupWanted = true;
        } else {
            ui_.SetStatusPanel(0, "Groups :" + std::to_string(result.names.size()));
            ui_.SetStatusPanel(1, "Ready...");
            ui_.SetStatusText("Ready...");
        }
    }
    ui_.ResetProgressDialog();
    return result;
}

}  // namespace tessaly
