#pragma once
// TFDLManager: the downloads of one Files folder, side by side on its own thread with the
// clients of the group's pool (at most the chosen number at once). It keeps the outcome of
// every file, and when the batch is over it records the files that arrived in the group's
// Files index.

#include <memory>
#include <string>
#include <vector>

#include "harvest/FDLItem.h"
#include "harvest/ItemDownloads.h"

namespace tessaly {

class TFDLManager : public TItemManager {
public:
    struct TBatch {
        std::vector<std::string> urls;  // the folder's files, filtered
        std::string folderPath;         // "/", "/Minutes/", ... as the service spells it
        std::string filesFolder;        // the group's Files folder, ends with "/"
        std::string referrer;           // the folder's page
        std::string indexPath;          // the group's Files index
        int timeOut = 60;               // seconds
    };

    TFDLManager(TDownloaderPool& pool, int maxRunning, TBatch batch);
    ~TFDLManager() override;
    TFDLManager(const TFDLManager&) = delete;
    TFDLManager& operator=(const TFDLManager&) = delete;

    // Once the batch is over (Finished): what became of the files.
    using TOutcome = TBatchOutcome;
    [[nodiscard]] TOutcome Outcome() const;

protected:
    DownloadStatus RunItem(int index, THttpClient& client) override;
    std::optional<TDownload> PrepareItem(int index, DownloadStatus& status) override;
    DownloadStatus FinishItem(int index, THttpClient& client, bool ok,
                              const std::exception_ptr& error) override;
    void ItemEnded(int index, DownloadStatus status) override;
    void ItemRaised(int index, const std::string& why) override;
    void BatchEnded() override;

private:
    const TBatch batch_;
    // Written by the item's downloader before it ends; read under the manager's lock in
    // ItemEnded and by the walk once the batch is over.
    std::vector<TFDLItem::TResult> results_;
    std::vector<std::string> why_;
    std::vector<std::string> paths_;
    // The items whose transfer runs (on the manager's thread).
    std::vector<std::unique_ptr<TFDLItem>> running_;
    // Under the manager's lock (ItemEnded); the done list is read by BatchEnded after every
    // item ended.
    std::vector<std::string> done_;
    TOutcome outcome_;
};

}  // namespace tessaly
