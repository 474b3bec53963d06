#include "harvest/GroupChoice.h"

#include "registry/GroupCache.h"
#include "text/TextUtils.h"

namespace tessaly {

std::vector<std::string> ChooseGroups(const std::string& user, TGroupChoice choice,
                                      const std::string& name,
                                      const std::vector<std::string>& names) {
    if (choice == TGroupChoice::Named) return names;
    const std::vector<std::string> cached = LoadCachedGroupNames(user);
    std::vector<std::string> chosen;
    bool started = false;
    for (const auto& group : cached) {
        const TGroupMarks marks = CachedGroupMarks(user, group);
        switch (choice) {
            case TGroupChoice::Current:
                if (SameText(group, name)) chosen.push_back(group);
                break;
            case TGroupChoice::Checked:
                if (marks.checked) chosen.push_back(group);
                break;
            case TGroupChoice::All:
                chosen.push_back(group);
                break;
            case TGroupChoice::Favourites:
                if (marks.favourite) chosen.push_back(group);
                break;
            case TGroupChoice::CheckedFavourites:
                if (marks.checked && marks.favourite) chosen.push_back(group);
                break;
            case TGroupChoice::FromGroup:
                started = started || SameText(group, name);
                if (started) chosen.push_back(group);
                break;
            case TGroupChoice::Named:
                break;
        }
    }
    return chosen;
}

}  // namespace tessaly
