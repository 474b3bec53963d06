// The mail text scanner on arbitrary bytes (the first line is the domain, the rest the text):
// every match lies in the text, after the one before, and holds the domain's "@"; the group names
// are those of the matches that leave one, without blanks at their ends.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "text/GroupMailScanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaly;
    const std::string_view input = fuzz::AsText(data, size);
    const std::size_t cut = input.find('\n');
    if (cut == std::string_view::npos || cut > 64) return 0;
    const std::string_view domain = input.substr(0, cut);
    const std::string_view text = input.substr(cut + 1);
    const char* end = text.data();
    std::size_t matches = 0;  // those with a name
    ScanGroupMailAddresses(text, domain, [&](std::string_view match) {
        if (match.data() < end || match.data() + match.size() > text.data() + text.size() ||
            match.size() < domain.size() + 2 || match[match.size() - domain.size() - 1] != '@')
            std::abort();
        end = match.data() + match.size();
        const std::string name = GroupNameOfAddress(match);
        if (name.empty()) return;
        if (name.front() == ' ' || name.back() == ' ') std::abort();
        ++matches;
    });
    if (GroupNamesInMailText(text, domain).size() != matches) std::abort();
    return 0;
}
