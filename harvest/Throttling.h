#pragma once
// The service's answer to a member who asks too fast ("error 999") is waited out, for pages and
// items alike: asked for again after growing waits, and a failure only when the service still
// throttles after the last of them. The waits, their count and the words a user reads are here.

#include <atomic>
#include <cstddef>
#include <string>

namespace tessaly {

class THttpClient;

// The designed waits after the first, second, ... throttled answer in a row, in seconds; the
// answer after the last wait ends the request as a failure.
inline constexpr int kThrottleWaits[] = {60, 120, 240, 480, 960};
inline constexpr std::size_t kThrottleRetries = std::size(kThrottleWaits);

// The reason of a request that the service throttled `times` times in a row.
[[nodiscard]] std::string ThrottledFailure(std::size_t times, const std::string& url);
// The reason of a request stopped while its throttling was waited out.
inline constexpr const char* kStoppedWhileThrottled = "stopped while throttled by the service";

// Whether the client's last request was answered "error 999".
[[nodiscard]] bool IsThrottledAnswer(const THttpClient& client);

// On a downloader's thread: waits kThrottleWaits[n] seconds on the pacing clock, ending at once
// when `cancel` is set; false when it was set.
[[nodiscard]] bool WaitOutThrottle(std::size_t n, const std::atomic<bool>* cancel);

}  // namespace tessaly
