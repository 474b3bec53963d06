#pragma once
// The member's cookie store, shared by the browser engine and every HTTP client on any thread,
// as the desktop's internet layer shares one store between its browser and its downloads.
// Persistent cookies are kept in a file beside the registry store (outside the configuration
// folder an export copies), readable by its owner only; ending the browser session drops the
// session cookies and keeps the persistent ones.

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

struct TCookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case, without a leading dot
    bool hostOnly = true;
    std::string path = "/";
    std::int64_t expires = 0;  // Unix time; 0 = a session cookie
    bool secure = false;
};

class TCookieStore {
public:
    // A store kept in `fileName` ("" keeps it in memory only).
    explicit TCookieStore(std::string fileName);

    // The store of the current user (file: PrivateStateFolder() + "cookies.txt"), created on
    // first use; reopened when that folder changes (tests point XDG_CONFIG_HOME elsewhere).
    static TCookieStore& Instance();

    // Takes one Set-Cookie header value received for `url`. Rejects cookies for another domain.
    void SetCookie(std::string_view url, std::string_view setCookie);
    // The Cookie header value for a request to `url` ("" when none).
    [[nodiscard]] std::string CookieHeader(std::string_view url) const;
    // Drops the session cookies (the end of the browser session).
    void EndBrowserSession();
    void Clear();
    [[nodiscard]] std::vector<TCookie> Cookies() const;
    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    // The lines of the file that were not taken as cookies when it was read, each as
    // "line N: why" (a line with a field that does not check out is skipped whole).
    [[nodiscard]] const std::vector<std::string>& SkippedLines() const { return skipped_; }

    // Splits an address into scheme, lower-case host and path (for cookie matching).
    static void SplitUrl(std::string_view url, std::string& scheme, std::string& host,
                         std::string& path);

private:
    void Load();
    void SaveLocked() const;
    void DropExpiredLocked(std::int64_t now);

    std::string fileName_;
    mutable std::mutex mutex_;
    std::vector<TCookie> cookies_;
    std::vector<std::string> skipped_;  // written by Load only, in the constructor
};

}  // namespace tessaly
