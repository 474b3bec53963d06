#pragma once
// The pages of the site that list messages: the top page with every group, a group's page
// (its months and its pages by number) and the lists themselves, each row linking to the
// saved page.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "archive/MessageCatalog.h"

namespace tessaly::archive {

// What the top page and a group's page show of a group.
struct TGroupSummary {
    std::string name;
    std::string dir;          // the group's folder in the site, "groups/NAME/"
    std::string messagesRel;  // its saved pages from the output folder, "" when none
    std::int64_t messages = 0, purged = 0, undated = 0;
    std::int64_t firstNumber = 0, lastNumber = 0;
    std::optional<TMessageDate> firstDate, lastDate;
    std::map<std::string, std::int64_t> months;  // "2004-12" (or "unknown") -> messages
    struct TBlockRange {
        std::int64_t block = 0, first = 0, last = 0;  // the numbers of its first and last message
    };
    std::vector<TBlockRange> blocks;  // the number blocks that hold messages
    std::int64_t files = 0, photos = 0;
    std::uint64_t fileBytes = 0, photoBytes = 0;
};

// The summary of a group from its sorted entries.
[[nodiscard]] TGroupSummary Summarize(const std::string& name, const std::string& messagesRel,
                                      const std::vector<TCatalogEntry>& entries);

[[nodiscard]] std::string TopPage(const std::vector<TGroupSummary>& groups);
[[nodiscard]] std::string GroupPage(const TGroupSummary& group);

// The file names of a group's list pages, in the group's site folder.
[[nodiscard]] std::string NumberPageName(std::int64_t block);       // "numbers-0001000.html"
[[nodiscard]] std::string MonthPageName(const std::string& month);  // "month-2004-12.html"
// "December 2004", "Without a date".
[[nodiscard]] std::string MonthTitle(const std::string& month);

// A list of `entries` (sorted by number) titled `title`, on a page in the group's folder.
[[nodiscard]] std::string ListPage(const TGroupSummary& group, const std::string& title,
                                   const std::vector<const TCatalogEntry*>& entries);

}  // namespace tessaly::archive
