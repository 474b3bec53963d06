#include "registry/LoginProfiles.h"

#include "platform/RegistryStore.h"
#include "registry/RegistryLayout.h"
#include "text/Scramble.h"

namespace tessaly {

std::string LoginProfilesKey() {
    return std::string(reg::kKey) + reg::kProfiles;
}

std::vector<TLoginProfile> LoadLoginProfiles() {
    std::vector<TLoginProfile> profiles;
    for (const auto& [name, value] :
         ThreadRegistry().Values(RegRoot::CurrentUser, LoginProfilesKey())) {
        // Binary values hold the scrambled bytes; older string values the same bytes up to the
        // first 0 the string could keep.
        if (value.type != REG_BINARY && !value.IsString()) continue;
        profiles.push_back({name, UnscrambleText(value.data, kUserNameScrambleKey)});
    }
    return profiles;
}

void SaveLoginProfiles(const std::vector<TLoginProfile>& profiles) {
    std::vector<std::pair<std::string, RegValue>> values;
    values.reserve(profiles.size());
    for (const auto& p : profiles)
        values.emplace_back(p.userName,
                            RegValue::Binary(ScrambleText(p.password, kUserNameScrambleKey)));
    ThreadRegistry().ReplaceValues(RegRoot::CurrentUser, LoginProfilesKey(), values);
}

}  // namespace tessaly
