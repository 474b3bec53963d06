#pragma once
// Group list files: a settings file whose section (normally "Groups") holds "Count" and one
// trimmed group name under each of the keys 0 .. Count - 1. Other sections are left alone.

#include <functional>
#include <string>
#include <vector>

namespace tessaly {

inline constexpr const char* kGroupListSection = "Groups";

// Names read, or why a file could not be read or written.
struct TListResult {
    std::vector<std::string> names;
    std::string error;  // empty on success
    [[nodiscard]] bool Ok() const { return error.empty(); }
};

// Receives the status lines of a long read or write ("Reading Group 3 of 10").
using TStatusSink = std::function<void(const std::string& status)>;

// The names of the list, sorted without regard to case, repeats (in any case) and empty names
// dropped. Only keys that the section really holds are visited, so a damaged "Count" costs
// nothing. A missing or unreadable file is an error.
[[nodiscard]] TListResult ReadGroupList(const std::string& fileName, const std::string& section,
                                        const TStatusSink& status);

// Replaces the section by "Count" and the trimmed names and writes the file; the file's other
// sections stay as they were. An existing file that cannot be read is not overwritten.
[[nodiscard]] TListResult WriteGroupList(const std::string& fileName, const std::string& section,
                                         const TStatusSink& status,
                                         const std::vector<std::string>& names);

}  // namespace tessaly
