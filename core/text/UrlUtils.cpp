#include "text/UrlUtils.h"

#include "text/TextUtils.h"

namespace tessaly {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// host := text[from .. next "/"), path := from that "/" on; no "/": all of it is the host.
void HostAndPath(std::string_view text, std::size_t from, ParsedUrl& out) {
    if (from > text.size()) from = text.size();
    auto slash = text.find('/', from);
    if (slash == std::string_view::npos) {
        out.host = std::string(text.substr(from));
        return;
    }
    out.host = std::string(text.substr(from, slash - from));
    out.path = std::string(text.substr(slash));
}

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string UrlDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c != '%') {
            out.push_back(c);
        } else if (i + 1 < text.size() && text[i + 1] == '%') {
            out.push_back('%');
            ++i;
        } else {
            if (i + 2 >= text.size()) return out;  // fewer than two characters follow
            int hi = HexValue(text[i + 1]);
            int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0) return out;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        }
    }
    return out;
}

ParsedUrl ParseURL(std::string_view url) {
    ParsedUrl out;
    const std::string trimmed = Trim(url);
    std::string_view t = trimmed;
    if (t.empty()) return out;

    // 1. Relative paths.
    if (t == "*" || t == "/" || StartsStr("../", t) || StartsStr("./", t)) {
        out.path = trimmed;
        return out;
    }
    // 2. "//host/path", or any other absolute path.
    if (StartsStr("//", t)) {
        HostAndPath(t, 2, out);
        return out;
    }
    if (t.front() == '/') {
        out.path = trimmed;
        return out;
    }
    // 3. Web addresses.
    if (StartsText("http:", t) || StartsText("https:", t)) {
        const bool secure = StartsText("https:", t);
        out.scheme = secure ? "https" : "http";
        std::size_t from = secure ? 6 : 5;
        if (t.substr(from, 2) == "//") from += 2;
        HostAndPath(t, from, out);
        return out;
    }
    // 4. Mail addresses.
    if (StartsText("mailto:", t)) {
        out.scheme = "mailto";
        out.host = Trim(t.substr(7));
        return out;
    }
    auto at = t.find('@');
    if (t.find_first_of("/:\\") == std::string_view::npos && at != std::string_view::npos &&
        at > 0) {
        out.scheme = "mailto";
        out.host = trimmed;
        return out;
    }
    // 5. Files.
    if (StartsText("file:", t)) {
        out.scheme = "file";
        out.path = std::string(t.substr(5));
        return out;
    }
    if (t.front() == '\\' ||
        (t.size() >= 3 && IsDriveLetter(t[0]) && t[1] == ':' && t[2] == '\\')) {
        out.scheme = "file";
        out.path = trimmed;
        return out;
    }
    // 6. "scheme://host/path" where "://" holds the first "/".
    const auto firstSlash = t.find('/');
    const auto sep = t.find("://");
    if (sep != std::string_view::npos && firstSlash == sep + 1) {
        out.scheme = Trim(t.substr(0, sep));
        HostAndPath(t, sep + 3, out);
        out.host = Trim(out.host);
        out.path = Trim(out.path);
        return out;
    }
    // 7. "host:port/path", "scheme:host/path" or a plain path.
    const auto colon = t.find(':');
    if (colon == std::string_view::npos ||
        (firstSlash != std::string_view::npos && firstSlash < colon)) {
        out.path = trimmed;
        return out;
    }
    std::string_view afterColon =
        t.substr(colon + 1, firstSlash == std::string_view::npos ? std::string_view::npos
                                                                 : firstSlash - colon - 1);
    if (IsAllDigits(afterColon)) {
        HostAndPath(t, 0, out);
        return out;
    }
    out.scheme = std::string(t.substr(0, colon));
    HostAndPath(t, colon + 1, out);
    return out;
}

void ParseURL(std::string_view url, std::string& scheme, std::string& host, std::string& path) {
    ParsedUrl p = ParseURL(url);
    scheme = std::move(p.scheme);
    host = std::move(p.host);
    path = std::move(p.path);
}

}  // namespace tessaly
