#pragma once
// The one pacing clock. Every fixed wait of the program (pauses between requests, polling
// steps, the waits for a companion program) goes through it, so the whole program can run
// with no fixed waits (TESSALY_PACE=0, as the tests do) or slower than designed, while users
// keep the designed pacing (scale 1). Network time-outs are not waits and are never scaled.

#include <chrono>

namespace tessaly {

class PacingClock {
public:
    // The current scale: TESSALY_PACE when first asked (a non-negative number, default 1),
    // or what SetScale last set.
    [[nodiscard]] static double Scale();
    static void SetScale(double scale);
    // The designed wait, scaled.
    [[nodiscard]] static std::chrono::milliseconds Scaled(std::chrono::milliseconds designed);
};

// Waits at least `milliseconds` (scaled) and keeps processing the calling thread's pending
// events all the while (the user-interface thread stays responsive). On a thread without an
// event loop it simply sleeps.
void Delay(int milliseconds);

// Sleeps `milliseconds` (scaled) without processing events: the wait of worker threads.
void PacedSleep(int milliseconds);

}  // namespace tessaly
