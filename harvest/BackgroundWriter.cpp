#include "BackgroundWriter.h"

namespace tessaly {

TBackgroundWriter::TBackgroundWriter() : thread_([this] { Loop(); }) {}

TBackgroundWriter::~TBackgroundWriter() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TBackgroundWriter::Add(std::function<void()> task) {
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return tasks_.size() < kMaxPending; });
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void TBackgroundWriter::Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
    if (error_) {
        auto error = error_;
        error_ = nullptr;
        std::rethrow_exception(error);
    }
}

void TBackgroundWriter::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !tasks_.empty(); });
        if (tasks_.empty()) return;  // quitting with nothing left
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        room_.notify_one();
        lock.unlock();
        try {
            task();
        } catch (...) {
            // Kept for Flush, which raises it on the worker's thread as a failure of the run.
            std::lock_guard guard(mutex_);
            if (!error_) error_ = std::current_exception();
        }
        lock.lock();
        busy_ = false;
        if (tasks_.empty()) idle_.notify_all();
    }
}

}  // namespace tessaly
