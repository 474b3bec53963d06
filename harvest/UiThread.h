#pragma once
// Blocking calls onto the user-interface thread. A worker thread hands a function to the
// thread that created the TUiThread and waits until it has run there; that thread serves such
// calls whenever it processes events (its event loop, or any wait of the program).

#include <QObject>
#include <functional>
#include <memory>

namespace tessaly {

class TUiThread {
public:
    TUiThread();  // on the user-interface thread
    ~TUiThread();
    TUiThread(const TUiThread&) = delete;
    TUiThread& operator=(const TUiThread&) = delete;

    // Runs `fn` on the user-interface thread and returns when it has run (directly when
    // called on that thread).
    void Call(const std::function<void()>& fn);
    // Queues `fn` to the user-interface thread without waiting.
    void Post(std::function<void()> fn);
    [[nodiscard]] bool OnUiThread() const;

private:
    std::unique_ptr<QObject> context_;
};

}  // namespace tessaly
