#pragma once
// Writes the site's files: a file is written only when its content changed (so a rebuild
// touches only what changed), and files of the site that no longer belong are removed. Only
// paths inside the site's folder are ever written or removed.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace tessaly::archive {

class TSiteFiles {
public:
    explicit TSiteFiles(std::string siteFolder) : site_(std::move(siteFolder)) {}

    [[nodiscard]] const std::string& Folder() const { return site_; }
    // Writes `content` as `rel` (a path in the site) unless it already holds it; throws
    // EFileError when it cannot.
    void Write(const std::string& rel, std::string_view content);
    [[nodiscard]] bool Exists(const std::string& rel) const;
    // Removes the files of the folder `rel` whose names end in `suffix` and are not in `keep`.
    void Prune(const std::string& rel, const std::string& suffix,
               const std::set<std::string>& keep);
    // Removes a file or a whole folder of the site.
    void Remove(const std::string& rel);

    [[nodiscard]] std::int64_t Written() const { return written_; }
    [[nodiscard]] std::int64_t Removed() const { return removed_; }

private:
    std::string site_;
    std::int64_t written_ = 0, removed_ = 0;
};

}  // namespace tessaly::archive
