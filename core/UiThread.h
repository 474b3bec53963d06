#pragma once
// Calls onto the user-interface thread. Another thread hands a function to the thread that
// created the TUiThread (Post), or hands it over and waits until it has run there (Call); that
// thread runs them whenever it processes events (its event loop, or any wait of the program).
//
// The hand-over is a queue under a mutex of our own and a wake-up byte through a pipe that the
// user-interface thread watches, rather than objects passed through Qt's event queue: this way
// every hand-over between the threads is visible to the thread sanitizer.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace tessaly {

class TUiThread {
public:
    TUiThread();  // on the user-interface thread
    ~TUiThread();
    TUiThread(const TUiThread&) = delete;
    TUiThread& operator=(const TUiThread&) = delete;

    // Runs `fn` on the user-interface thread and returns when it has run (directly when
    // called on that thread). An exception thrown by `fn` is raised again here.
    void Call(const std::function<void()>& fn);
    // Queues `fn` to the user-interface thread without waiting. Functions still queued when
    // the TUiThread is destroyed are dropped.
    void Post(std::function<void()> fn);
    [[nodiscard]] bool OnUiThread() const;

private:
    void Drain();

    int wake_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    void* thread_ = nullptr;  // the QThread it belongs to
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace tessaly
