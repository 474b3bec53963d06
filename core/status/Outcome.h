#pragma once
// The one failure vocabulary: which statuses are failures, what a run's outcome is, the exit
// status each outcome gives the command-line program and the words the user reads for it.

#include <string>
#include <string_view>

#include "status/DownloadStatus.h"

namespace tessaly {

// A failure: the group (or the item, or the fetch) did not get what it went for. Blocked,
// Error, NetworkError, Timeout and Wrong Password; every other status is progress, success or
// a stop the user asked for.
[[nodiscard]] constexpr bool IsFailure(DownloadStatus s) {
    return s == dsBlocked || s == dsError || s == dsNetworkError || s == dsTimeout ||
           s == dsWrongPassword;
}

// How a run ended, as a whole; the values are the command-line program's exit statuses.
enum class TOutcome : int {
    Ok = 0,             // every group ended well (or there was nothing to do)
    Usage = 2,          // wrong arguments or input
    GroupsFailed = 3,   // some group ended with a failure
    Stopped = 4,        // the user stopped the run
    LoginRefused = 5,   // wrong user name or password
    Unreachable = 6,    // the service could not be reached
    OutputFolder = 7,   // the output folder cannot be written
    Store = 8,          // the program's own settings store cannot be read or written
    Incomplete = 9,     // a configuration export or import left something out
    UpdateFailed = 10,  // the update server could not be asked
    FolderBusy = 11,    // another run is writing into the output folder
};

[[nodiscard]] constexpr int ExitCodeOf(TOutcome o) {
    return static_cast<int>(o);
}

// The words for the outcome ("some groups failed", ...).
[[nodiscard]] std::string_view OutcomeText(TOutcome o);

// What the user reads when a run is refused because another run is writing into its output
// folder (TOutcome::FolderBusy): the folder, and what to do.
[[nodiscard]] std::string FolderBusyText(std::string_view folder);

}  // namespace tessaly
