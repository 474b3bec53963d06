#pragma once
// What the site knows of a group's saved message pages: one entry per message with the parts
// the reader found and the file's size and time, kept between builds in the site's cache so
// that a new build reads only the pages that are new or changed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/MessageReader.h"

namespace tessaly::archive {

struct TCatalogEntry {
    std::int64_t number = 0;
    std::string file;  // the saved page's name in the group's Messages folder
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool purged = false;
    std::optional<std::string> subject, author;
    std::optional<TMessageDate> date;
    std::optional<std::string> dateText;  // only for a date that could not be read

    // "2004-12", or "unknown" when the page shows no date.
    [[nodiscard]] std::string MonthKey() const;
    [[nodiscard]] bool SameFile(const TCatalogEntry& other) const {
        return file == other.file && size == other.size && mtimeNs == other.mtimeNs;
    }
};

// An entry from a page read by the reader (file facts filled in by the caller); the texts are
// moved out of `message`, whose body is left as it was.
[[nodiscard]] TCatalogEntry EntryOf(TSavedMessage&& message);

// The cached entries of a group, sorted by number; none when the file is missing, unreadable
// or of another version (the site is then built anew).
[[nodiscard]] std::vector<TCatalogEntry> LoadCatalog(const std::string& path);
// Writes the entries, piece by piece (throws EFileError).
void SaveCatalog(const std::string& path, const std::vector<TCatalogEntry>& entries);

}  // namespace tessaly::archive
