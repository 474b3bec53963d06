#include "platform/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SpecialFolders.h"

namespace tessaly {

TRunLock::TRunLock(const std::string& folder) {
    const std::string file = IncludeTrailingDelimiter(folder) + std::string(kRunLockName);
    // Close-on-exec: a program the run starts (the picture viewer) must not inherit the hold.
    fd_ = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
    if (fd_ < 0) {
        error_ = errno;
        state_ = TState::Unwritable;
        return;
    }
    int locked;
    do {
        locked = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        state_ = TState::Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? TState::Busy : TState::Unguarded;
    ::close(fd_);
    fd_ = -1;
}

TRunLock::~TRunLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the hold
}

}  // namespace tessaly
