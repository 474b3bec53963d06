#pragma once
// The program's own temporary files. A file that is written beside the name it will take is
// called ".<name>.tessaly-tmp-XXXXXX" (six letters or digits) and stays exclusively locked
// (flock) for as long as its writer has it open. So a temporary that a killed run left behind
// can be told from one that another run is still writing: the first can be locked, the second
// cannot.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// What every temporary name of the program carries between the name it stands for and its
// random tail.
inline constexpr std::string_view kTemporaryMark = ".tessaly-tmp-";

// A fresh temporary name beside `fileName` (same folder), not yet made.
[[nodiscard]] std::string TemporaryNameFor(const std::string& fileName);

// Whether a name in a folder (no path) is one of the program's temporaries: the pattern above,
// or ".<name>.XXXXXX" for a name in `earlierNamed` (settings files once saved under that
// pattern).
[[nodiscard]] bool IsOwnTemporaryName(std::string_view name,
                                      const std::vector<std::string>& earlierNamed = {});

// A new temporary beside `fileName`, created with `mode` (the umask applies), open for writing
// and exclusively locked. The lock is taken before the name is trusted: should a cleanup have
// removed the name in between, another one is made. Throws EFileError.
struct TLockedTemporary {
    int fd = -1;
    std::string name;
};
[[nodiscard]] TLockedTemporary CreateLockedTemporary(const std::string& fileName, mode_t mode);

// Removes the temporaries a run left behind in `folder` (that folder only, no subfolders):
// regular files named as IsOwnTemporaryName says whose lock can be taken now. Files another
// process (or this one) is still writing are locked and stay; nothing else is touched. Returns
// how many were removed; a folder that cannot be read has none.
int RemoveStaleTemporaries(const std::string& folder,
                           const std::vector<std::string>& earlierNamed = {});

}  // namespace tessaly
