#pragma once
// Advisory file locks. The program's own writers hold an exclusive lock on a file while they
// write it, so other parts of the program (and cooperating programs) can tell that the file is
// still being written.

#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly {

// A file error: the operation, the file and the system's reason.
class EFileError : public std::runtime_error {
public:
    EFileError(const std::string& operation, const std::string& fileName, int error);
    [[nodiscard]] int Error() const { return error_; }

private:
    int error_;
};

// True when the file exists and another open of it holds an exclusive lock, so a non-blocking
// exclusive lock cannot be taken now.
[[nodiscard]] bool IsFileLocked(const std::string& fileName);

// A file opened for writing (created, or truncated unless appending) that stays exclusively
// locked until it is closed. Throws EFileError when it cannot be opened or written.
class TLockedFileWriter {
public:
    TLockedFileWriter(const std::string& fileName, bool append);
    ~TLockedFileWriter();
    TLockedFileWriter(const TLockedFileWriter&) = delete;
    TLockedFileWriter& operator=(const TLockedFileWriter&) = delete;

    void Write(std::string_view bytes);
    // Forces the written bytes to the disk.
    void Sync();
    // Releases the lock and closes; throws when the close reports a failed write.
    void Close();
    [[nodiscard]] int Handle() const { return fd_; }

private:
    std::string fileName_;
    int fd_ = -1;
};

// Writes `content` to a new file in the same folder (a locked temporary, named as
// TemporaryFiles.h says), forces it to disk and renames it over
// `fileName`, so a crash or a full disk never leaves a half-written file: either the old or the
// new content is there. The new file keeps the permissions of the file it replaces. Throws
// EFileError when anything fails; the old file is then untouched.
void SaveFileAtomically(const std::string& fileName, std::string_view content);

}  // namespace tessaly
