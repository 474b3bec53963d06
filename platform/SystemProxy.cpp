#include "platform/SystemProxy.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace tessaly {
namespace {

std::string Env(const char* lower, const char* upper) {
    for (const char* name : {lower, upper}) {
        const char* v = std::getenv(name);
        if (v != nullptr && *v != '\0') return v;
    }
    return {};
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// "http://user@host:3128/" -> "user@host:3128": the desktop form names only where to connect.
std::string HostPart(std::string url) {
    auto scheme = url.find("://");
    if (scheme != std::string::npos) url.erase(0, scheme + 3);
    auto slash = url.find('/');
    if (slash != std::string::npos) url.erase(slash);
    return url;
}

}  // namespace

std::string SystemProxyText() {
    std::string all = Env("all_proxy", "ALL_PROXY");
    std::string socks;
    if (StartsNoCase(all, "socks")) {
        socks = HostPart(all);
        all.clear();
    }
    std::string http = Env("http_proxy", "HTTP_PROXY");
    std::string https = Env("https_proxy", "HTTPS_PROXY");
    std::string ftp = Env("ftp_proxy", "FTP_PROXY");
    if (http.empty()) http = all;
    if (https.empty()) https = all;
    if (ftp.empty()) ftp = all;
    http = HostPart(http);
    https = HostPart(https);
    ftp = HostPart(ftp);
    if (http.empty() && https.empty() && ftp.empty() && socks.empty()) return {};
    if (socks.empty() && !http.empty() && http == https && http == ftp) return http;
    std::string text;
    auto add = [&text](std::string_view prefix, const std::string& value) {
        if (value.empty()) return;
        if (!text.empty()) text.push_back(' ');
        text.append(prefix).append(value);
    };
    add("http=", http);
    add("https=", https);
    add("ftp=", ftp);
    add("socks=", socks);
    return text;
}

std::string GetSystemProxy(int protocolIndex) {
    static constexpr std::array<std::string_view, 5> kPrefixes = {
        "http=", "https=", "ftp=", "gopher=", "socks="};
    std::string text = SystemProxyText();
    if (text.empty()) return {};
    if (text.find('=') == std::string::npos) return text;
    if (protocolIndex < 0 || protocolIndex >= static_cast<int>(kPrefixes.size())) return {};
    std::string_view prefix = kPrefixes[static_cast<std::size_t>(protocolIndex)];
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = text.find(' ', i);
        if (j == std::string::npos) j = text.size();
        std::string_view entry(text.data() + i, j - i);
        if (StartsNoCase(entry, prefix)) return std::string(entry.substr(entry.find('=') + 1));
        i = j + 1;
    }
    return {};
}

}  // namespace tessaly
