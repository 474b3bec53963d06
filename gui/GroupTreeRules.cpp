#include "gui/GroupTreeRules.h"

#include "text/TextUtils.h"

namespace tessaly::gui {

std::string RootItemText(const std::string& userName) {
    return "<" + userName + ">";
}

bool IsGroupItemText(std::string_view text) {
    return text.find('<') == std::string_view::npos;
}

bool IsRootItemText(std::string_view text) {
    return !text.empty() && text.front() == '<';
}

int FindItem(const std::vector<std::string>& texts, std::string_view search, int from) {
    if (Trim(search).empty() || from < 0) return -1;
    for (std::size_t i = static_cast<std::size_t>(from); i < texts.size(); ++i) {
        if (ContainsText(search, texts[i])) return static_cast<int>(i);
    }
    return -1;
}

std::vector<int> ItemsStartingWith(const std::vector<std::string>& texts, std::string_view start) {
    const std::string prefix = Trim(start);
    std::vector<int> found;
    if (prefix.empty()) return found;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (IsGroupItemText(texts[i]) && StartsText(prefix, Trim(texts[i])))
            found.push_back(static_cast<int>(i));
    }
    return found;
}

std::string StartingWithMessage(std::size_t count, bool checked) {
    return std::to_string(count) + (checked ? " groups are selected" : " groups are unselected.");
}

}  // namespace tessaly::gui
