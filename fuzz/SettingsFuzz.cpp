// Settings files from arbitrary bytes: loading never fails, and a loaded file written and
// loaded again gives the same content.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/SettingsFileEx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tessaly::TSettingsFileEx first;
    first.LoadFromText(text);
    const std::string written = first.ContentText();

    tessaly::TSettingsFileEx second;
    second.LoadFromText(written);
    if (second.ContentText() != written) std::abort();

    // Lookups and edits on whatever was loaded.
    std::vector<std::string> sections;
    first.ReadSections(sections);
    for (const auto& s : sections) {
        std::vector<std::string> keys;
        first.ReadSection(s, keys);
        for (const auto& k : keys) (void)first.ReadString(s, k, "");
        first.WriteNumberedList(s, keys);
    }
    first.DiscardSections();
    return 0;
}
