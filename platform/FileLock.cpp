#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/TemporaryFiles.h"

namespace tessaly {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& fileName) {
    auto slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return fileName.substr(0, slash);
}

// The process's file-creation mask, read without changing it (umask() itself would have to
// set it, which races with other threads creating files).
mode_t CurrentUmask() {
    int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 022;
    char buf[4096];
    ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return 022;
    buf[n] = '\0';
    const char* p = std::strstr(buf, "Umask:");
    if (p == nullptr) return 022;
    return static_cast<mode_t>(std::strtoul(p + 6, nullptr, 8) & 0777);
}

}  // namespace

EFileError::EFileError(const std::string& operation, const std::string& fileName, int error)
    : std::runtime_error(operation + " " + fileName + ": " + std::strerror(error)), error_(error) {}

bool IsFileLocked(const std::string& fileName) {
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    bool locked = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        locked = errno == EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return locked;
}

TLockedFileWriter::TLockedFileWriter(const std::string& fileName, bool append)
    : fileName_(fileName) {
    // Truncation waits until the lock is held, so a reader never sees a file emptied by a
    // writer that then fails to get it.
    fd_ = ::open(fileName.c_str(),
                 O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | (append ? O_APPEND : 0), 0644);
    if (fd_ < 0) throw EFileError("cannot create", fileName, errno);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        int e = errno;
        ::close(fd_);
        fd_ = -1;
        throw EFileError("cannot lock", fileName, e == EWOULDBLOCK ? EBUSY : e);
    }
    // A new (empty) file needs no truncation, which on a journaling file system is a journaled
    // change of its own.
    struct stat st {};
    const bool empty = ::fstat(fd_, &st) == 0 && st.st_size == 0;
    if (!append && !empty && ::ftruncate(fd_, 0) != 0) {
        int e = errno;
        ::close(fd_);
        fd_ = -1;
        throw EFileError("cannot truncate", fileName, e);
    }
}

TLockedFileWriter::~TLockedFileWriter() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

void TLockedFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0) throw EFileError("cannot write (closed)", fileName_, EBADF);
    if (!WriteAll(fd_, bytes)) throw EFileError("cannot write", fileName_, errno);
}

void TLockedFileWriter::Sync() {
    if (fd_ >= 0 && ::fsync(fd_) != 0) throw EFileError("cannot flush", fileName_, errno);
}

void TLockedFileWriter::Close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throw EFileError("cannot close", fileName_, errno);
}

void SaveFileAtomically(const std::string& fileName, std::string_view content) {
    const std::string folder = FolderOf(fileName);
    // Named and locked as the program's temporaries are, so a cleanup at the next start can
    // remove it should this process be killed before the rename.
    const TLockedTemporary temporary = CreateLockedTemporary(fileName, 0600);
    const int fd = temporary.fd;
    const std::string& tmp = temporary.name;
    auto fail = [&](const char* what) {
        int e = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        throw EFileError(what, fileName, e);
    };
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(fileName.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode = static_cast<mode_t>(0666 & ~CurrentUmask());
    }
    if (::fchmod(fd, mode) != 0) fail("cannot set the permissions of");
    if (!WriteAll(fd, content)) fail("cannot write");
    if (::fsync(fd) != 0) fail("cannot flush");
    if (::rename(tmp.c_str(), fileName.c_str()) != 0) fail("cannot replace");
    ::close(fd);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);  // makes the rename itself durable
        ::close(dir);
    }
}

}  // namespace tessaly
