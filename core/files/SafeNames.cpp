#include "files/SafeNames.h"

#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {
namespace {

std::string Clean(std::string_view name, bool backslash) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        switch (c) {
            case '<':
                out += "%3C";
                break;
            case ':':
                out += '_';
                break;
            case '\\':
                if (backslash) {
                    out += '_';
                } else {
                    out += c;
                }
                break;
            case '>':
                out += "%3E";
                break;
            case '*':
                out += "%2A";
                break;
            case '?':
                out += "%3F";
                break;
            case '"':
                out += "%22";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The length of the longest prefix of `text` of at most `limit` bytes that ends between two
// UTF-8 characters.
std::size_t CharBoundary(std::string_view text, std::size_t limit) {
    if (limit >= text.size()) return text.size();
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
    return limit;
}

}  // namespace

std::string CreateProperFilename(std::string_view name) {
    return Clean(name, true);
}

std::string MakeSafeFolderName(std::string_view name) {
    return Clean(name, false);
}

std::string SafeSegment(std::string_view name) {
    std::string out = Trim(name);
    for (char& c : out) {
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    }
    out = ReplaceAllStr(out, "..", "_");
    if (out.empty() || out == ".") return "_";
    if (out.size() <= kMaxNameBytes) return out;
    const auto dot = out.rfind('.');
    const std::string ext =
        dot != std::string::npos && dot > 0 && out.size() - dot <= 16 ? out.substr(dot) : "";
    const std::string_view stem = std::string_view(out).substr(0, out.size() - ext.size());
    return std::string(stem.substr(0, CharBoundary(stem, kMaxNameBytes - ext.size()))) + ext;
}

std::string SafeFolderPath(std::string_view servicePath) {
    std::string out;
    std::size_t start = 0;
    while (start <= servicePath.size()) {
        auto end = servicePath.find('/', start);
        if (end == std::string_view::npos) end = servicePath.size();
        const std::string_view part = servicePath.substr(start, end - start);
        if (!Trim(part).empty()) out += SafeSegment(MakeSafeFolderName(UrlDecode(part))) + "/";
        start = end + 1;
    }
    return out;
}

}  // namespace tessaly
