#include "harvest/FDLManager.h"

#include "harvest/FilesIndex.h"

namespace tessaly {

TFDLManager::TFDLManager(TDownloaderPool& pool, int maxRunning, TBatch batch)
    : TItemManager(pool, static_cast<int>(batch.urls.size()), maxRunning),
      batch_(std::move(batch)),
      results_(batch_.urls.size(), TFDLItem::TResult::Cancelled),
      why_(batch_.urls.size()),
      paths_(batch_.urls.size()),
      running_(batch_.urls.size()) {
    // A file is one download: the folder's files run side by side on this manager's thread.
    RunOnTransferLoop();
}

TFDLManager::~TFDLManager() {
    // The items use this object's state: they end before it goes.
    if (!Finished()) Stop();
    Join();
}

namespace {

DownloadStatus StatusOf(TFDLItem::TResult result) {
    switch (result) {
        case TFDLItem::TResult::Saved:
            return dsOk;
        case TFDLItem::TResult::Failed:
            return dsError;
        case TFDLItem::TResult::Locked:
        case TFDLItem::TResult::Cancelled:
        case TFDLItem::TResult::Throttled:
            return dsSkipped;
    }
    return dsError;
}

}  // namespace

DownloadStatus TFDLManager::RunItem(int index, THttpClient& client) {
    const auto i = static_cast<std::size_t>(index);
    TFDLItem item(batch_.urls[i], batch_.folderPath, batch_.filesFolder, batch_.referrer,
                  batch_.timeOut);
    results_[i] = item.Run(client);
    why_[i] = item.Why();
    paths_[i] = item.Path();
    return StatusOf(results_[i]);
}

std::optional<TItemManager::TDownload> TFDLManager::PrepareItem(int index, DownloadStatus& status) {
    const auto i = static_cast<std::size_t>(index);
    auto item = std::make_unique<TFDLItem>(batch_.urls[i], batch_.folderPath, batch_.filesFolder,
                                           batch_.referrer, batch_.timeOut);
    paths_[i] = item->Path();
    if (const auto ready = item->Prepare(); ready != TFDLItem::TResult::Saved) {
        results_[i] = ready;
        why_[i] = item->Why();
        status = StatusOf(ready);
        return std::nullopt;
    }
    TDownload download{item->Url(), item->Path(), item->Referrer(), item->TimeOut(), item->Check()};
    running_[i] = std::move(item);
    return download;
}

DownloadStatus TFDLManager::FinishItem(int index, THttpClient& client, bool ok,
                                       const std::exception_ptr& error) {
    const auto i = static_cast<std::size_t>(index);
    TFDLItem& item = *running_[i];
    results_[i] = TFDLItem::TResult::Failed;
    const TFDLItem::TResult result = item.Finish(client, ok, error);
    if (result == TFDLItem::TResult::Throttled) {
        // Not over: the same download again once the service has had its rest.
        results_[i] = TFDLItem::TResult::Cancelled;
        RunAgainAfter(item.ThrottleWait() * 1000);
        return dsProgress;
    }
    results_[i] = result;
    why_[i] = item.Why();
    running_[i].reset();
    return StatusOf(result);
}

void TFDLManager::ItemEnded(int index, DownloadStatus status) {
    const auto i = static_cast<std::size_t>(index);
    if (outcome_.Count(status, results_[i] == TFDLItem::TResult::Locked, why_[i], paths_[i]))
        done_.push_back(batch_.urls[i]);
}

void TFDLManager::ItemRaised(int index, const std::string& why) {
    const auto i = static_cast<std::size_t>(index);
    results_[i] = TFDLItem::TResult::Failed;
    why_[i] = why + " (" + batch_.urls[i] + ")";
}

void TFDLManager::BatchEnded() {
    // Every item has ended: the done list no longer changes.
    outcome_.indexFailure = TFilesIndex::Record(batch_.indexPath, batch_.folderPath, done_);
}

TFDLManager::TOutcome TFDLManager::Outcome() const {
    return outcome_;
}

}  // namespace tessaly
