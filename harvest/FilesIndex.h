#pragma once
// The Files index of one member and group: which files of which folder arrived in earlier runs.
// One settings file per member and group under the settings folder ("Files/USER/GROUP.ini"),
// one section per folder path ("/", "/Minutes/"), one key per file: the last segment of its URL
// as the service spells it, with the value "Y". The member's and the group's names become safe
// path segments, so the file stays inside the settings folder whatever they hold.

#include <memory>
#include <string>
#include <vector>

namespace tessaly {

class TSettingsFileEx;

class TFilesIndex {
public:
    // The index file of a member's group.
    [[nodiscard]] static std::string PathFor(const std::string& user, const std::string& group);
    // The key of a file URL: the trimmed text after its last "/" (or "\"; trailing ones
    // dropped, as for the file's name), not decoded, with "=" written "%3D" (and line breaks
    // "%0D", "%0A") so the key stays one key of its line. A key too long for a line of the
    // index keeps its start and ends with "~" and a hash of the whole.
    [[nodiscard]] static std::string KeyOf(const std::string& url);
    // The section of a folder path: the trimmed path (shortened the same way when too long).
    [[nodiscard]] static std::string SectionOf(const std::string& folderPath);

    // Reads the index at `path` (none there: empty). An index that cannot be read counts as
    // empty; Failure then says why.
    explicit TFilesIndex(std::string path);
    ~TFilesIndex();
    TFilesIndex(const TFilesIndex&) = delete;
    TFilesIndex& operator=(const TFilesIndex&) = delete;

    // Whether the file of `url` is recorded in the section of `folderPath`.
    [[nodiscard]] bool Has(const std::string& folderPath, const std::string& url) const;
    [[nodiscard]] const std::string& Failure() const { return failure_; }

    // Records the files of `urls` in the section of `folderPath` of the index at `path`
    // (folders created as needed; a key recorded before stays one entry). Returns "" when
    // written, else why not.
    [[nodiscard]] static std::string Record(const std::string& path, const std::string& folderPath,
                                            const std::vector<std::string>& urls);

private:
    std::unique_ptr<TSettingsFileEx> file_;
    std::string failure_;
};

}  // namespace tessaly
