#include "settings/GroupListFile.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "platform/FileLock.h"
#include "settings/SettingsFileEx.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

void Tell(const TStatusSink& status, const std::string& text) {
    if (status) status(text);
}

// The list index a key names: the canonical decimal form of a number below `count` (the key the
// writer makes for it, "7" and never "07" or "+7"), else -1.
long long ListIndexOf(std::string_view key, int count) {
    if (key.empty() || key.size() > 10 || !IsAllDigits(key)) return -1;
    if (key.size() > 1 && key[0] == '0') return -1;
    const long long index = std::stoll(std::string(key));
    return index < count ? index : -1;
}

}  // namespace

TListResult ReadGroupList(const std::string& fileName, const std::string& section,
                          const TStatusSink& status) {
    TListResult result;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName, ec)) {
        result.error = fileName + " is not a file that can be read.";
        return result;
    }
    std::vector<std::pair<long long, std::string>> entries;
    try {
        const TSettingsFileEx file(fileName);
        const int count = std::max(file.ReadInteger(section, "Count", 0), 0);
        std::vector<std::string> lines;
        file.ReadSectionValues(section, lines);
        // A key found twice counts once, with its first line, as a lookup by key would give.
        std::unordered_set<long long> seen;
        for (const std::string& line : lines) {
            std::string_view key;
            if (!LineKey(line, key)) continue;
            const long long index = ListIndexOf(key, count);
            if (index < 0 || !seen.insert(index).second) continue;
            Tell(status,
                 "Reading Group " + std::to_string(index + 1) + " of " + std::to_string(count));
            std::string name = Trim(std::string_view(line).substr(key.size() + 1));
            if (!name.empty()) entries.emplace_back(index, std::move(name));
        }
    } catch (const EFileError& e) {
        result.error = e.what();
        return result;
    }
    // List order first, so that of names equal but for case the earlier one is kept.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& entry : entries) result.names.push_back(std::move(entry.second));
    std::stable_sort(
        result.names.begin(), result.names.end(),
        [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    result.names.erase(
        std::unique(result.names.begin(), result.names.end(),
                    [](const std::string& a, const std::string& b) { return SameText(a, b); }),
        result.names.end());
    return result;
}

TListResult WriteGroupList(const std::string& fileName, const std::string& section,
                           const TStatusSink& status, const std::vector<std::string>& names) {
    TListResult result;
    try {
        TSettingsFileEx file(fileName);
        file.EraseSection(section);
        file.WriteInteger(section, "Count", static_cast<int>(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i) {
            Tell(status,
                 "Writing Group " + std::to_string(i + 1) + " of " + std::to_string(names.size()));
            file.WriteString(section, std::to_string(i), Trim(names[i]));
        }
        file.UpdateFile();
    } catch (const EFileError& e) {
        result.error = e.what();
    }
    return result;
}

}  // namespace tessaly
