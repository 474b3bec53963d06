#pragma once
// The parallel item downloads of the Files and attachment sections, one machinery for both.
//
// TDownloaderPool: a bounded set of downloader threads for one group, each with an HTTP client of
// its own whose connection stays open from item to item; all share the member's cookie store.
// TItemManager: one batch of items (the files of one folder, the attachments of one message). It
// starts items on the pool while slots are free, counts how they end and, when the batch is
// over, lets the section record what arrived.
//
// Every wait of the manager and of the walk that watches it goes through the pacing clock and
// also ends at once when an item ends (WaitForChange): at pacing 0 nothing spins and nothing waits
// for nothing; at the designed pacing the designed cadence holds. Stopping is explicit: no new
// items start, running transfers are cancelled, and the batch is over only when every item it
// started has ended.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "status/DownloadStatus.h"

namespace tessaly {

class THttpClient;
class TCookieStore;
class TParallelRequests;

class TDownloaderPool {
public:
    // `size` downloaders at most (started when first needed); their clients use `cookies`
    // (the member's store when null).
    explicit TDownloaderPool(int size, TCookieStore* cookies = nullptr);
    ~TDownloaderPool();  // cancels what runs and joins every downloader
    TDownloaderPool(const TDownloaderPool&) = delete;
    TDownloaderPool& operator=(const TDownloaderPool&) = delete;

    [[nodiscard]] int Size() const { return size_; }
    // Runs the task on a free downloader with that downloader's client. Callers keep at most
    // Size() tasks running; more wait their turn.
    void Run(std::function<void(THttpClient&)> task);
    // Ends every running transfer as soon as it can, and every later one at once.
    void Cancel();
    [[nodiscard]] bool Cancelled() const { return cancel_; }

    // For batches that run their transfers side by side on the manager's own thread: the
    // pool's Size() clients and the requests they run on, kept from batch to batch so that
    // their connections stay open. One batch at a time uses them.
    [[nodiscard]] TParallelRequests& Requests() { return *requests_; }
    [[nodiscard]] THttpClient& LoopClient(int i) {
        return *loopClients_.at(static_cast<std::size_t>(i));
    }
    // A batch waiting on Requests() looks at its state again at once.
    void Wake();

private:
    void Loop();

    const int size_;
    TCookieStore* cookies_;
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void(THttpClient&)>> tasks_;
    int idle_ = 0;
    bool quit_ = false;
    std::vector<std::thread> threads_;
    std::vector<std::unique_ptr<THttpClient>> loopClients_;
    std::unique_ptr<TParallelRequests> requests_;
};

// What became of the items of a batch of files or pictures, counted as they end.
struct TBatchOutcome {
    int saved = 0;
    int failed = 0;
    std::vector<std::string> locked;  // paths left alone, held open by another program
    std::string firstFailure;         // why the first failed item failed
    std::string indexFailure;         // why the index could not be written ("" when it was)

    // Counts an item that ended with `status` (`locked`: it was left alone, its file held open
    // at `path`); true when it was saved.
    bool Count(DownloadStatus status, bool locked, const std::string& why, const std::string& path);
};

class TItemManager {
public:
    struct TCounts {
        int started = 0;  // items taken from the batch (started or skipped)
        int total = 0;
        int running = 0;
        int ended = 0;  // items ended, skipped ones included
        int ok = 0;     // items that ended dsOk or dsCompleted
    };

    // A batch of `total` items, at most `maxRunning` at once (never more than the pool has).
    TItemManager(TDownloaderPool& pool, int total, int maxRunning);
    virtual ~TItemManager();  // stops a batch still running, and waits for it
    TItemManager(const TItemManager&) = delete;
    TItemManager& operator=(const TItemManager&) = delete;

    // Runs the batch on a thread of its own.
    void Start();
    // No new item starts; running ones finish.
    void RequestTermination();
    // No new item starts; running transfers are cancelled.
    void Stop();
    [[nodiscard]] TCounts Counts() const;
    [[nodiscard]] bool Finished() const { return finished_; }
    // Waits `designedMs` on the pacing clock (at pacing 0 a short real-time step, so stop requests
    // are seen), or less: until an item ends or the batch is over.
    void WaitForChange(int designedMs);
    // Waits until the batch is over.
    void Join();

    // The designed step of the manager's loop.
    static constexpr int kPollMs = 100;

protected:
    // On a downloader's thread: the work of item `index` with that downloader's client.
    virtual DownloadStatus RunItem(int index, THttpClient& client) = 0;
    // Whether item `index` is passed over instead of started (it counts as ended, not as ok).
    // Called under the manager's lock, on the manager's or a downloader's thread.
    [[nodiscard]] virtual bool SkipItem(int /*index*/) { return false; }
    // Under the manager's lock, when item `index` ended: the section's own counting.
    virtual void ItemEnded(int /*index*/, DownloadStatus /*status*/) {}
    // Under the manager's lock, just before ItemEnded: item `index` raised a failure (`why`), so
    // it ends dsError; the section keeps `why` as the item's reason. The batch goes on.
    virtual void ItemRaised(int index, const std::string& why) = 0;
    // On the manager's thread, once every item it started has ended (not for an empty batch).
    virtual void BatchEnded() {}
    // A designed pause after each started item (0: none).
    int pauseAfterStartMs_ = 0;

    // Items whose transfer is one download into a file may instead run side by side on the
    // manager's own thread (the pool's Requests()): no downloader thread then wakes for each
    // item, which is most of what a small file costs. A section opts in with
    // RunOnTransferLoop() and gives the two halves of an item instead of RunItem.
    struct TDownload {
        std::string url;
        std::string path;
        std::string referrer;
        int timeOut = 60;
        // Judges the answer before it is kept (THttpClient::CheckBody); unset: every answer is.
        std::function<std::string(const THttpClient&, std::string_view)> check;
    };
    void RunOnTransferLoop() { onTransferLoop_ = true; }
    // Readies item `index`: its download, or none when the item ended already with `status`.
    [[nodiscard]] virtual std::optional<TDownload> PrepareItem(int index, DownloadStatus& status);
    // Judges item `index` once its download ended (`ok`: arrived whole; `error`: what the
    // download raised) with the client that ran it.
    [[nodiscard]] virtual DownloadStatus FinishItem(int index, THttpClient& client, bool ok,
                                                    const std::exception_ptr& error);
    // Called by FinishItem instead of ending the item: its download runs again after
    // `designedMs` on the pacing clock (the item keeps its client meanwhile; a stop ends it as
    // skipped). FinishItem's status is then not used.
    void RunAgainAfter(int designedMs) { againMs_ = designedMs; }

private:
    void Loop();
    void LoopOnTransfers();
    // Counts the end of item `index` (under the lock) and lets the walk know; `raised` is the
    // failure the item raised ("" when none).
    void EndItem(int index, DownloadStatus status, const std::string& raised = {});
    // Under the lock: the counting every item's end shares.
    void CountEnd(int index, DownloadStatus status, const std::string& raised);
    // Under the lock: takes the next item to start (passing over the skipped ones), or -1 when
    // none may start now.
    int TakeNext();
    // Runs item `index` on a downloader, and the batch's next ones after it where that is due.
    void Launch(int index);
    // Under the lock: lets the walk's WaitForChange see the progress (`now`, or when the last
    // time is kProgressInterval ago).
    void TellProgress(bool now);
    static constexpr std::chrono::milliseconds kProgressInterval{50};
    // Waits on the pacing clock until `until` holds or `designedMs` pass; true when it holds.
    bool PacedWait(std::unique_lock<std::mutex>& lock, int designedMs,
                   const std::function<bool()>& until);

    TDownloaderPool& pool_;
    const int total_;
    const int maxRunning_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t changes_ = 0;           // item ends and the batch's end, counted
    std::condition_variable progressed_;  // the walk's WaitForChange
    std::uint64_t progress_ = 0;
    std::chrono::steady_clock::time_point lastProgress_{};
    TCounts counts_;
    bool terminate_ = false;
    bool onTransferLoop_ = false;
    int againMs_ = -1;  // RunAgainAfter's wait for the item being finished (transfer loop only)
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace tessaly
