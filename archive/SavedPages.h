#pragma once
// The saved message pages of a group's Messages folder, found by their names ("0000123.html",
// or with the date prefix), with the facts that tell whether a page changed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::archive {

struct TSavedPageFile {
    std::int64_t number = 0;
    std::string file;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};

// The pages of `folder`, sorted by number. Where two files hold one number (a run with the
// date prefix and one without), the one written last counts. Without `withFacts` the pages'
// sizes and times are left 0 where the folder tells files from folders by itself, to be learnt
// when each page is read (TPageFolder::Read): a build with nothing to compare them with saves
// a look-up by name per page (two files of one number are then both looked at).
[[nodiscard]] std::vector<TSavedPageFile> ListSavedPages(const std::string& folder,
                                                         bool withFacts = true);

// The whole content of a file, or nothing when it cannot be read.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path);

// A folder of saved pages held open while its pages are read (from any number of threads):
// each name is looked up in the open folder instead of along its whole path, and a page whose
// size the listing gave is read in one call. Reading a hundred thousand small pages is mostly
// these calls.
class TPageFolder {
public:
    explicit TPageFolder(std::string folder);  // with or without its trailing "/"
    ~TPageFolder();
    TPageFolder(const TPageFolder&) = delete;
    TPageFolder& operator=(const TPageFolder&) = delete;

    // The content of the page `file` of the folder, or nothing when it cannot be read. The
    // listed size is a hint: a page that grew or shrank since is read whole all the same. A page
    // listed without its facts (a time of 0) gets them here.
    [[nodiscard]] std::optional<std::string> Read(TSavedPageFile& file) const;
    // The same into `buffer`, kept by the caller from page to page: it only grows, so reading
    // many pages allocates (and clears) memory for the biggest only. The view lasts until the
    // buffer's next use.
    [[nodiscard]] std::optional<std::string_view> Read(TSavedPageFile& file,
                                                       std::string& buffer) const;

private:
    std::string folder_;  // with its trailing "/"
    int fd_ = -1;         // the open folder, -1 when it could not be opened
};

}  // namespace tessaly::archive
