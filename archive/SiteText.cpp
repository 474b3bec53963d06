#include "archive/SiteText.h"

#include <algorithm>
#include <cstdio>

#include "text/HtmlText.h"

namespace tessaly::archive {

std::string UrlPath(std::string_view path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    auto plain = [](unsigned char u) {
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
               u == '-' || u == '.' || u == '_' || u == '~' || u == '/';
    };
    // Most names are plain from end to end: copied whole.
    if (std::all_of(path.begin(), path.end(),
                    [&](char c) { return plain(static_cast<unsigned char>(c)); }))
        return std::string(path);
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (plain(u)) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 15]);
        }
    }
    return out;
}

std::string JsString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Plain text up to the next character written otherwise goes across in one piece.
        std::size_t run = i;
        while (run < text.size()) {
            const auto u = static_cast<unsigned char>(text[run]);
            if (u < 0x20 || u == '"' || u == '\\' || u == '<' || u == 0xE2) break;
            ++run;
        }
        out.append(text.data() + i, run - i);
        i = run;
        if (i == text.size()) break;
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '<') {
            out += "\\u003c";  // never "</script>" inside a script
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else if (u == 0xE2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                    static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            // U+2028 and U+2029 end lines in older JavaScript.
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

std::string SizeText(std::uint64_t bytes) {
    char buf[32];
    if (bytes < 1024) {
        std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1024ull * 1024) {
        std::snprintf(buf, sizeof buf, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    } else if (bytes < 1024ull * 1024 * 1024) {
        std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    } else {
        std::snprintf(buf, sizeof buf, "%.2f GB",
                      static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
    }
    return buf;
}

std::string HashName(std::string_view text) {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::string PageHead(std::string_view title, std::string_view root) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           HtmlEscape(title) + "</title>\n<link rel=\"stylesheet\" href=\"" + std::string(root) +
           "style.css\">\n</head>\n<body>\n<nav class=\"top\"><a href=\"" + std::string(root) +
           "index.html\">All groups</a> <a href=\"" + std::string(root) +
           "search.html\">Search</a></nav>\n<main>\n";
}

std::string PageFoot() {
    return "</main>\n<footer>Made by Tessaly from the saved pages beside this folder.</footer>\n"
           "</body>\n</html>\n";
}

}  // namespace tessaly::archive
