#pragma once
// Small pictures for the Files and Photos pages, made with Qt's image classes and kept in the
// site's "thumbs" folder. A list of what each was made from (size and time of the picture) is
// kept beside them, so a picture's thumbnail is made again only when the picture changed, and
// thumbnails of pictures that are gone are removed.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace tessaly::archive {

inline constexpr int kThumbWidth = 160;
inline constexpr int kThumbHeight = 120;

// Whether a file name looks like a picture Qt can read (by its extension).
[[nodiscard]] bool IsPictureName(const std::string& name);

// The JPEG bytes of a thumbnail of the picture at `path` (fitted into kThumbWidth x
// kThumbHeight, never enlarged), or nothing when it cannot be read as a picture.
[[nodiscard]] std::optional<std::string> MakeThumbnail(const std::string& path);

class TThumbnailCache {
public:
    // `folder`: where the thumbnails of one group go (ending in "/"); the list is kept in it.
    explicit TThumbnailCache(std::string folder);

    struct TPicture {
        std::string key;  // the picture's path from the output folder
        std::string path;
        std::uint64_t size = 0;
        std::int64_t mtimeNs = 0;
    };
    // Whether the picture's thumbnail must be made (it is new or changed).
    [[nodiscard]] bool Stale(const TPicture& picture) const;
    // The thumbnail's file name in the folder, made when stale; "" when the picture cannot be
    // read (remembered too, until it changes). Throws EFileError when it cannot be written.
    [[nodiscard]] std::string Thumbnail(const TPicture& picture);
    // Writes the list and removes thumbnails no picture asked for since the cache was made.
    void Finish();
    [[nodiscard]] int Made() const { return made_; }

private:
    struct TEntry {
        std::uint64_t size = 0;
        std::int64_t mtimeNs = 0;
        std::string thumb;
    };
    std::string folder_;
    std::map<std::string, TEntry> entries_;  // by the hash of the picture's key
    std::set<std::string> seen_;
    int made_ = 0;
};

}  // namespace tessaly::archive
