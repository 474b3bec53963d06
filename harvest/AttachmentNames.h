#pragma once
// The names of saved attachments: the item string of one download job, the five naming schemes
// and the paths claimed in a run, so that two different attachments never share a file.
//
// An item string is the message number, "<", the link's index among the message's links (from
// 0, after filtering), "<" and the link, e.g. "1234<0<http://...". Every name taken from a link
// is one safe path segment: whatever the service sends, a file stays below the group's
// Attachments folder.

#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace tessaly {

struct TAttachmentItem {
    int message = 0;
    int index = 0;
    std::string url;
};

[[nodiscard]] std::string MakeAttachmentItem(int message, int index, std::string_view url);
// Splits an item string at its first "<" and at the next; a number part that is not all
// decimal digits (or too long for a number) gives 0.
[[nodiscard]] TAttachmentItem ParseAttachmentItem(std::string_view item);

// The file name a link gives: its last segment (after the last "/"), URL-decoded, trimmed,
// cleaned as file names of downloads are, and made one safe path segment.
[[nodiscard]] std::string AttachmentName(std::string_view url);

// The naming schemes (any other value counts as 0); name, base and ext are AttachmentName, its
// extension (dot included) and the name without it, msg7 the number padded to 7 digits:
//   0  msg_idx.ext     1  name     2  msg/name     3  base_msg7.ext     4  msg7_base.ext
// The path of an attachment below `folder` (the group's Attachments folder, ending in "/").
[[nodiscard]] std::string AttachmentPath(const std::string& folder, int scheme,
                                         std::string_view url, int message, int index);

// The paths given to attachments in one run. The first attachment to claim a path keeps it; a
// later one gets "_" + its index before the extension (and a further "_2", "_3", ... should
// that be taken too). Claims are made in the order the items are taken, so the same archive
// gives the same names in every run.
class TAttachmentNames {
public:
    std::string Claim(const std::string& path, int index);

private:
    std::mutex mutex_;
    std::set<std::string> claimed_;
};

}  // namespace tessaly
