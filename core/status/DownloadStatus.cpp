#include "status/DownloadStatus.h"

#include <array>

namespace tessaly {

std::string StatusName(int value) {
    static constexpr std::array<const char*, kDownloadStatusCount> kNames = {
        "Waiting",       "Starting",      "Progress", "Completed",    "Stopped", "Blocked",
        "Not Available", "Error",         "Ok",       "NetworkError", "Skipped", "Timeout",
        "W/O Dups",      "Wrong Password"};
    if (value < 0 || value >= kDownloadStatusCount) return {};
    return kNames[static_cast<std::size_t>(value)];
}

}  // namespace tessaly
