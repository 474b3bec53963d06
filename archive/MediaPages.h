#pragma once
// The Files and Photos pages of a group: the saved folder tree with each file's size, and a
// thumbnail for each picture.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/SitePages.h"

namespace tessaly::archive {

struct TMediaFile {
    std::string name;
    std::string rel;  // from the section's group folder, "/"-separated
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool picture = false;
    std::string thumb;  // the thumbnail's file name, "" when none
};

struct TMediaFolder {
    std::string name;  // "" for the top
    std::string rel;   // "" or "A/B/"
    std::vector<TMediaFolder> folders;
    std::vector<TMediaFile> files;
    std::int64_t fileCount = 0;  // in this folder and below
    std::uint64_t bytes = 0;
};

// The saved tree under `folder` (ending in "/"), sorted by name; the program's own unfinished
// temporaries are left out, and links are not followed.
[[nodiscard]] TMediaFolder ScanMedia(const std::string& folder);

// Every file of the tree, depth first (for filling in thumbnails).
void ForEachFile(TMediaFolder& tree, const std::function<void(TMediaFile&)>& visit);

// `sectionRel`: the section's group folder from the output folder ("Files/DemoGroup/").
[[nodiscard]] std::string FilesPage(const TGroupSummary& group, const TMediaFolder& tree,
                                    const std::string& sectionRel);
[[nodiscard]] std::string PhotosPage(const TGroupSummary& group, const TMediaFolder& tree,
                                     const std::string& sectionRel);

}  // namespace tessaly::archive
