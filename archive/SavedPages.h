#pragma once
// The saved message pages of a group's Messages folder, found by their names ("0000123.html",
// or with the date prefix), with the facts that tell whether a page changed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::archive {

struct TSavedPageFile {
    std::int64_t number = 0;
    std::string file;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};

// The pages of `folder`, sorted by number. Where two files hold one number (a run with the
// date prefix and one without), the one written last counts.
[[nodiscard]] std::vector<TSavedPageFile> ListSavedPages(const std::string& folder);

// The whole content of a file, or nothing when it cannot be read.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace tessaly::archive
