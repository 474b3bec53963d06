#include "harvest/FDLManager.h"

#include "harvest/FilesIndex.h"

namespace tessaly {

TFDLManager::TFDLManager(TDownloaderPool& pool, int maxRunning, TBatch batch)
    : TItemManager(pool, static_cast<int>(batch.urls.size()), maxRunning),
      batch_(std::move(batch)),
      results_(batch_.urls.size(), TFDLItem::TResult::Cancelled),
      why_(batch_.urls.size()),
      paths_(batch_.urls.size()) {}

TFDLManager::~TFDLManager() {
    // The items use this object's state: they end before it goes.
    if (!Finished()) Stop();
    Join();
}

DownloadStatus TFDLManager::RunItem(int index, THttpClient& client) {
    const auto i = static_cast<std::size_t>(index);
    TFDLItem item(batch_.urls[i], batch_.folderPath, batch_.filesFolder, batch_.referrer,
                  batch_.timeOut);
    results_[i] = item.Run(client);
    why_[i] = item.Why();
    paths_[i] = item.Path();
    switch (results_[i]) {
        case TFDLItem::TResult::Saved:
            return dsOk;
        case TFDLItem::TResult::Failed:
            return dsError;
        case TFDLItem::TResult::Locked:
        case TFDLItem::TResult::Cancelled:
            return dsSkipped;
    }
    return dsError;
}

void TFDLManager::ItemEnded(int index, DownloadStatus status) {
    const auto i = static_cast<std::size_t>(index);
    if (outcome_.Count(status, results_[i] == TFDLItem::TResult::Locked, why_[i], paths_[i]))
        done_.push_back(batch_.urls[i]);
}

void TFDLManager::BatchEnded() {
    // Every item has ended: the done list no longer changes.
    outcome_.indexFailure = TFilesIndex::Record(batch_.indexPath, batch_.folderPath, done_);
}

TFDLManager::TOutcome TFDLManager::Outcome() const {
    return outcome_;
}

}  // namespace tessaly
