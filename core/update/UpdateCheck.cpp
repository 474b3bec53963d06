#include "update/UpdateCheck.h"

#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "platform/Pacing.h"
#include "service/ProgramVersion.h"
#include "settings/SettingsFile.h"
#include "text/TextUtils.h"
#include "text/Version.h"

namespace tessaly {
namespace {

constexpr const char* kSection = "Update";
// An update file is a few lines; anything larger is not one.
constexpr std::size_t kMaxUpdateFileSize = 64 * 1024;
// A short pause before trying again, so a server that hiccuped has a moment to recover.
constexpr int kRetryPauseMs = 1000;

}  // namespace

bool IsWebAddress(const std::string& address) {
    const std::string lower = LowerCase(address);
    std::size_t hostStart = 0;
    if (lower.rfind("http://", 0) == 0)
        hostStart = 7;
    else if (lower.rfind("https://", 0) == 0)
        hostStart = 8;
    else
        return false;
    for (const char c : address) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F) return false;  // no blanks or control characters
    }
    const std::size_t hostEnd = address.find_first_of("/?#", hostStart);
    const std::string host = address.substr(hostStart, hostEnd - hostStart);
    return !host.empty() && host.find('@') == std::string::npos;
}

TUpdateCheck::TUpdateCheck(std::string updateServer) : server_(Trim(updateServer)) {}

std::string TUpdateCheck::InstalledVersionText() {
    return ProgramVersionText();
}

std::string TUpdateCheck::UpdateFileURL() const {
    return "http://" + server_ + "/updates/ovupdate.ini";
}

void TUpdateCheck::ClearLog() {
    log_.clear();
    if (OnLogCleared) OnLogCleared();
}

void TUpdateCheck::Log(const std::string& line) {
    log_.push_back(line);
    if (OnLogLine) OnLogLine(line);
}

TUpdateCheckResult TUpdateCheck::Result() const {
    TUpdateCheckResult r;
    r.installedVersion = InstalledVersionText();
    return r;
}

TUpdateCheckResult TUpdateCheck::FetchUpdateFile() {
    ClearLog();
    // The maker's server gets no cookies of the member's session, and gives none to it.
    TCookieStore noCookies("");
    THttpClient client;
    client.SetCookieStore(&noCookies);
    client.TimeOut = TimeOutSeconds;
    client.TotalTimeOut = TotalTimeOutSeconds;
    client.MaxBodySize = kMaxUpdateFileSize;
    client.RecordRequestHeaders = false;
    client.CancelFlag = CancelFlag;
    const std::string url = UpdateFileURL();
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (attempt > 1) {
            Log("Server - " + std::to_string(attempt - 1) + " Failed.");
            Delay(kRetryPauseMs);
        }
        Log("Trying Update Server - " + std::to_string(attempt));
        client.Reset();
        client.SetURL(url);
        // Success is a 2xx answer read to its end; any other status is a failed attempt.
        if (!server_.empty() && client.Get()) return ProcessUpdateFile(client.Body());
        if (CancelFlag != nullptr && CancelFlag->load()) break;
    }
    Log("Server - " + std::to_string(kAttempts) + " Failed.");
    ClearLog();
    Log("Check Updates Failed.");
    Log(std::string("Please check ") + kMakerWebSite + " for updates.");
    TUpdateCheckResult r = Result();
    r.log = log_;
    return r;
}

TUpdateCheckResult TUpdateCheck::ProcessUpdateFile(const std::string& text) {
    TSettingsFile file;
    file.LoadFromText(text);
    const std::string version = Trim(file.ReadString(kSection, "version", ""));
    const std::string message = Trim(file.ReadString(kSection, "Msg", ""));
    const std::string address = Trim(file.ReadString(kSection, "URLToOpen", ""));
    ClearLog();
    TUpdateCheckResult r = Result();
    r.fetched = true;
    if (version.empty()) {
        r.currentVersion = r.installedVersion;
        Log("You are using the latest version");
    } else if (const auto parts = ParseVersion(version)) {
        const auto installed = ParseVersion(ProgramVersion());
        if (installed && CompareVersions(*parts, *installed) > 0) {
            r.currentVersion = version;
            r.currentVersionBold = true;
            r.newerVersion = true;
            Log("New Version Available : ");
            Log(" ");
        } else {
            r.currentVersion = r.installedVersion;
            Log("You are using the latest version : ");
            Log(" ");
            r.log = log_;
            return r;
        }
    }
    // A version that is no version (a word, "2..1") leaves the label as it is.
    if (!message.empty()) {
        r.message = message;
        Log(message);
    }
    if (!address.empty()) {
        if (IsWebAddress(address)) {
            r.urlToOpen = address;
            siteAddress_ = address;
        } else {
            Log("Ignored the address " + address + ": only http and https addresses are opened.");
        }
    }
    r.log = log_;
    return r;
}

}  // namespace tessaly
