#include "net/CookieStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>

#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string TrimView(std::string_view s) {
    return Trim(s);
}

// "Thu, 31-Dec-2037 23:59:59 GMT" and the other date forms cookies use.
std::int64_t ParseCookieDate(const std::string& text) {
    for (const char* format : {"ddd, dd-MMM-yyyy hh:mm:ss 'GMT'", "ddd, dd MMM yyyy hh:mm:ss 'GMT'",
                               "dddd, dd-MMM-yy hh:mm:ss 'GMT'", "ddd, dd-MMM-yy hh:mm:ss 'GMT'"}) {
        QDateTime t =
            QDateTime::fromString(QString::fromLatin1(text.c_str()), QString::fromLatin1(format));
        if (t.isValid()) {
            t.setTimeSpec(Qt::UTC);
            if (t.date().year() < 100) t = t.addYears(t.date().year() < 70 ? 2000 : 1900);
            return t.toSecsSinceEpoch();
        }
    }
    return -1;
}

bool DomainMatches(const TCookie& c, const std::string& host) {
    if (c.hostOnly) return host == c.domain;
    return host == c.domain || (host.size() > c.domain.size() && EndsText("." + c.domain, host) &&
                                host[host.size() - c.domain.size() - 1] == '.');
}

bool PathMatches(const std::string& cookiePath, const std::string& path) {
    if (cookiePath.empty() || path.rfind(cookiePath, 0) != 0) return false;
    return path.size() == cookiePath.size() || cookiePath.back() == '/' ||
           path[cookiePath.size()] == '/';
}

// What a cookie's fields may hold: what a line of the cookie file can carry and its reader
// takes back. Cookies received are held to the same, so that none is lost at the next start.
bool IsPrintable(std::string_view text, std::string_view also) {
    return std::all_of(text.begin(), text.end(), [&](char ch) {
        const auto u = static_cast<unsigned char>(ch);
        return u > 32 && u != 127 && also.find(ch) == std::string_view::npos;
    });
}
bool IsCookieHost(std::string_view domain) {
    const bool hostChars = std::all_of(domain.begin(), domain.end(), [](char ch) {
        return (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '.' ||
               ch == '_';
    });
    return !domain.empty() && hostChars && domain.front() != '.' && domain.back() != '.' &&
           domain.find("..") == std::string_view::npos;
}
bool IsCookiePath(std::string_view path) {
    return !path.empty() && path[0] == '/' && IsPrintable(path, ";");
}
bool IsCookieName(std::string_view name) {
    return !name.empty() && IsPrintable(name, ";=,");
}
bool IsCookieValue(std::string_view value) {
    return IsPrintable(value, ";");
}

}  // namespace

void TCookieStore::SplitUrl(std::string_view url, std::string& scheme, std::string& host,
                            std::string& path) {
    auto sep = url.find("://");
    scheme = sep == std::string_view::npos ? "http" : LowerCase(url.substr(0, sep));
    std::string_view rest = sep == std::string_view::npos ? url : url.substr(sep + 3);
    const auto slash = rest.find_first_of("/?#");
    host = LowerCase(rest.substr(0, slash));
    if (const auto at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
    if (const auto colon = host.find(':'); colon != std::string::npos) host.erase(colon);
    path = slash == std::string_view::npos || rest[slash] != '/' ? "/"
                                                                 : std::string(rest.substr(slash));
    if (const auto q = path.find_first_of("?#"); q != std::string::npos) path.erase(q);
}

TCookieStore::TCookieStore(std::string fileName) : fileName_(std::move(fileName)) {
    Load();
}

TCookieStore& TCookieStore::Instance() {
    static std::mutex guard;
    static std::unique_ptr<TCookieStore> store;
    std::lock_guard lock(guard);
    const std::string file = PrivateStateFolder() + "cookies.txt";
    if (!store || store->FileName() != file) store = std::make_unique<TCookieStore>(file);
    return *store;
}

void TCookieStore::SetCookie(std::string_view url, std::string_view setCookie) {
    std::string scheme, host, path;
    SplitUrl(url, scheme, host, path);
    TCookie c;
    std::vector<std::string> parts = SplitAll(setCookie, ';');
    if (parts.empty()) return;
    const std::string first = parts[0];
    const auto eq = first.find('=');
    if (eq == std::string::npos) return;
    c.name = TrimView(std::string_view(first).substr(0, eq));
    c.value = TrimView(std::string_view(first).substr(eq + 1));
    if (c.name.empty()) return;
    c.domain = host;
    // The default path: the request path up to its last "/".
    const auto lastSlash = path.rfind('/');
    c.path = lastSlash == 0 || lastSlash == std::string::npos ? "/" : path.substr(0, lastSlash);
    std::int64_t maxAge = -1;
    bool hasMaxAge = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& attr = parts[i];
        const auto aeq = attr.find('=');
        const std::string key = LowerCase(TrimView(std::string_view(attr).substr(0, aeq)));
        const std::string value =
            aeq == std::string::npos ? "" : TrimView(std::string_view(attr).substr(aeq + 1));
        if (key == "domain" && !value.empty()) {
            std::string d = LowerCase(value);
            if (d.front() == '.') d.erase(0, 1);
            // Only the host itself or a parent domain with at least one dot may be named.
            const bool parent = host == d || (host.size() > d.size() && EndsText("." + d, host));
            if (!parent || d.find('.') == std::string::npos) return;
            c.domain = d;
            c.hostOnly = false;
        } else if (key == "path" && !value.empty() && value.front() == '/') {
            c.path = value;
        } else if (key == "expires" && !hasMaxAge) {
            const std::int64_t t = ParseCookieDate(value);
            if (t >= 0) c.expires = t == 0 ? 1 : t;
        } else if (key == "max-age") {
            hasMaxAge = true;
            // strtoll stops at the largest number; the expiry stops at the largest time.
            maxAge = std::strtoll(value.c_str(), nullptr, 10);
            const std::int64_t now = NowSeconds();
            c.expires = maxAge <= 0 ? 1
                        : maxAge > std::numeric_limits<std::int64_t>::max() - now
                            ? std::numeric_limits<std::int64_t>::max()
                            : now + maxAge;
        } else if (key == "secure") {
            c.secure = true;
        }
    }
    if (!IsCookieHost(c.domain) || !IsCookiePath(c.path) || !IsCookieName(c.name) ||
        !IsCookieValue(c.value))
        return;
    std::lock_guard lock(mutex_);
    const bool wasPersistent = std::any_of(cookies_.begin(), cookies_.end(), [&](const TCookie& o) {
        return o.name == c.name && o.domain == c.domain && o.path == c.path && o.expires != 0;
    });
    cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(),
                                  [&](const TCookie& o) {
                                      return o.name == c.name && o.domain == c.domain &&
                                             o.path == c.path;
                                  }),
                   cookies_.end());
    const bool expired = c.expires != 0 && c.expires <= NowSeconds();
    // An empty value with a past date is how servers delete a cookie.
    if (!expired) cookies_.push_back(c);
    if (c.expires != 0 || wasPersistent) SaveLocked();
}

std::string TCookieStore::CookieHeader(std::string_view url) const {
    std::string scheme, host, path;
    SplitUrl(url, scheme, host, path);
    const std::int64_t now = NowSeconds();
    std::lock_guard lock(mutex_);
    std::vector<const TCookie*> matches;
    for (const auto& c : cookies_) {
        if (c.expires != 0 && c.expires <= now) continue;
        if (c.secure && scheme != "https") continue;
        if (DomainMatches(c, host) && PathMatches(c.path, path)) matches.push_back(&c);
    }
    // Longer paths first, as browsers send them.
    std::stable_sort(matches.begin(), matches.end(), [](const TCookie* a, const TCookie* b) {
        return a->path.size() > b->path.size();
    });
    std::string header;
    for (const TCookie* c : matches)
        header += (header.empty() ? "" : "; ") + c->name + "=" + c->value;
    return header;
}

void TCookieStore::EndBrowserSession() {
    std::lock_guard lock(mutex_);
    cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(),
                                  [](const TCookie& c) { return c.expires == 0; }),
                   cookies_.end());
}

void TCookieStore::Clear() {
    std::lock_guard lock(mutex_);
    cookies_.clear();
    SaveLocked();
}

std::vector<TCookie> TCookieStore::Cookies() const {
    std::lock_guard lock(mutex_);
    return cookies_;
}

void TCookieStore::DropExpiredLocked(std::int64_t now) {
    cookies_.erase(
        std::remove_if(cookies_.begin(), cookies_.end(),
                       [now](const TCookie& c) { return c.expires != 0 && c.expires <= now; }),
        cookies_.end());
}

namespace {

// Why a line of the cookie file cannot be a cookie of this store ("" when it can), and the
// cookie it holds. The file is the program's own, but whatever it holds is checked: it may have
// been edited, damaged or written by another program.
std::string ReadCookieLine(std::string_view line, TCookie& c) {
    const std::vector<std::string> f = SplitAll(line, '\t');
    if (f.size() != 7) return "not seven fields";
    c.hostOnly = f[0].empty() || f[0][0] != '.';
    c.domain = LowerCase(c.hostOnly ? f[0] : f[0].substr(1));
    if (!IsCookieHost(c.domain)) return "not a host name";
    if (f[1] != (c.hostOnly ? "FALSE" : "TRUE")) return "a subdomain flag that does not fit";
    if (!IsCookiePath(f[2])) return "not a path";
    c.path = f[2];
    if (f[3] != "TRUE" && f[3] != "FALSE") return "a secure flag that is neither TRUE nor FALSE";
    c.secure = f[3] == "TRUE";
    const std::string& expires = f[4];
    const auto [end, ec] =
        std::from_chars(expires.data(), expires.data() + expires.size(), c.expires);
    if (expires.empty() || ec != std::errc() || end != expires.data() + expires.size() ||
        c.expires <= 0)
        return "not an expiry time";
    if (!IsCookieName(f[5])) return "not a cookie name";
    if (!IsCookieValue(f[6])) return "not a cookie value";
    c.name = f[5];
    c.value = f[6];
    return {};
}

}  // namespace

// The file holds the persistent cookies in the Netscape cookie-file format.
void TCookieStore::Load() {
    if (fileName_.empty()) return;
    std::ifstream in(fileName_);
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        TCookie c;
        const std::string why = ReadCookieLine(line, c);
        if (why.empty()) {
            cookies_.push_back(std::move(c));
        } else {
            skipped_.push_back("line " + std::to_string(number) + ": " + why);
        }
    }
    DropExpiredLocked(NowSeconds());
}

void TCookieStore::SaveLocked() const {
    if (fileName_.empty()) return;
    std::ostringstream out;
    out << "# Tessaly cookie store: the member's persistent cookies\n";
    for (const auto& c : cookies_) {
        if (c.expires == 0) continue;
        // A field with a tab or a line break would break the file's lines.
        if ((c.name + c.value + c.domain + c.path).find_first_of("\t\r\n") != std::string::npos)
            continue;
        out << (c.hostOnly ? "" : ".") << c.domain << '\t' << (c.hostOnly ? "FALSE" : "TRUE")
            << '\t' << c.path << '\t' << (c.secure ? "TRUE" : "FALSE") << '\t' << c.expires << '\t'
            << c.name << '\t' << c.value << '\n';
    }
    const auto slash = fileName_.rfind('/');
    if (slash != std::string::npos) ForceDirectories(fileName_.substr(0, slash));
    // Created private first, so the atomic save (which keeps the mode) never exposes it.
    const int fd = ::open(fileName_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
    try {
        SaveFileAtomically(fileName_, out.str());
    } catch (const EFileError&) {
        // The cookies stay in memory; only a restart would lose them.
    }
}

}  // namespace tessaly
