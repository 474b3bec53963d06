#include "threading/UiThread.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <exception>
#include <stdexcept>
#include <utility>

namespace tessaly {

TUiThread::TUiThread() : thread_(QThread::currentThread()) {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create the wake-up pipe");
    notifier_ = std::make_unique<QSocketNotifier>(wake_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    rest_ = std::make_unique<QTimer>();
    rest_->setSingleShot(true);
    rest_->setInterval(kBatchInterval);
    QObject::connect(rest_.get(), &QTimer::timeout, [this] { EndRest(); });
}

TUiThread::~TUiThread() {
    rest_.reset();
    notifier_.reset();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

bool TUiThread::OnUiThread() const {
    return QThread::currentThread() == thread_;
}

void TUiThread::Post(std::function<void()> fn) {
    Enqueue(std::move(fn), false);
}

void TUiThread::Enqueue(std::function<void()> fn, bool urgent) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
        wake = !wakePending_ && (urgent || !resting_);
        if (wake) wakePending_ = true;
    }
    if (!wake) return;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);  // a full pipe already wakes
}

// Runs what is queued, then rests. A function may run a nested event loop, in which a later
// Drain runs what is handed over meanwhile: the wake-up flag is cleared before anything runs,
// so such a hand-over writes its byte again.
void TUiThread::Drain() {
    char buf[256];
    while (::read(wake_[0], buf, sizeof buf) > 0) {
    }
    std::unique_lock lock(mutex_);
    wakePending_ = false;
    bool ran = false;
    while (!queue_.empty()) {
        std::function<void()> fn = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        fn();
        ran = true;
        lock.lock();
    }
    if (ran && !resting_) {
        resting_ = true;
        lock.unlock();
        rest_->start();
    }
}

void TUiThread::EndRest() {
    bool more = false;
    {
        std::lock_guard lock(mutex_);
        resting_ = false;
        more = !queue_.empty();
    }
    if (more) Drain();  // what was posted during the rest; rests again after it
}

void TUiThread::Call(const std::function<void()>& fn) {
    if (OnUiThread()) {
        fn();
        return;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::exception_ptr error;
    };
    auto state = std::make_shared<Done>();
    Enqueue(
        [state, &fn] {
            std::exception_ptr error;
            try {
                fn();
            } catch (...) {
                error = std::current_exception();  // raised again on the calling thread
            }
            std::lock_guard lock(state->mutex);
            state->error = std::move(error);
            state->done = true;
            state->cv.notify_one();
        },
        true);
    std::unique_lock lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done; });
    // Taken out of the shared state: the exception is then released on this thread only.
    if (std::exception_ptr error = std::exchange(state->error, nullptr)) {
        lock.unlock();
        std::rethrow_exception(error);
    }
}

}  // namespace tessaly
