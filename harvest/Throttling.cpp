#include "harvest/Throttling.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "net/HttpClient.h"
#include "platform/Pacing.h"

namespace tessaly {
namespace {

// How often a wait looks at the stop flag, which wakes nobody.
constexpr std::chrono::milliseconds kStopCheckStep{100};

bool IsSet(const std::atomic<bool>* flag) {
    return flag != nullptr && flag->load();
}

}  // namespace

std::string ThrottledFailure(std::size_t times, const std::string& url) {
    return "throttled by the service " + std::to_string(times) + " times in a row (" + url + ")";
}

bool IsThrottledAnswer(const THttpClient& client) {
    return client.StatusCode() == 999;
}

bool WaitOutThrottle(std::size_t n, const std::atomic<bool>* cancel) {
    const auto wait = PacingClock::Scaled(
        std::chrono::milliseconds(1000LL * kThrottleWaits[std::min(n, kThrottleRetries - 1)]));
    const auto until = std::chrono::steady_clock::now() + wait;
    while (!IsSet(cancel)) {
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return true;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, kStopCheckStep));
    }
    return false;
}

}  // namespace tessaly
