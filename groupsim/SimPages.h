#pragma once
// The HTML of every page of the simulated service, in the markup of the classic service:
// plain server-side HTML with tables and links. What each page must carry is listed in PAGES.md.
// Host names are the program's own, from service/ServiceHosts.h.

#include <string>

#include "groupsim/SimData.h"

namespace groupsim {

inline constexpr int kMyGroupsPerPage = 10;
inline constexpr int kIndexPerPage = 15;
inline constexpr int kPhotosPerPage = 12;
// The album segment of a picture's address on the file store: the URL-encoded album name, or
// kTopAlbum for the photos at the top level.
inline constexpr const char* kTopAlbum = "-top-";
std::string StoredAlbum(const std::string& album);

// Where a member's files of a group are served: "http://f1.grp.yahoofs.com/v1/<token>".
[[nodiscard]] std::string FileStoreBase(const std::string& token, int host = 1);

namespace pages {

std::string Login(const std::string& challenge, const std::string& u, const std::string& done,
                  const std::string& error);
std::string Verify(const std::string& done);
std::string MyGroups(const SimData& data, const Member& member, int page);
std::string AdultConfirmation(const std::string& dest);
std::string GroupHome(const Group& group);
// An index page: the messages from `start` on (oldest first), or the newest ones when start < 0.
std::string MessageIndex(const Group& group, int start);
std::string MessagePage(const Group& group, std::size_t index, const std::string& token);
std::string Auth(const Group& group, const std::string& done);
std::string Interstitial(const Group& group, int number);
std::string NotMember(const Group& group);
std::string NoSuchGroup(const std::string& name);
std::string NotFound(const std::string& what);
std::string Throttled();
std::string Folder(const Group& group, const groupsim::Folder& folder,
                   const std::string& folderPath, const std::string& token);
// Photos list: the top list (album < 0) or one album's page starting at `begin` (1-based).
std::string PhotoList(const Group& group, int album, char view, int begin);
std::string PhotoView(const Group& group, const Album& album, const std::string& photo, bool hires,
                      const std::string& token);

}  // namespace pages
}  // namespace groupsim
