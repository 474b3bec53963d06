#pragma once
// The name lists the grabbed groups editor shows and edits:
//   "[Grabbed Groups]"  GrabbedGroups.ini in the settings folder
//   "[Grabbed URLs]"    GrabbedURLs.ini in the settings folder
//   one per member      the member's group cache (Profiles\<user>)
// The two files keep one entry per line of their section DATA, the entry as key and "y" as
// value; only the keys matter, in file order. A cache entry is a value of the member's key; the
// editor adds names with an empty state, which reads as unchecked and not favourite.
//
// Every operation opens its store anew and reports a failure as a value; nothing is changed when
// the store could not be read.

#include <string>
#include <vector>

#include "settings/GroupListFile.h"

namespace tessaly {

inline constexpr const char* kGrabbedGroupsSource = "[Grabbed Groups]";
inline constexpr const char* kGrabbedURLsSource = "[Grabbed URLs]";
inline constexpr const char* kGrabbedGroupsFile = "GrabbedGroups.ini";
inline constexpr const char* kGrabbedURLsFile = "GrabbedURLs.ini";
inline constexpr const char* kNameListSection = "DATA";

enum class TNameSourceKind { GrabbedGroups, GrabbedURLs, GroupCache };

struct TNameSource {
    TNameSourceKind kind = TNameSourceKind::GrabbedGroups;
    std::string user;  // the member, for a group cache

    // What the editor's list of sources shows: the bracketed name of a file, else the member.
    [[nodiscard]] std::string Caption() const;
    [[nodiscard]] bool IsFile() const { return kind != TNameSourceKind::GroupCache; }
};

// The two files, then one source per member under Profiles, in the store's order.
[[nodiscard]] std::vector<TNameSource> ListNameSources();
// The full path of a file source's settings file.
[[nodiscard]] std::string NameSourceFileName(TNameSourceKind kind);

// The entries in store order (in `names`).
[[nodiscard]] TListResult ReadNameSource(const TNameSource& source);
// Appends entries; a file entry gets the value "y", a cache entry an empty state.
[[nodiscard]] TListResult AddToNameSource(const TNameSource& source,
                                          const std::vector<std::string>& names);
// Replaces an entry's name; a cache entry starts again with an empty state.
[[nodiscard]] TListResult RenameInNameSource(const TNameSource& source, const std::string& oldName,
                                             const std::string& newName);
[[nodiscard]] TListResult RemoveFromNameSource(const TNameSource& source, const std::string& name);

// Whether a name can be an entry of the source: a file keeps the entry as the key of a line
// "name=y" of at most 255 characters, so it can neither hold "=" (the line would read back as
// another key) nor be longer than 253 characters (the line would lose its end).
[[nodiscard]] bool NameFitsSource(const TNameSource& source, const std::string& name);

}  // namespace tessaly
