#include "harvest/PDLManager.h"

#include "harvest/FilesIndex.h"
#include "harvest/YahooPhotos.h"
#include "text/TextUtils.h"

namespace tessaly {

TPDLManager::TPDLManager(TDownloaderPool& pool, TBatch batch)
    : TItemManager(pool, static_cast<int>(batch.urls.size()), batch.maxRunning),
      batch_(std::move(batch)),
      results_(batch_.urls.size(), TPDLItem::TResult::Cancelled),
      why_(batch_.urls.size()),
      paths_(batch_.urls.size()),
      viewUrls_(batch_.urls) {}

TPDLManager::~TPDLManager() {
    // The items use this object's state: they end before it goes.
    if (!Finished()) Stop();
    Join();
}

std::pair<std::string, std::string> TPDLManager::IndexEntry(const std::string& viewUrl) {
    const std::string album = Trim(TYahooPhotos::AlbumOf(viewUrl));
    return {TFilesIndex::SectionOf(album.empty() ? std::string("\\") : album),
            TFilesIndex::EncodeKey(TYahooPhotos::PhotoName(viewUrl))};
}

DownloadStatus TPDLManager::RunItem(int index, THttpClient& client) {
    const auto i = static_cast<std::size_t>(index);
    TPDLItem item(batch_.urls[i], batch_.referrer, batch_.photosFolder, batch_.timeOut);
    results_[i] = item.Run(client);
    why_[i] = item.Why();
    paths_[i] = item.Path();
    viewUrls_[i] = item.ViewURL();
    switch (results_[i]) {
        case TPDLItem::TResult::Saved:
            return dsOk;
        case TPDLItem::TResult::Failed:
            return dsError;
        case TPDLItem::TResult::Locked:
        case TPDLItem::TResult::Cancelled:
            return dsSkipped;
    }
    return dsError;
}

void TPDLManager::ItemEnded(int index, DownloadStatus status) {
    const auto i = static_cast<std::size_t>(index);
    if (outcome_.Count(status, results_[i] == TPDLItem::TResult::Locked, why_[i], paths_[i]))
        done_.push_back(viewUrls_[i]);
}

void TPDLManager::ItemRaised(int index, const std::string& why) {
    const auto i = static_cast<std::size_t>(index);
    results_[i] = TPDLItem::TResult::Failed;
    why_[i] = why + " (" + batch_.urls[i] + ")";
}

void TPDLManager::BatchEnded() {
    // Every item has ended: the done list no longer changes.
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& url : done_) entries.push_back(IndexEntry(url));
    outcome_.indexFailure = TFilesIndex::Record(batch_.indexPath, entries);
}

TPDLManager::TOutcome TPDLManager::Outcome() const {
    return outcome_;
}

}  // namespace tessaly
