#pragma once
// Calls onto the user-interface thread. Another thread hands a function to the thread that
// created the TUiThread (Post), or hands it over and waits until it has run there (Call); that
// thread runs them whenever it processes events (its event loop, or any wait of the program).
//
// The hand-over is a queue under a mutex of our own and a wake-up byte through a pipe that the
// user-interface thread watches, rather than objects passed through Qt's event queue: this way
// every hand-over between the threads is visible to the thread sanitizer.
//
// A worker reports step after step, each report a short call. Waking a sleeping thread costs far
// more than such a call, so both sides may wait actively for a moment before they sleep: the
// user-interface thread keeps watching the queue for `linger` after it has emptied it (a call
// handed over meanwhile needs no wake-up byte), and Call watches for the answer for a moment
// before it sleeps (see CallWait). Watching only pays while it usually succeeds: each side keeps
// a score of its recent watches and stops watching (but for an occasional try) when they keep
// failing, for instance when the machine is busy with other work and the calls take longer.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace tessaly {

enum class CallWait {
    SpinFirst,  // a short call (a report): watch for its end for kCallSpin, then sleep
    PageLoad,   // a page load: watch for its end for kPageSpin, then sleep
    Sleep,      // a call that takes long: sleep at once
};

// Whether active waiting has paid lately: a watch that ended with what it waited for raises
// the score, one that ran out lowers it; at zero, only every kRetryEvery-th wait watches.
class TSpinScore {
public:
    [[nodiscard]] bool ShouldSpin() {
        const int score = score_.load(std::memory_order_relaxed);
        if (score > 0) return true;
        return tries_.fetch_add(1, std::memory_order_relaxed) % kRetryEvery == 0;
    }
    void Record(bool succeeded) {
        const int score = score_.load(std::memory_order_relaxed);
        score_.store(succeeded ? std::min(score + 1, kMax) : std::max(score - 1, 0),
                     std::memory_order_relaxed);
    }
    static constexpr int kMax = 8;
    static constexpr unsigned kRetryEvery = 16;

private:
    std::atomic<int> score_{kMax / 2};
    std::atomic<unsigned> tries_{0};
};

class TUiThread {
public:
    // On the user-interface thread.
    explicit TUiThread(std::chrono::microseconds linger = std::chrono::microseconds(0));
    ~TUiThread();
    TUiThread(const TUiThread&) = delete;
    TUiThread& operator=(const TUiThread&) = delete;

    // Runs `fn` on the user-interface thread and returns when it has run (directly when
    // called on that thread). An exception thrown by `fn` is raised again here.
    void Call(const std::function<void()>& fn, CallWait wait = CallWait::SpinFirst);
    // Queues `fn` to the user-interface thread without waiting. Functions still queued when
    // the TUiThread is destroyed are dropped.
    void Post(std::function<void()> fn);
    [[nodiscard]] bool OnUiThread() const;

    // How long Call watches for the end of a call before it sleeps. A page from a nearby server
    // comes in a few hundred microseconds; from a far one, the watch is a small part of the wait.
    static constexpr std::chrono::microseconds kCallSpin{60};
    static constexpr std::chrono::microseconds kPageSpin{300};

private:
    void Drain();

    int wake_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    void* thread_ = nullptr;  // the QThread it belongs to
    const std::chrono::microseconds linger_;
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    std::atomic<std::size_t> queued_{0};  // queue_.size(), for watching without the mutex
    bool wakePending_ = false;  // a wake-up byte is on its way and no Drain has taken it yet
    bool lingering_ = false;    // the thread is watching the queue: no byte needed
    TSpinScore lingerScore_;    // of the user-interface thread's watches
    TSpinScore callScore_, pageScore_;
};

// A pause instruction for busy waits (a no-op where there is none).
void CpuRelax();

}  // namespace tessaly
