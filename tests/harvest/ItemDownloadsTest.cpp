// The shared machinery of parallel item downloads: bounded parallelism, skipped items, the end
// of a batch, stopping, and the designed cadence.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "harvest/ItemDownloads.h"
#include "net/HttpClient.h"
#include "platform/Pacing.h"

namespace tessaly {
namespace {

using namespace std::chrono_literals;

// A batch whose items wait until released (or cancelled) and record what they saw.
class ProbeManager : public TItemManager {
public:
    ProbeManager(TDownloaderPool& pool, int total, int maxRunning, std::set<int> skipped = {},
                 int pauseAfterStartMs = 0)
        : TItemManager(pool, total, maxRunning), skipped_(std::move(skipped)) {
        pauseAfterStartMs_ = pauseAfterStartMs;
    }
    std::atomic<int> now{0}, most{0};
    std::atomic<bool> release{true};
    std::chrono::milliseconds work{2};
    std::vector<std::pair<int, DownloadStatus>> ended;  // under the manager's lock
    std::map<int, std::string> raised;                  // under the manager's lock
    std::atomic<int> batchEnds{0};

protected:
    DownloadStatus RunItem(int index, THttpClient& client) override {
        const int running = ++now;
        for (int m = most; running > m && !most.compare_exchange_weak(m, running);) {
        }
        while (!release && client.CancelFlag != nullptr && !client.CancelFlag->load())
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(work);
        --now;
        if (client.CancelFlag != nullptr && client.CancelFlag->load()) return dsSkipped;
        if (index % 7 == 6) throw std::runtime_error("item " + std::to_string(index) + " broke");
        return index % 5 == 4 ? dsError : dsOk;
    }
    bool SkipItem(int index) override { return skipped_.count(index) != 0; }
    void ItemEnded(int index, DownloadStatus status) override { ended.emplace_back(index, status); }
    void ItemRaised(int index, const std::string& why) override { raised[index] = why; }
    void BatchEnded() override {
        EXPECT_EQ(Counts().running, 0);  // only once everything started has ended
        ++batchEnds;
    }

private:
    std::set<int> skipped_;
};

TEST(ItemDownloads, ABatchRunsBoundedAndCountsEveryEnd) {
    PacingClock::SetScale(0);
    for (int max : {1, 3, 9}) {
        SCOPED_TRACE(max);
        TDownloaderPool pool(max);
        ProbeManager batch(pool, 30, max, {2, 7});
        batch.Start();
        while (!batch.Finished()) batch.WaitForChange(500);
        batch.Join();
        const auto counts = batch.Counts();
        EXPECT_EQ(counts.started, 30);
        EXPECT_EQ(counts.ended, 30);
        EXPECT_EQ(counts.running, 0);
        // Skipped 2 and 7, failed every fifth, and 6, 13, 20 and 27 raised a failure.
        EXPECT_EQ(counts.ok, 30 - 2 - 6 - 4);
        EXPECT_EQ(batch.ended.size(), 28u);
        // An item that raised ends as a failure, with what it raised as its reason.
        const std::map<int, std::string> raised{{6, "item 6 broke"},
                                                {13, "item 13 broke"},
                                                {20, "item 20 broke"},
                                                {27, "item 27 broke"}};
        EXPECT_EQ(batch.raised, raised);
        for (const auto& [index, status] : batch.ended)
            EXPECT_EQ(status == dsError, raised.count(index) != 0 || index % 5 == 4) << index;
        EXPECT_EQ(batch.batchEnds, 1);
        EXPECT_LE(batch.most, max);
        if (max == 3) {
            EXPECT_EQ(batch.most, 3);  // and it does run them side by side
        }
    }
    // An empty batch is over at once, with nothing to record.
    TDownloaderPool pool(2);
    ProbeManager none(pool, 0, 2);
    none.Start();
    none.Join();
    EXPECT_TRUE(none.Finished());
    EXPECT_EQ(none.batchEnds, 0);
}

// A second batch on the same pool reuses its downloaders (and so their connections), and runs its
// items: a batch that is over leaves the pool usable.
TEST(ItemDownloads, BatchesShareThePoolsDownloaders) {
    PacingClock::SetScale(0);
    TDownloaderPool pool(2);
    std::set<const THttpClient*> seen;
    for (int batch = 0; batch < 3; ++batch) {
        class Recording : public TItemManager {
        public:
            Recording(TDownloaderPool& p, std::set<const THttpClient*>& s)
                : TItemManager(p, 4, 2), seen_(s) {}
            std::mutex m;

        protected:
            DownloadStatus RunItem(int, THttpClient& client) override {
                std::lock_guard lock(m);
                seen_.insert(&client);
                return dsOk;
            }
            void ItemRaised(int index, const std::string& why) override {
                ADD_FAILURE() << "item " << index << " raised " << why;
            }

        private:
            std::set<const THttpClient*>& seen_;
        } recording(pool, seen);
        recording.Start();
        recording.Join();
        EXPECT_EQ(recording.Counts().ok, 4) << "batch " << batch;
    }
    EXPECT_LE(seen.size(), 2u);
}

// Stop: no new items, running transfers cancelled, and the batch is over only after they ended.
TEST(ItemDownloads, StopCancelsRunningItemsAndStartsNoMore) {
    PacingClock::SetScale(0);
    TDownloaderPool pool(3);
    ProbeManager batch(pool, 50, 3);
    batch.release = false;  // items hang until cancelled
    batch.Start();
    while (batch.Counts().running < 3) batch.WaitForChange(100);
    const auto asked = std::chrono::steady_clock::now();
    batch.Stop();
    batch.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
    const auto counts = batch.Counts();
    EXPECT_EQ(counts.started, 3);
    EXPECT_EQ(counts.ended, 3);
    EXPECT_EQ(counts.ok, 0);
    EXPECT_EQ(batch.batchEnds, 1);
    EXPECT_EQ(batch.now, 0);
}

// At the designed pacing items start one designed step apart.
TEST(ItemDownloads, TheDesignedCadenceHoldsAtPacingOne) {
    PacingClock::SetScale(1);
    TDownloaderPool pool(4);
    ProbeManager batch(pool, 4, 4);
    const auto start = std::chrono::steady_clock::now();
    batch.Start();
    batch.Join();
    PacingClock::SetScale(0);
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(3 * TItemManager::kPollMs));
    EXPECT_EQ(batch.Counts().ended, 4);
}

// The pause after each started item is a designed wait: scaled by the pacing clock, none at
// pacing 0 (where the batch must not wait for it at all).
TEST(ItemDownloads, ThePauseAfterEachStartIsPaced) {
    for (const double scale : {0.0, 0.01}) {
        SCOPED_TRACE(scale);
        PacingClock::SetScale(scale);
        TDownloaderPool pool(3);
        ProbeManager batch(pool, 3, 3, {}, 10000);
        const auto start = std::chrono::steady_clock::now();
        batch.Start();
        batch.Join();
        const auto took = std::chrono::steady_clock::now() - start;
        PacingClock::SetScale(0);
        EXPECT_EQ(batch.Counts().ended, 3);
        if (scale == 0) {
            EXPECT_LT(took, 2s);
        } else {
            EXPECT_GE(took, 300ms);  // 100 ms after each of the three starts
        }
    }
}

// A batch on the transfer loop: an item whose preparation raises a failure ends as a failure
// with that reason, and the batch goes on with the others.
TEST(ItemDownloads, AnItemThatRaisesOnTheTransferLoopFailsWithItsReason) {
    PacingClock::SetScale(0);
    class Prepared : public TItemManager {
    public:
        explicit Prepared(TDownloaderPool& p) : TItemManager(p, 6, 2) { RunOnTransferLoop(); }
        std::map<int, DownloadStatus> ended;  // under the manager's lock
        std::map<int, std::string> raised;

    protected:
        DownloadStatus RunItem(int, THttpClient&) override { return dsError; }
        // Every item ends while it is readied: saved already, or broken.
        std::optional<TDownload> PrepareItem(int index, DownloadStatus& status) override {
            if (index % 3 == 1) throw std::runtime_error("no room for " + std::to_string(index));
            status = dsOk;
            return std::nullopt;
        }
        void ItemEnded(int index, DownloadStatus status) override { ended[index] = status; }
        void ItemRaised(int index, const std::string& why) override { raised[index] = why; }
    };
    TDownloaderPool pool(2);
    Prepared batch(pool);
    batch.Start();
    batch.Join();
    EXPECT_EQ(batch.Counts().ended, 6);
    EXPECT_EQ(batch.Counts().ok, 4);
    EXPECT_EQ(batch.raised,
              (std::map<int, std::string>{{1, "no room for 1"}, {4, "no room for 4"}}));
    EXPECT_EQ(batch.ended[1], dsError);
    EXPECT_EQ(batch.ended[4], dsError);
    EXPECT_EQ(batch.ended[0], dsOk);
}

}  // namespace
}  // namespace tessaly
