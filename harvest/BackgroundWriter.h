#pragma once
// TBackgroundWriter: runs file and registry writes of a worker on a thread of their own, in the
// order they were handed over, so that saving one message overlaps fetching the next. Flush
// waits until everything handed over has been written.
//
// Waking a thread costs more than a small write, so the writer takes tasks in batches: it wakes
// when kBatch tasks wait, when asked to flush, or kBatchDelay after it last looked.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tessaly {

class TBackgroundWriter {
public:
    TBackgroundWriter();
    ~TBackgroundWriter();  // writes what is left, then stops
    TBackgroundWriter(const TBackgroundWriter&) = delete;
    TBackgroundWriter& operator=(const TBackgroundWriter&) = delete;

    // Hands a task over; when kMaxPending tasks are waiting, waits until half of them have run,
    // so a writer slower than the fetching never lets memory grow with the group. Raises the
    // failure of an earlier task, when one failed (the task is then not taken): the worker
    // learns at its next hand-over that what it hands over can no longer be written.
    void Add(std::function<void()> task);
    static constexpr std::size_t kMaxPending = 32;
    static constexpr std::size_t kBatch = 8;
    static constexpr std::chrono::milliseconds kBatchDelay{20};
    static constexpr int kNice = 10;  // the writer thread's scheduling niceness
    // Waits until every task handed over has run; raises the first failure of a task.
    // Once a task has failed, the tasks after it are not run until the failure has been raised
    // (by Add or Flush): they may rest on what the failed one did not write (a position behind
    // a file that is not there), and each would likely fail the same way (a store that another
    // program holds costs its whole busy time-out per write).
    void Flush();

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::condition_variable room_;
    std::deque<std::function<void()>> tasks_;
    bool busy_ = false;
    bool flushing_ = false;
    bool quit_ = false;
    int roomWaiters_ = 0;  // threads waiting in Add for room
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace tessaly
