#include "text/Version.h"

#include <charconv>

namespace tessaly {

std::optional<std::vector<std::uint32_t>> ParseVersion(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::vector<std::uint32_t> parts;
    for (;;) {
        const auto dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || end != part.data() + part.size())
            return std::nullopt;
        parts.push_back(value);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    return parts;
}

int CompareVersions(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t x = i < a.size() ? a[i] : 0;
        const std::uint32_t y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::string VersionDisplayText(std::string_view text) {
    auto parts = ParseVersion(text);
    if (!parts) return std::string(text);
    while (parts->size() > 1 && parts->back() == 0) parts->pop_back();
    std::string out;
    for (std::size_t i = 0; i < parts->size(); ++i) {
        if (i > 0) out += '.';
        out += std::to_string((*parts)[i]);
    }
    return out;
}

}  // namespace tessaly
