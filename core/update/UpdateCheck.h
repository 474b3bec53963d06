#pragma once
// TUpdateCheck: asks the update server for its update file, compares the version it names with
// the installed one and says what the user should see. The check window ("Check Updates") and
// the command line's check-update draw its results; this class shows nothing and opens nothing.
//
// The update file is "http://" + server + "/updates/ovupdate.ini", in the settings-file syntax;
// section [Update], keys (values trimmed):
//   version    the newest version ("2.1", "2.10", "3"): parts compared as integers
//   Msg        one line of text for the user
//   URLToOpen  an address for the user's web browser
//
// Interface for a front end (all results are values; nothing here touches a widget):
//   TUpdateCheck check(options.strUpdateServer);
//   check.OnLogCleared = [&] { memo.clear(); };        // optional: the log as it happens
//   check.OnLogLine = [&](const std::string& line) { memo.append(line); };
//   const TUpdateCheckResult r = check.FetchUpdateFile();   // blocks: up to three requests
//   lbInstalledVersion := r.installedVersion
//   if (r.currentVersion) lbCurrentVersion := *r.currentVersion, bold when r.currentVersionBold
//   the log memo := r.log (the same lines the callbacks gave)
//   "Update Site" opens check.UpdateSiteAddress() -- only on the user's click
// FetchUpdateFile blocks the calling thread for up to three requests of at most
// TimeOutSeconds each (connecting, and each read) and TotalTimeOutSeconds as a whole; run it on
// a worker thread to keep a window responsive, with the callbacks posting to the window's
// thread. Set CancelFlag to end a running request early (the check then counts as failed).
//
// The log lines, exactly:
//   a failure: "Trying Update Server - 1", "Server - 1 Failed.", "Trying Update Server - 2",
//     "Server - 2 Failed.", "Trying Update Server - 3", "Server - 3 Failed.", then the log is
//     cleared and holds "Check Updates Failed." and "Please check SITE for updates."
//   a newer version: "New Version Available : ", " ", then Msg when there is one
//   the installed version or an older one: "You are using the latest version : ", " "
//   no version in the file: "You are using the latest version", then Msg when there is one
//   a version that is not one (a word such as "beta"): Msg when there is one
// Any HTTP status outside 2xx, an answer that breaks off and an unreachable server are failed
// attempts; the headers' text does not matter.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// The texts of the check window.
inline constexpr const char* kUpdateWindowCaption = "Check Updates";
inline constexpr const char* kUpdateWindowHeading = "Update Notification Center";
inline constexpr const char* kInstalledVersionLabel = "Installed Version :";
inline constexpr const char* kCurrentVersionLabel = "Current Version :";
inline constexpr const char* kVersionLabelStart = "0.0";  // both version labels before a check

// The maker's web site: the update site until an update file names another one.
inline constexpr const char* kMakerWebSite = "https://tessaly.example/";

struct TUpdateCheckResult {
    bool fetched = false;          // an update file was read (false: all three attempts failed)
    std::string installedVersion;  // the installed version as shown ("2")
    // The new text of the current-version label; unset: the label keeps its text.
    std::optional<std::string> currentVersion;
    bool currentVersionBold = false;  // a newer version: the label in bold
    bool newerVersion = false;
    std::string message;           // the file's Msg when it is shown ("" otherwise)
    std::string urlToOpen;         // the file's URLToOpen when it is an http/https address
    std::vector<std::string> log;  // the log after the check, line by line
};

class TUpdateCheck {
public:
    // `updateServer`: the host (with ":port" when needed) that serves the update file.
    explicit TUpdateCheck(std::string updateServer);

    std::function<void()> OnLogCleared;
    std::function<void(const std::string&)> OnLogLine;
    const std::atomic<bool>* CancelFlag = nullptr;
    int TimeOutSeconds = 20;
    int TotalTimeOutSeconds = 60;
    static constexpr int kAttempts = 3;

    [[nodiscard]] std::string UpdateFileURL() const;
    // Up to three attempts at the update file; the first that succeeds is evaluated.
    [[nodiscard]] TUpdateCheckResult FetchUpdateFile();
    // Evaluates an update file's text.
    [[nodiscard]] TUpdateCheckResult ProcessUpdateFile(const std::string& text);
    // What "Update Site" opens: the maker's web site, or the last URLToOpen accepted.
    [[nodiscard]] const std::string& UpdateSiteAddress() const { return siteAddress_; }

    // The installed version as the user sees it ("2" for 2.0.0).
    [[nodiscard]] static std::string InstalledVersionText();

private:
    void ClearLog();
    void Log(const std::string& line);
    [[nodiscard]] TUpdateCheckResult Result() const;

    std::string server_;
    std::string siteAddress_ = kMakerWebSite;
    std::vector<std::string> log_;
};

// Whether the address may be given to the user's web browser: http or https with a host.
[[nodiscard]] bool IsWebAddress(const std::string& address);

}  // namespace tessaly
