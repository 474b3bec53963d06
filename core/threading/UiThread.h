#pragma once
// Calls onto the user-interface thread. Another thread hands a function to the thread that
// created the TUiThread and waits until it has run there (Call), or hands it over without
// waiting (Post); that thread runs them, in the order they were handed over, whenever it
// processes events (its event loop, or any wait of the program).
//
// The hand-over is a queue under a mutex of our own and a wake-up byte through a pipe that the
// user-interface thread watches, rather than objects passed through Qt's event queue: this way
// every hand-over between the threads is visible to the thread sanitizer.
//
// Posted calls are batched: a worker reports step after step, and waking the user-interface
// thread for each report would cost more than the report. After the thread has run what was
// queued it rests for kBatchInterval, and what is posted meanwhile waits for the end of the
// rest; a Call (someone is waiting for it) wakes the thread at once.

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;
class QTimer;

namespace tessaly {

class TUiThread {
public:
    // On the user-interface thread.
    TUiThread();
    ~TUiThread();
    TUiThread(const TUiThread&) = delete;
    TUiThread& operator=(const TUiThread&) = delete;

    // Runs `fn` on the user-interface thread and returns when it has run (directly when
    // called on that thread). An exception thrown by `fn` is raised again here.
    void Call(const std::function<void()>& fn);
    // Queues `fn` to the user-interface thread without waiting (also from that thread); it runs
    // within kBatchInterval. Functions still queued when the TUiThread is destroyed are dropped.
    void Post(std::function<void()> fn);
    [[nodiscard]] bool OnUiThread() const;

    // The longest a posted call waits for the user-interface thread (while that thread is free):
    // short enough that what a report changes shows without delay a person could see.
    static constexpr std::chrono::milliseconds kBatchInterval{15};

private:
    void Enqueue(std::function<void()> fn, bool urgent);
    void Drain();
    void EndRest();

    int wake_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> rest_;  // the rest after a drain
    void* thread_ = nullptr;        // the QThread it belongs to
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    bool wakePending_ = false;  // a wake-up byte is on its way and no Drain has taken it yet
    bool resting_ = false;      // posted calls wait for the end of the rest
};

}  // namespace tessaly
