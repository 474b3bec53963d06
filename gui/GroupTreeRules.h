#pragma once
// The rules of the group tree that are not about widgets: which item is the root, how the Find
// commands match and which items the "starting with" commands take. The tree hands its item
// texts over in display order (the root first).

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::gui {

// The root item's text is "<" + user name + ">".
[[nodiscard]] std::string RootItemText(const std::string& userName);
// Group commands skip every item whose text contains "<".
[[nodiscard]] bool IsGroupItemText(std::string_view text);
// The double click and the saving of the tree skip every item whose text starts with "<".
[[nodiscard]] bool IsRootItemText(std::string_view text);

// The index of the first item at or after `from` whose text contains `search` (ignoring case);
// -1 when none does or the search text is empty after trimming. The root item takes part.
[[nodiscard]] int FindItem(const std::vector<std::string>& texts, std::string_view search,
                           int from);

// The indices of the group items whose trimmed text starts with the trimmed `start` (ignoring
// case); none for an empty start text.
[[nodiscard]] std::vector<int> ItemsStartingWith(const std::vector<std::string>& texts,
                                                 std::string_view start);

// The message after a "starting with" command that took `count` > 0 groups.
[[nodiscard]] std::string StartingWithMessage(std::size_t count, bool checked);

}  // namespace tessaly::gui
