#pragma once
// The status of a group row, an item download or a page fetch.

#include <cstdint>
#include <string>

namespace tessaly {

enum DownloadStatus : std::uint8_t {
    dsWaiting = 0,
    dsStarting = 1,
    dsProgress = 2,
    dsCompleted = 3,
    dsStopped = 4,
    dsBlocked = 5,
    dsNotAvailable = 6,
    dsError = 7,
    dsOk = 8,
    dsNetworkError = 9,
    dsSkipped = 10,
    dsTimeout = 11,
    dsWithoutDups = 12,
    dsWrongPassword = 13,
};

inline constexpr int kDownloadStatusCount = 14;

// The display name ("Waiting" ... "Wrong Password"); empty for values outside 0..13.
[[nodiscard]] std::string StatusName(int value);

}  // namespace tessaly
