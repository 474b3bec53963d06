#include "UiThread.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <stdexcept>

namespace tessaly {

TUiThread::TUiThread() : thread_(QThread::currentThread()) {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create the wake-up pipe");
    notifier_ = std::make_unique<QSocketNotifier>(wake_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
}

TUiThread::~TUiThread() {
    notifier_.reset();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

bool TUiThread::OnUiThread() const {
    return QThread::currentThread() == thread_;
}

void TUiThread::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);  // a full pipe already wakes
}

void TUiThread::Drain() {
    char buf[256];
    while (::read(wake_[0], buf, sizeof buf) > 0) {
    }
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
    }
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
    Post([state, &fn] {
        std::exception_ptr error;
        try {
            fn();
        } catch (...) {
            error = std::current_exception();  // raised again on the calling thread
        }
        std::lock_guard lock(state->mutex);
        state->error = error;
        state->done = true;
        state->cv.notify_one();
    });
    std::unique_lock lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done; });
    if (state->error) std::rethrow_exception(state->error);
}

}  // namespace tessaly
