#include "text/GroupMailScanner.h"

#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr bool IsLocalPartChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// Whether the domain pattern matches the text at `at`; a "." of the pattern matches anything.
bool DomainAt(std::string_view text, std::size_t at, std::string_view domain) {
    if (text.size() - at < domain.size()) return false;
    for (std::size_t k = 0; k < domain.size(); ++k) {
        if (domain[k] != '.' && domain[k] != text[at + k]) return false;
    }
    return true;
}

}  // namespace

void ScanGroupMailAddresses(std::string_view text, std::string_view domain,
                            const std::function<void(std::string_view match)>& onMatch) {
    // A match can only begin with a run of local-part characters, and "@" is not one of them:
    // from any start inside a run the greedy run ends at the same place, so the run either
    // continues into "@" and the domain or no start inside it matches. The earliest start is
    // thus the beginning of the run (or the end of the previous match, when that lies inside
    // it), and every character is looked at once plus at most one domain comparison per "@".
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsLocalPartChar(c)) {
            ++i;
            continue;
        }
        if (c == '@' && i > runStart && DomainAt(text, i + 1, domain)) {
            const std::size_t end = i + 1 + domain.size();
            onMatch(text.substr(runStart, end - runStart));
            i = end;
            runStart = end;
            continue;
        }
        ++i;
        runStart = i;
    }
}

std::string GroupNameOfAddress(std::string_view match) {
    const std::size_t at = match.rfind('@');
    std::string name = Trim(match.substr(0, at == std::string_view::npos ? match.size() : at));
    const std::string upper = UpperCase(name);
    for (const char* service : {"-UNSUBSCRIBE", "-SUBSCRIBE", "-OWNER", "-MODERATOR"}) {
        if (upper.find(service) != std::string::npos) {
            name.erase(name.rfind('-'));
            break;
        }
    }
    return Trim(name);
}

std::vector<std::string> GroupNamesInMailText(std::string_view text, std::string_view domain) {
    std::vector<std::string> names;
    ScanGroupMailAddresses(text, domain, [&names](std::string_view match) {
        std::string name = GroupNameOfAddress(match);
        if (!name.empty()) names.push_back(std::move(name));
    });
    return names;
}

}  // namespace tessaly
