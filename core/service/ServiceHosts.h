#pragma once
// The host names of the group service, chosen once here and used everywhere: the program, the
// simulated service and the tests all take them from this file.

namespace tessaly::hosts {

inline constexpr const char* kGroups = "groups.yahoo.com";
inline constexpr const char* kLogin = "login.yahoo.com";
inline constexpr const char* kPhotos = "photos.groups.yahoo.com";
// Files, attachments and pictures are served from numbered hosts f1, f2, ... in front of this
// name; the program only ever tests whether a link lies on it.
inline constexpr const char* kFileStore = "grp.yahoofs.com";
inline constexpr const char* kFileStoreDomain = "yahoofs.com";
inline constexpr const char* kGroupsMailDomain = "yahoogroups.com";
inline constexpr const char* kServiceDomain = "yahoo.com";
inline constexpr const char* kImages = "yimg.com";
inline constexpr const char* kHelp = "help.yahoo.com";
inline constexpr const char* kRedirect = "rd.yahoo.com";
inline constexpr const char* kProfiles = "profiles.yahoo.com";
inline constexpr const char* kClubs = "clubs.yahoo.com";
inline constexpr const char* kLegacyGroups = "egroups.com";
inline constexpr const char* kMail = "mail.yahoo.com";
inline constexpr const char* kDocs = "docs.yahoo.com";

// The maker's update server (not part of the group service): the default of the option
// strUpdateServer. The simulated service answers on it too.
inline constexpr const char* kUpdateServer = "updates.tessaly.example";

}  // namespace tessaly::hosts
