#pragma once
// The download index of one member, section and group: which items arrived in earlier runs.
// One settings file per member and group under the section's folder of the settings folder
// ("Files/USER/GROUP.ini", "Photos/USER/GROUP.ini"), one settings section per folder or album,
// one key per item with the value "Y". For Files the sections are the folder paths ("/",
// "/Minutes/") and the keys the last segments of the file URLs as the service spells them; for
// Photos the sections are the albums and the keys the photo names (see TPDLManager). The
// member's and the group's names become safe path segments, so the file stays inside the
// settings folder whatever they hold.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly {

class TSettingsFileEx;

class TFilesIndex {
public:
    // The Files index file of a member's group.
    [[nodiscard]] static std::string PathFor(const std::string& user, const std::string& group);
    // The index file of a member's group for a section folder ("Files", "Photos").
    [[nodiscard]] static std::string PathFor(const std::string& section, const std::string& user,
                                             const std::string& group);
    // Removes what a killed run's write of the index at `path` left beside it; a group's walk
    // calls it once before it reads or writes its index.
    static void RemoveKilledWrites(const std::string& path);
    // A key as written: "=" becomes "%3D" (line breaks "%0D", "%0A"), and a key too long for a
    // line keeps its start and ends with "~" and a hash of the whole.
    [[nodiscard]] static std::string EncodeKey(std::string_view text);
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
    // Every (section, key) the index holds, keys as written.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> Entries() const;

    // Records the files of `urls` in the section of `folderPath` of the index at `path`
    // (folders created as needed; a key recorded before stays one entry). Returns "" when
    // written, else why not.
    [[nodiscard]] static std::string Record(const std::string& path, const std::string& folderPath,
                                            const std::vector<std::string>& urls);
    // Records (section, key) pairs as they are given (already made by SectionOf and EncodeKey).
    [[nodiscard]] static std::string Record(
        const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries);

private:
    std::unique_ptr<TSettingsFileEx> file_;
    std::string failure_;
};

}  // namespace tessaly
