#pragma once
// Which cached groups a download run takes, by the choices the download chooser offers.

#include <string>
#include <vector>

namespace tessaly {

enum class TGroupChoice { Current, Checked, All, Favourites, CheckedFavourites, FromGroup, Named };

// The groups of `user`'s cache in cache order that the choice selects. `name` is the current
// group (Current), the group to start from (FromGroup); `names` the explicit list (Named, kept
// as given). Names compare without regard to case; unknown names are left out of Current and
// FromGroup, and kept in Named (the service decides whether they exist).
[[nodiscard]] std::vector<std::string> ChooseGroups(const std::string& user, TGroupChoice choice,
                                                    const std::string& name,
                                                    const std::vector<std::string>& names);

}  // namespace tessaly
