#pragma once
// The login profiles: stored pairs of user name and password under the Profiles key, one value
// per profile named by the user name. The password is scrambled (not encrypted) and kept as raw
// bytes, since a scrambled text may hold any byte, 0 included; string values written by older
// versions are still read. The key's sub-keys (the group caches) are no profiles and stay.

#include <string>
#include <vector>

namespace tessaly {

struct TLoginProfile {
    std::string userName;
    std::string password;
    bool operator==(const TLoginProfile&) const = default;
};

// The registry key of the profiles.
[[nodiscard]] std::string LoginProfilesKey();

// The stored profiles in the order of their values.
[[nodiscard]] std::vector<TLoginProfile> LoadLoginProfiles();

// Replaces the stored profiles by `profiles` (a repeated user name keeps its last password) in
// one transaction: when the store cannot be written the old profiles stay and
// ERegistryException is raised.
void SaveLoginProfiles(const std::vector<TLoginProfile>& profiles);

}  // namespace tessaly
