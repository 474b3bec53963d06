#include "platform/CompleteFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/FileLock.h"
#include "platform/TemporaryFiles.h"

namespace tessaly {
namespace {

constexpr mode_t kFileMode = 0644;  // less the umask, as the kernel applies it

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& fileName) {
    const auto slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : fileName.substr(0, slash);
}

// Gives the open file `fd` (unnamed or not) the name `name`; 0 or the reason it failed. The
// empty-path form needs CAP_DAC_READ_SEARCH; the link through /proc needs no privilege.
int LinkOpenFile(int fd, const std::string& name) {
    // Straight from the descriptor where the program may (no look-up in /proc per file); once
    // refused, through /proc only.
    static std::atomic<bool> emptyPath{true};
    if (emptyPath.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
        if (errno != ENOENT) return errno;
        emptyPath.store(false, std::memory_order_relaxed);
    }
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    return errno;
}

// The way without unnamed files: a locked temporary beside the name, renamed over it.
void WriteThroughTemporary(const std::string& fileName, std::string_view bytes) {
    const TLockedTemporary t = CreateLockedTemporary(fileName, kFileMode);
    auto fail = [&](const char* what) {
        const int e = errno;
        ::unlink(t.name.c_str());
        ::close(t.fd);
        throw EFileError(what, fileName, e);
    };
    if (!WriteAll(t.fd, bytes)) fail("cannot write");
    if (::rename(t.name.c_str(), fileName.c_str()) != 0) fail("cannot replace");
    ::close(t.fd);
}

// Whether `fileName` is a regular file holding exactly `bytes`.
bool HoldsExactly(const std::string& fileName, std::string_view bytes) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                static_cast<std::size_t>(st.st_size) == bytes.size();
    char buf[16384];
    while (same && !bytes.empty()) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, bytes.size()));
        if (n < 0 && errno == EINTR) continue;
        same = n > 0 && bytes.substr(0, static_cast<std::size_t>(n)) ==
                            std::string_view(buf, static_cast<std::size_t>(n));
        if (same) bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
    return same;
}

// Puts the complete unnamed file `fd` in the place of the file under `fileName`: linked under a
// temporary name (locked first, so a cleanup leaves it alone), then renamed over the old one.
// The old file stays whole until the rename.
void ReplaceWithOpenFile(int fd, const std::string& fileName) {
    if (::flock(fd, LOCK_EX) != 0) throw EFileError("cannot lock", fileName, errno);
    std::string temporary;
    int error = EEXIST;
    for (int attempt = 0; attempt < 256 && error == EEXIST; ++attempt) {
        temporary = TemporaryNameFor(fileName);
        error = LinkOpenFile(fd, temporary);
    }
    if (error != 0) throw EFileError("cannot create a file beside", fileName, error);
    if (::rename(temporary.c_str(), fileName.c_str()) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        throw EFileError("cannot replace", fileName, e);
    }
}

}  // namespace

TCompleteFileWriter::TCompleteFileWriter(std::string fileName, mode_t mode)
    : fileName_(std::move(fileName)) {
    fd_ = ::open(FolderOf(fileName_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd_ >= 0) return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        throw EFileError("cannot create", fileName_, errno);
    const TLockedTemporary t = CreateLockedTemporary(fileName_, mode);
    fd_ = t.fd;
    temporary_ = t.name;
}

TCompleteFileWriter::~TCompleteFileWriter() {
    if (fd_ < 0) return;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    ::close(fd_);  // an unnamed file goes with its last descriptor
}

void TCompleteFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0) throw EFileError("cannot write (closed)", fileName_, EBADF);
    if (!WriteAll(fd_, bytes)) throw EFileError("cannot write", fileName_, errno);
}

void TCompleteFileWriter::Commit() {
    if (fd_ < 0) throw EFileError("cannot write (closed)", fileName_, EBADF);
    if (!temporary_.empty()) {
        if (::rename(temporary_.c_str(), fileName_.c_str()) != 0)
            throw EFileError("cannot replace", fileName_, errno);
        temporary_.clear();
    } else {
        const int linked = LinkOpenFile(fd_, fileName_);
        if (linked == EEXIST) {
            ReplaceWithOpenFile(fd_, fileName_);
        } else if (linked != 0) {
            throw EFileError("cannot name", fileName_, linked);
        }
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throw EFileError("cannot close", fileName_, errno);
}

void WriteCompleteFile(const std::string& fileName, std::string_view bytes) {
    // A page fetched again is mostly the same page: reading it back costs far less than making
    // a new file (a failed open is all it costs when the file is new).
    if (HoldsExactly(fileName, bytes)) return;
    const int fd = ::open(FolderOf(fileName).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kFileMode);
    if (fd < 0) {
        // No unnamed files on this file system (an old kernel opens the folder itself).
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
            return WriteThroughTemporary(fileName, bytes);
        throw EFileError("cannot create", fileName, errno);
    }
    // Closing the unnamed file before it has a name discards it, so every failure below leaves
    // nothing behind.
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (!WriteAll(fd, bytes)) throw EFileError("cannot write", fileName, errno);
    const int linked = LinkOpenFile(fd, fileName);
    if (linked == 0) return;
    if (linked == EEXIST) return ReplaceWithOpenFile(fd, fileName);
    // The unnamed file cannot be given a name here (no /proc, say): the named way instead, which
    // also reports the real reason should the folder itself be the trouble.
    WriteThroughTemporary(fileName, bytes);
}

}  // namespace tessaly
