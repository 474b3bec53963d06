#include "harvest/BackgroundWriter.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

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
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        if (tasks_.size() >= kMaxPending) {
            ++roomWaiters_;
            room_.wait(lock, [this] { return tasks_.size() <= kMaxPending / 2; });
            --roomWaiters_;
            if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        }
        tasks_.push_back(std::move(task));
        if (tasks_.size() < kBatch) return;  // taken with the batch, or at the next look
    }
    wake_.notify_one();
}

void TBackgroundWriter::Flush() {
    std::unique_lock lock(mutex_);
    flushing_ = true;
    wake_.notify_one();
    idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void TBackgroundWriter::Loop() {
    // Saving is background work: the walk comes first. Best effort; Add's bound keeps a starved
    // writer from letting memory grow.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kNice);
    std::unique_lock lock(mutex_);
    for (;;) {
        // Not a pause of the program: the longest a handed-over write waits for the writer.
        wake_.wait_for(lock, kBatchDelay,
                       [this] { return quit_ || flushing_ || tasks_.size() >= kBatch; });
        flushing_ = false;  // the request is taken: everything waiting is run now
        while (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            busy_ = true;
            // A full queue lets the worker on only when half of it is written: one wake-up for
            // many tasks instead of one for each.
            if (roomWaiters_ > 0 && tasks_.size() <= kMaxPending / 2) room_.notify_one();
            lock.unlock();
            try {
                task();
            } catch (...) {
                // Kept for Add or Flush, which raise it on the worker's thread. The tasks waiting
                // behind it are passed over (see Flush).
                std::lock_guard guard(mutex_);
                error_ = std::current_exception();
                tasks_.clear();
            }
            lock.lock();
            busy_ = false;
            if (roomWaiters_ > 0 && tasks_.size() <= kMaxPending / 2) room_.notify_one();
        }
        idle_.notify_all();
        if (quit_) return;
    }
}

}  // namespace tessaly
