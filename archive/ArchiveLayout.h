#pragma once
// Where an output folder keeps each group's sections: "Messages/GROUP/" (and "Attachments",
// "Files", "Photos") by default, or "GROUP/Messages/" in the older layout. Both are read, so
// archives saved under either (or a mix) can be browsed. The browsable site goes into a folder
// of its own beside them.

#include <string>
#include <vector>

namespace tessaly::archive {

// The site's folder under the output folder.
inline constexpr const char* kSiteFolder = "Archive";
// The file that marks a folder as a site this program wrote (and may therefore rewrite).
inline constexpr const char* kSiteMarker = ".tessaly-site";

struct TArchiveGroup {
    std::string name;  // the group's folder name
    // Each section's folder, ending in "/"; empty when the group has none.
    std::string messages, attachments, files, photos;
    // The same relative to the output folder ("Messages/DemoGroup/").
    std::string messagesRel, filesRel, photosRel;
};

// The groups with any section under `outputFolder` (ending in "/"), sorted by name without
// regard to case.
[[nodiscard]] std::vector<TArchiveGroup> FindArchiveGroups(const std::string& outputFolder);

}  // namespace tessaly::archive
