#pragma once
// Files that appear under their name only once complete, for the many files of a download
// that a later run can fetch again (message pages): no flush to the disk, so each costs about
// what a plain write costs, yet a killed process never leaves a short or empty file behind.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace tessaly {

// Writes `bytes` as `fileName` (permissions 0644 less the umask). The bytes go into an unnamed
// file in the same folder that is linked in under the name when it is complete; a file already
// under the name is replaced in one step (through a locked temporary name, see
// TemporaryFiles.h), never emptied first, and left alone when it holds these bytes already. Where
// the file system has no unnamed files, a named temporary is written and renamed. Throws
// EFileError; then nothing new is under the name and no temporary is left.
void WriteCompleteFile(const std::string& fileName, std::string_view bytes);

// The same for a file that arrives piece by piece (a download): written into an unnamed file of
// the target's folder (or a locked temporary where there are none) and given its name by Commit.
// A writer destroyed without Commit (a failed or stopped download) leaves nothing behind, and the
// file under the name, if any, untouched. The file gets `mode` less the umask (a copy keeps a
// private file private). Throws EFileError.
class TCompleteFileWriter {
public:
    explicit TCompleteFileWriter(std::string fileName, mode_t mode = 0644);
    ~TCompleteFileWriter();
    TCompleteFileWriter(const TCompleteFileWriter&) = delete;
    TCompleteFileWriter& operator=(const TCompleteFileWriter&) = delete;

    void Write(std::string_view bytes);
    // Puts the complete file in place (replacing the old one in one step).
    void Commit();
    [[nodiscard]] const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    std::string temporary_;  // the named temporary, where the file system has no unnamed files
    int fd_ = -1;
};

}  // namespace tessaly
