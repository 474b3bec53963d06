#include "platform/TemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "platform/FileLock.h"

namespace tessaly {
namespace {

constexpr std::size_t kTailLength = 6;
constexpr std::string_view kTailLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomTail() {
    thread_local std::mt19937_64 engine{std::random_device{}()};
    std::string tail(kTailLength, 'x');
    std::uniform_int_distribution<std::size_t> pick(0, kTailLetters.size() - 1);
    for (char& c : tail) c = kTailLetters[pick(engine)];
    return tail;
}

bool IsTail(std::string_view text) {
    return text.size() == kTailLength && std::all_of(text.begin(), text.end(), [](char c) {
               return kTailLetters.find(c) != std::string_view::npos;
           });
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::string TemporaryNameFor(const std::string& fileName) {
    const auto slash = fileName.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return fileName.substr(0, nameAt) + "." + fileName.substr(nameAt) +
           std::string(kTemporaryMark) + RandomTail();
}

bool IsOwnTemporaryName(std::string_view name, const std::vector<std::string>& earlierNamed) {
    if (name.size() < 2 + kTailLength || name.front() != '.') return false;
    const std::string_view tail = name.substr(name.size() - kTailLength);
    if (!IsTail(tail)) return false;
    const std::string_view head = name.substr(1, name.size() - 1 - kTailLength);
    if (head.size() > kTemporaryMark.size() &&
        head.substr(head.size() - kTemporaryMark.size()) == kTemporaryMark)
        return true;
    // Earlier saves named the temporary ".<name>." plus the tail.
    return std::any_of(earlierNamed.begin(), earlierNamed.end(), [&](const std::string& file) {
        return !file.empty() && head.size() == file.size() + 1 && head.back() == '.' &&
               head.substr(0, file.size()) == file;
    });
}

TLockedTemporary CreateLockedTemporary(const std::string& fileName, mode_t mode) {
    // A few hundred tries: names taken or removed under us that often mean something is wrong.
    for (int attempt = 0; attempt < 256; ++attempt) {
        TLockedTemporary t;
        t.name = TemporaryNameFor(fileName);
        t.fd = ::open(t.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (t.fd < 0) {
            if (errno == EEXIST) continue;
            throw EFileError("cannot create a file beside", fileName, errno);
        }
        int locked;
        do {
            locked = ::flock(t.fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int e = errno;
            ::close(t.fd);
            ::unlink(t.name.c_str());
            throw EFileError("cannot lock", t.name, e);
        }
        // A cleanup in another process may have taken the lock first and removed the name;
        // the file is ours only if the name still leads to it now that we hold the lock.
        struct stat opened {
        }, named{};
        if (::fstat(t.fd, &opened) == 0 && ::lstat(t.name.c_str(), &named) == 0 &&
            SameFile(opened, named))
            return t;
        ::close(t.fd);
    }
    throw EFileError("cannot create a file beside", fileName, EEXIST);
}

int RemoveStaleTemporaries(const std::string& folder,
                           const std::vector<std::string>& earlierNamed) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return 0;
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
        if (!IsOwnTemporaryName(name, earlierNamed)) continue;
        const int fd = ::openat(dirFd, entry->d_name,
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat opened {
        }, named{};
        // Locked means its writer is alive; the name is checked again under the lock, so only
        // the file that was found and locked is removed.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(opened, named) && ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

}  // namespace tessaly
