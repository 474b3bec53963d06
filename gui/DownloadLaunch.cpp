#include "gui/DownloadLaunch.h"

#include <algorithm>

#include "settings/DownloadOptions.h"
#include "text/TextUtils.h"

namespace tessaly::gui {

std::vector<std::string> CollectGroups(const std::vector<TTreeEntry>& items, int current,
                                       TGroupChoice choice) {
    std::vector<std::string> list;
    const int count = static_cast<int>(items.size());
    if (count < 2) return list;  // the root alone
    if (current >= count) current = -1;
    int first = 1;
    if (choice == TGroupChoice::Current) {
        if (current >= 1) list.push_back(Trim(items[static_cast<std::size_t>(current)].text));
        return list;
    }
    if (choice == TGroupChoice::FromGroup) {
        if (current < 0) return list;
        first = std::max(1, current);
    }
    for (int i = first; i < count; ++i) {
        const TTreeEntry& item = items[static_cast<std::size_t>(i)];
        bool take = false;
        switch (choice) {
            case TGroupChoice::Checked:
                take = item.checked;
                break;
            case TGroupChoice::All:
            case TGroupChoice::FromGroup:
                take = true;
                break;
            case TGroupChoice::Favourites:
                take = item.favourite;
                break;
            case TGroupChoice::CheckedFavourites:
                take = item.checked && item.favourite;
                break;
            case TGroupChoice::Current:
            case TGroupChoice::Named:
                break;
        }
        if (take) list.push_back(Trim(item.text));
    }
    return list;
}

int SectionEntry(std::uint8_t section) {
    switch (section) {
        case TYahooDownloadOptions::kSectionFiles:
            return 0;
        case TYahooDownloadOptions::kSectionPhotos:
            return 1;
        case TYahooDownloadOptions::kSectionMessages:
            return 2;
        default:
            return -1;
    }
}

std::uint8_t EntrySection(int entry) {
    switch (entry) {
        case 0:
            return TYahooDownloadOptions::kSectionFiles;
        case 1:
            return TYahooDownloadOptions::kSectionPhotos;
        case 2:
            return TYahooDownloadOptions::kSectionMessages;
        default:
            return 255;
    }
}

bool MessagePage(std::uint8_t section) {
    return section == TYahooDownloadOptions::kSectionMessages ||
           section == TYahooDownloadOptions::kSectionAttachments;
}

bool OrderDialogWanted(bool asked, std::size_t groups, std::uint8_t section) {
    return asked && (groups > 1 || MessagePage(section));
}

std::int64_t RangeNumber(const std::string& text) {
    if (text.empty() || text.size() > 18) return 0;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoll(text);
}

bool DropsAfter(int y, int top, int height) {
    return y > top + height / 2;
}

int DropIndex(int from, int target, bool after, int count) {
    if (from < 0 || from >= count || target < 0 || target >= count || from == target) return from;
    // The position among the rows once the dragged one is taken out.
    int at = after ? target + 1 : target;
    if (from < at) --at;
    return std::clamp(at, 0, count - 1);
}

}  // namespace tessaly::gui
