#pragma once
// Copying a folder tree: every regular file and folder below the source into the target,
// overwriting files of the same name and keeping files the source does not have. Anything else
// (symbolic links, devices, pipes, sockets) is skipped and reported, never followed: a link in
// the source could otherwise pull files from anywhere into the copy, and a link in the target
// could send a copy anywhere on the disk.

#include <string>
#include <vector>

namespace tessaly {

struct TFolderCopyReport {
    std::vector<std::string> failures;  // "cannot copy A to B: reason", ...
    std::vector<std::string> skipped;   // "A: a symbolic link", ...
    std::size_t filesCopied = 0;
    [[nodiscard]] bool Complete() const { return failures.empty() && skipped.empty(); }
};

// Copies the tree below `source` into `target` (created with its parents when missing). A
// failure ends nothing but the entry it concerns: the other files and folders are still
// copied. A missing source copies nothing and is no failure. Names in `leaveOut` (at the top of
// the source only) are not copied and not reported. The files `keepAway` names (whole paths)
// are never opened, wherever they lie in the source or the target, and not reported: files the
// program keeps open with POSIX locks (the registry store), which any open and close of ours
// would drop.
[[nodiscard]] TFolderCopyReport CopyFolderTree(const std::string& source, const std::string& target,
                                               const std::vector<std::string>& leaveOut = {},
                                               const std::vector<std::string>& keepAway = {});

}  // namespace tessaly
