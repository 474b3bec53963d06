#include "threading/UiThread.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <stdexcept>
#include <utility>

namespace tessaly {

using Clock = std::chrono::steady_clock;

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

TUiThread::TUiThread(std::chrono::microseconds linger)
    : thread_(QThread::currentThread()), linger_(linger) {
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
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
        queued_.store(queue_.size(), std::memory_order_release);
        wake = !lingering_ && !wakePending_;
        if (wake) wakePending_ = true;
    }
    if (!wake) return;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);  // a full pipe already wakes
}

// Runs what is queued. A function may run a nested event loop, in which a later Drain runs
// what is handed over meanwhile: the wake-up flag is cleared before anything runs, so such a
// hand-over writes its byte again.
void TUiThread::Drain() {
    char buf[256];
    while (::read(wake_[0], buf, sizeof buf) > 0) {
    }
    std::unique_lock lock(mutex_);
    wakePending_ = false;
    for (;;) {
        if (queue_.empty()) {
            if (linger_.count() == 0 || !lingerScore_.ShouldSpin()) return;
            lingering_ = true;
            lock.unlock();
            const auto until = Clock::now() + linger_;
            while (queued_.load(std::memory_order_acquire) == 0 && Clock::now() < until) CpuRelax();
            lock.lock();
            lingering_ = false;
            lingerScore_.Record(!queue_.empty());
            if (queue_.empty()) return;
        }
        std::function<void()> fn = std::move(queue_.front());
        queue_.pop_front();
        queued_.store(queue_.size(), std::memory_order_release);
        lock.unlock();
        fn();
        lock.lock();
    }
}

void TUiThread::Call(const std::function<void()>& fn, CallWait wait) {
    if (OnUiThread()) {
        fn();
        return;
    }
    // The caller sleeps only after announcing it (sleeping), and the user-interface thread
    // wakes it only when announced: with both flags sequentially consistent, either the
    // caller sees done before it sleeps, or the other side sees sleeping and notifies under the
    // mutex the caller waits with.
    struct Done {
        std::atomic<bool> done{false};
        std::atomic<bool> sleeping{false};
        std::mutex mutex;
        std::condition_variable cv;
        std::exception_ptr error;
    };
    auto state = std::make_shared<Done>();
    Post([state, &fn] {
        try {
            fn();
        } catch (...) {
            state->error = std::current_exception();  // raised again on the calling thread
        }
        state->done.store(true);
        if (state->sleeping.load()) {
            std::lock_guard lock(state->mutex);
            state->cv.notify_one();
        }
    });
    TSpinScore& score = wait == CallWait::PageLoad ? pageScore_ : callScore_;
    if (wait != CallWait::Sleep && score.ShouldSpin()) {
        const auto until = Clock::now() + (wait == CallWait::PageLoad ? kPageSpin : kCallSpin);
        while (!state->done.load() && Clock::now() < until) CpuRelax();
        score.Record(state->done.load());
    }
    if (!state->done.load()) {
        std::unique_lock lock(state->mutex);
        state->sleeping.store(true);
        state->cv.wait(lock, [&] { return state->done.load(); });
    }
    // Taken out of the shared state: the exception is then released on this thread only.
    if (std::exception_ptr error = std::exchange(state->error, nullptr))
        std::rethrow_exception(error);
}

}  // namespace tessaly
