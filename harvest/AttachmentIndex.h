#pragma once
// The attachment index of one member's group: which attachment each saved file name holds, so
// that a name keeps its attachment from run to run. One file per member and group beside the
// Files and Photos indexes ("Attachments/USER/GROUP.txt" in the settings folder), one line per
// name: the name relative to the group's Attachments folder, the message number, the
// attachment's position among the message's links and its address, separated by tabs ("%", tab,
// line breaks and "#" in the name or address written as "%25", "%09", "%0A", "%0D", "%23").
// Lines starting with "#" are comments. The file is only ever replaced whole (written beside it
// and renamed over it), so it is complete whenever it is read.

#include <map>
#include <string>

#include "harvest/AttachmentNames.h"

namespace tessaly {

// The index file of a member's group. The member's and the group's names become safe path
// segments, so the file stays inside the settings folder whatever they hold.
[[nodiscard]] std::string AttachmentIndexPath(const std::string& user, const std::string& group);

// Saved name (relative to the group's Attachments folder) -> the attachment it holds.
using TAttachmentIndex = std::map<std::string, TAttachmentItem>;

// Reads the index at `path`; none there: empty. Lines that are not entries are passed over.
// Throws EFileError when the file exists but cannot be read.
[[nodiscard]] TAttachmentIndex ReadAttachmentIndex(const std::string& path);
// Replaces the index at `path` with `index` (its folder made when missing). Throws EFileError;
// the file then holds what it held before.
void WriteAttachmentIndex(const std::string& path, const TAttachmentIndex& index);

}  // namespace tessaly
