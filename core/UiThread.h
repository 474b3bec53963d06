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
// before it sleeps (see CallWait).

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
};

// A pause instruction for busy waits (a no-op where there is none).
void CpuRelax();

}  // namespace tessaly
