#pragma once
// The names of saved attachments: the item string of one download job, the five naming schemes
// and the paths given to a group's attachments, so that two different attachments never share a
// file, in one run or over several.
//
// An item string is the message number, "<", the link's index among the message's links (from
// 0, after filtering), "<" and the link, e.g. "1234<0<http://...". Every name taken from a link
// is one safe path segment: whatever the service sends, a file stays below the group's
// Attachments folder.

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace tessaly {

// One attachment: its message, its position among the message's links and its address.
struct TAttachmentItem {
    int message = 0;
    int index = 0;
    std::string url;
    bool operator==(const TAttachmentItem&) const = default;
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

// The paths given to a group's attachments. A path is held by the attachment that claimed it
// first; another attachment whose scheme gives the same path gets "_" + its index before the
// extension (and a further "_2", "_3", ... should that be held too). With the group's attachment
// index (AttachmentIndex.h) the paths held in earlier runs count too, so an attachment gets the
// same path in every run, whichever messages each run covers, and a file saved by an earlier run
// is replaced only by the attachment it holds.
class TAttachmentNames {
public:
    // Paths held in this object only (no index).
    TAttachmentNames() = default;
    // The paths the index at `indexPath` holds for the files below `folder` (ending in "/").
    // Throws EFileError when the index is there but cannot be read.
    TAttachmentNames(std::string indexPath, std::string folder);

    // The path of `item`, whose scheme gives `path`.
    std::string Claim(const std::string& path, const TAttachmentItem& item);
    // Writes the paths claimed since the last save into the index (nothing when none were),
    // before their files are written. Throws EFileError; the claims then stay unsaved.
    void Save();

private:
    [[nodiscard]] std::string Key(const std::string& path) const;

    std::mutex mutex_;
    std::string indexPath_;  // "" when there is no index
    std::string folder_;
    std::map<std::string, TAttachmentItem> held_;  // by path relative to folder_
    bool changed_ = false;
};

}  // namespace tessaly
