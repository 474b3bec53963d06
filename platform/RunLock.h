#pragma once
// A download run's hold on its output folder. Two runs writing into one folder at once would
// save the same message files, Files and Photos indexes and attachment names side by side, so
// a run holds the folder for as long as it lasts, and a second run into it, from either
// program, is refused until the first has ended.
//
// The hold is an flock on the file ".tessaly-run.lock" at the top of the folder. An flock
// belongs to the open file description, not to the process and the file as a POSIX lock does:
// no other open or close of the file can drop it, and the kernel releases it when the holder
// ends however it ends, so a killed run never leaves the folder held. The file itself stays
// (removed, a run could lock a new file while another still holds the old one); its name
// starts with a dot, so the archive reader passes it by.

#include <string>
#include <string_view>

namespace tessaly {

inline constexpr std::string_view kRunLockName = ".tessaly-run.lock";

class TRunLock {
public:
    enum class TState {
        Held,        // this run holds the folder
        Busy,        // another run holds it
        Unwritable,  // the lock file cannot be made: the folder is missing or not writable
        Unguarded,   // the folder's file system keeps no locks: the run goes on without
    };

    // Tries to take the folder (with or without a trailing "/") at once, without waiting.
    explicit TRunLock(const std::string& folder);
    // Releases the folder.
    ~TRunLock();
    TRunLock(const TRunLock&) = delete;
    TRunLock& operator=(const TRunLock&) = delete;

    [[nodiscard]] TState State() const { return state_; }
    // Whether the run may go on: the folder is held, or cannot be held on its file system.
    [[nodiscard]] bool MayRun() const {
        return state_ == TState::Held || state_ == TState::Unguarded;
    }
    // The system's reason when the lock file cannot be made (an errno value), 0 otherwise.
    [[nodiscard]] int Error() const { return error_; }

private:
    int fd_ = -1;
    TState state_ = TState::Unwritable;
    int error_ = 0;
};

}  // namespace tessaly
