#include "harvest/ItemDownloads.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "net/HttpClient.h"
#include "net/ParallelRequests.h"
#include "platform/Pacing.h"

namespace tessaly {
namespace {

// At pacing 0 a wait for an event still looks up this often: stop requests are plain flags of the
// viewer, which wake nobody.
constexpr std::chrono::milliseconds kUnpacedStep{100};

// The reason an item that raised a failure gives (never empty: an empty reason means none).
std::string RaisedText(const std::exception& e) {
    const std::string what = e.what();
    return what.empty() ? std::string("an unexpected failure") : what;
}

std::chrono::milliseconds StepOf(int designedMs) {
    if (PacingClock::Scale() == 0) return kUnpacedStep;
    return PacingClock::Scaled(std::chrono::milliseconds(designedMs));
}

}  // namespace

bool TBatchOutcome::Count(DownloadStatus status, bool wasLocked, const std::string& why,
                          const std::string& path) {
    if (status == dsOk) {
        ++saved;
        return true;
    }
    if (status == dsError) {
        ++failed;
        if (firstFailure.empty()) firstFailure = why;
    } else if (wasLocked) {
        locked.push_back(path);
    }
    return false;
}

TDownloaderPool::TDownloaderPool(int size, TCookieStore* cookies)
    : size_(std::max(1, size)),
      cookies_(cookies),
      requests_(std::make_unique<TParallelRequests>()) {
    for (int i = 0; i < size_; ++i) {
        auto client = std::make_unique<THttpClient>();
        if (cookies_ != nullptr) client->SetCookieStore(cookies_);
        client->CancelFlag = &cancel_;
        client->RecordRequestHeaders = false;  // nobody reads them; the library's tracing costs
        loopClients_.push_back(std::move(client));
    }
}

void TDownloaderPool::Cancel() {
    cancel_ = true;
    Wake();
}

void TDownloaderPool::Wake() {
    requests_->Wake();
}

TDownloaderPool::~TDownloaderPool() {
    cancel_ = true;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
    // The loop's requests end before their clients go.
    requests_.reset();
}

void TDownloaderPool::Run(std::function<void(THttpClient&)> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        // A downloader more, while every one is busy and the pool may grow.
        if (idle_ < static_cast<int>(tasks_.size()) && static_cast<int>(threads_.size()) < size_)
            threads_.emplace_back([this] { Loop(); });
    }
    wake_.notify_one();
}

void TDownloaderPool::Loop() {
    THttpClient client;  // this downloader's own, kept from item to item
    if (cookies_ != nullptr) client.SetCookieStore(cookies_);
    client.CancelFlag = &cancel_;
    client.RecordRequestHeaders = false;  // nobody reads them; the library's tracing costs
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return quit_ || !tasks_.empty(); });
        --idle_;
        if (tasks_.empty()) return;  // quit, nothing left
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task(client);
        lock.lock();
    }
}

TItemManager::TItemManager(TDownloaderPool& pool, int total, int maxRunning)
    : pool_(pool), total_(std::max(0, total)), maxRunning_(std::clamp(maxRunning, 1, pool.Size())) {
    counts_.total = total_;
}

TItemManager::~TItemManager() {
    // A batch that is over leaves the pool as it was, for the next batch of the group; one still
    // running is stopped, cancelling its transfers.
    if (thread_.joinable() && !finished_) Stop();
    Join();
}

void TItemManager::Start() {
    if (thread_.joinable() || finished_) return;
    thread_ = std::thread([this] { onTransferLoop_ ? LoopOnTransfers() : Loop(); });
}

void TItemManager::RequestTermination() {
    {
        std::lock_guard lock(mutex_);
        terminate_ = true;
    }
    changed_.notify_all();
    pool_.Wake();
}

std::optional<TItemManager::TDownload> TItemManager::PrepareItem(int /*index*/,
                                                                 DownloadStatus& status) {
    status = dsError;  // a section on the transfer loop gives its items' halves
    return std::nullopt;
}

DownloadStatus TItemManager::FinishItem(int /*index*/, THttpClient& /*client*/, bool /*ok*/,
                                        const std::exception_ptr& /*error*/) {
    return dsError;
}

void TItemManager::Stop() {
    pool_.Cancel();
    RequestTermination();
}

TItemManager::TCounts TItemManager::Counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

void TItemManager::Join() {
    if (thread_.joinable()) thread_.join();
}

void TItemManager::WaitForChange(int designedMs) {
    std::unique_lock lock(mutex_);
    const std::uint64_t seen = progress_;
    progressed_.wait_for(lock, StepOf(designedMs),
                         [&] { return progress_ != seen || finished_.load(); });
}

void TItemManager::TellProgress(bool now) {
    // The walk shows the progress on a status line: waking it for every item of a fast batch
    // would cost more than the items, so it hears of them at most every kProgressInterval.
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - lastProgress_ < kProgressInterval) return;
    lastProgress_ = time;
    ++progress_;
    progressed_.notify_all();
}

bool TItemManager::PacedWait(std::unique_lock<std::mutex>& lock, int designedMs,
                             const std::function<bool()>& until) {
    if (PacingClock::Scale() == 0) {
        // Nothing is waited for its own sake; only what `until` waits for.
        changed_.wait(lock, until);
        return true;
    }
    return changed_.wait_for(lock, PacingClock::Scaled(std::chrono::milliseconds(designedMs)),
                             until);
}

int TItemManager::TakeNext() {
    while (counts_.started < total_ && counts_.running < maxRunning_) {
        const int index = counts_.started++;
        if (SkipItem(index)) {
            ++counts_.ended;
            continue;
        }
        ++counts_.running;
        return index;
    }
    return -1;
}

void TItemManager::Launch(int index) {
    pool_.Run([this, index](THttpClient& client) {
        for (int item = index; item >= 0;) {
            DownloadStatus status = dsError;
            std::string raised;
            try {
                status = pool_.Cancelled() ? dsSkipped : RunItem(item, client);
            } catch (const std::exception& e) {
                raised = RaisedText(e);  // the item failed, with this reason; the batch goes on
            }
            // Told under the lock: once it is released, the batch may be over and the manager
            // gone.
            std::lock_guard lock(mutex_);
            CountEnd(item, status, raised);
            // With no designed step between two starts (pacing 0), the downloader that is free
            // takes the batch's next item itself: no hand-over to the manager and back.
            item = !terminate_ && !pool_.Cancelled() && PacingClock::Scale() == 0 ? TakeNext() : -1;
            TellProgress(false);
            if (item < 0) changed_.notify_all();
        }
    });
}

void TItemManager::Loop() {
    std::unique_lock lock(mutex_);
    while (total_ > 0) {
        if (terminate_) break;
        bool acted = false;
        if (counts_.started >= total_) {
            if (counts_.running == 0) break;
        } else if (counts_.running < maxRunning_) {
            acted = true;
            const int index = TakeNext();
            if (index >= 0) {
                Launch(index);
                // A pause for its own sake: none at pacing 0.
                if (pauseAfterStartMs_ > 0 && PacingClock::Scale() > 0)
                    PacedWait(lock, pauseAfterStartMs_, [this] { return terminate_; });
            }
        }
        if (acted) {
            // The designed step between two starts (none at pacing 0).
            if (PacingClock::Scale() > 0) PacedWait(lock, kPollMs, [this] { return terminate_; });
        } else {
            // Nothing to start: wait for an item to end (or the designed step).
            const std::uint64_t seen = changes_;
            PacedWait(lock, kPollMs, [&] { return terminate_ || changes_ != seen; });
        }
    }
    // The batch is over when every item it started has ended (cancelled ones end at once).
    changed_.wait(lock, [this] { return counts_.running == 0; });
    lock.unlock();
    if (total_ > 0) BatchEnded();
    lock.lock();
    finished_ = true;
    ++changes_;
    changed_.notify_all();
    TellProgress(true);
}

void TItemManager::CountEnd(int index, DownloadStatus status, const std::string& raised) {
    --counts_.running;
    ++counts_.ended;
    if (!raised.empty()) {
        status = dsError;
        ItemRaised(index, raised);
    }
    if (status == dsOk || status == dsCompleted) ++counts_.ok;
    ItemEnded(index, status);
    ++changes_;
}

void TItemManager::EndItem(int index, DownloadStatus status, const std::string& raised) {
    std::lock_guard lock(mutex_);
    CountEnd(index, status, raised);
    TellProgress(false);
}

void TItemManager::LoopOnTransfers() {
    using Clock = std::chrono::steady_clock;
    TParallelRequests& requests = pool_.Requests();
    const auto slots = static_cast<std::size_t>(maxRunning_);
    std::vector<int> itemOn(slots, -1);  // client -> its item
    std::vector<TDownload> downloadOn(slots);
    std::vector<std::optional<Clock::time_point>> againAt(slots);  // a download to run again
    auto slotOf = [&](const THttpClient* client) {
        for (int i = 0; i < maxRunning_; ++i)
            if (&pool_.LoopClient(i) == client) return i;
        return -1;
    };
    auto startOn = [&](std::size_t slot) {
        const TDownload& download = downloadOn[slot];
        THttpClient& client = pool_.LoopClient(static_cast<int>(slot));
        client.Referer = download.referrer;
        client.TimeOut = download.timeOut;
        client.CheckBody = download.check;
        requests.Start(client, download.url, download.path);
    };
    auto finish = [&](const TParallelRequests::TEnded& e) {
        const int slot = slotOf(e.client);
        if (slot < 0) return;
        const auto s = static_cast<std::size_t>(slot);
        const int index = itemOn[s];
        itemOn[s] = -1;
        DownloadStatus status = dsError;
        std::string raised;
        againMs_ = -1;
        try {
            status = FinishItem(index, *e.client, e.ok, e.error);
        } catch (const std::exception& ex) {
            raised = RaisedText(ex);  // the item failed, with this reason; the batch goes on
        }
        if (againMs_ >= 0) {
            itemOn[s] = index;
            againAt[s] = Clock::now() + PacingClock::Scaled(std::chrono::milliseconds(againMs_));
            return;
        }
        EndItem(index, status, raised);
    };
    const bool paced = PacingClock::Scale() > 0;
    // The designed step between two starts (none at pacing 0), the pause after each included.
    const auto startStep = paced ? PacingClock::Scaled(std::chrono::milliseconds(
                                       kPollMs + std::max(0, pauseAfterStartMs_)))
                                 : std::chrono::milliseconds(0);
    auto nextStart = Clock::now();
    for (;;) {
        bool stopping = false;
        bool more = false;
        {
            std::lock_guard lock(mutex_);
            stopping = terminate_ || pool_.Cancelled();
            more = counts_.started < total_;
            if ((stopping || !more) && counts_.running == 0) break;
        }
        if (pool_.Cancelled()) {
            for (const auto& e : requests.CancelAll()) finish(e);
            // Downloads waiting to run again end now.
            for (std::size_t s = 0; s < slots; ++s) {
                if (!againAt[s]) continue;
                againAt[s].reset();
                EndItem(std::exchange(itemOn[s], -1), dsSkipped);
            }
        }
        // Runs again the downloads whose wait is over.
        for (std::size_t s = 0; s < slots; ++s) {
            if (!againAt[s] || Clock::now() < *againAt[s]) continue;
            againAt[s].reset();
            startOn(s);
        }
        // Starts items while a client is free and a start is due.
        while (!stopping && more && Clock::now() >= nextStart) {
            int slot = 0;
            while (slot < maxRunning_ && itemOn[static_cast<std::size_t>(slot)] >= 0) ++slot;
            if (slot == maxRunning_) break;
            int index = -1;
            {
                std::lock_guard lock(mutex_);
                index = TakeNext();
                more = counts_.started < total_;
            }
            if (index < 0) break;
            DownloadStatus status = dsError;
            std::optional<TDownload> download;
            std::string raised;
            try {
                download = PrepareItem(index, status);
            } catch (const std::exception& e) {
                raised = RaisedText(e);
                download.reset();
            }
            if (!download) {
                EndItem(index, status, raised);
                continue;
            }
            const auto s = static_cast<std::size_t>(slot);
            itemOn[s] = index;
            downloadOn[s] = std::move(*download);
            startOn(s);
            if (paced) nextStart = Clock::now() + startStep;
        }
        // Waits for an item to end, a start or a download's next run to fall due, or a stop; at
        // pacing 0 never for its own sake, and the stop requests (plain flags) are looked at
        // every kUnpacedStep.
        bool slotFree = false;
        for (int i : itemOn) slotFree = slotFree || i < 0;
        std::chrono::milliseconds wait =
            paced ? PacingClock::Scaled(std::chrono::milliseconds(kPollMs)) : kUnpacedStep;
        auto until = [](Clock::time_point when) {
            return std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now());
        };
        if (!stopping && more && slotFree)
            wait = std::clamp(until(nextStart), std::chrono::milliseconds(0), wait);
        for (const auto& at : againAt)
            if (at) wait = std::clamp(until(*at), std::chrono::milliseconds(0), wait);
        for (const auto& e : requests.Run(wait)) finish(e);
    }
    // The batch is over: every item it started has ended.
    if (total_ > 0) BatchEnded();
    std::lock_guard lock(mutex_);
    finished_ = true;
    ++changes_;
    changed_.notify_all();
    TellProgress(true);
}

}  // namespace tessaly
