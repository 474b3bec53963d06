#pragma once
// TPDLManager: the photos of one list page, downloaded on the group's downloaders, one at a time
// unless the run asks for more (the stored choice of parallel downloads does not apply to
// Photos). It keeps the outcome of
// every photo and, when the batch is over, records the photos that arrived in the group's
// Photos index: the album ("dir=/" value as the service spells it, trimmed; "\" for the top
// level) as the section, the photo name ("DNM=" value as spelled) as the key, "Y" as the value.

#include <string>
#include <utility>
#include <vector>

#include "harvest/ItemDownloads.h"
#include "harvest/PDLItem.h"

namespace tessaly {

class TPDLManager : public TItemManager {
public:
    struct TBatch {
        std::vector<std::string> urls;  // the page's photo view links
        std::string referrer;           // the list page they were found on
        std::string photosFolder;       // the group's Photos folder, ends with "/"
        std::string indexPath;          // the group's Photos index
        int timeOut = 60;               // seconds, the page fetches' first time-out
        int maxRunning = 1;             // photos at once
    };

    TPDLManager(TDownloaderPool& pool, TBatch batch);
    ~TPDLManager() override;
    TPDLManager(const TPDLManager&) = delete;
    TPDLManager& operator=(const TPDLManager&) = delete;

    // The index entry (section, key) of the view page a photo was taken from.
    [[nodiscard]] static std::pair<std::string, std::string> IndexEntry(const std::string& viewUrl);

    // Once the batch is over (Finished): what became of the photos.
    using TOutcome = TBatchOutcome;
    [[nodiscard]] TOutcome Outcome() const;

protected:
    DownloadStatus RunItem(int index, THttpClient& client) override;
    void ItemEnded(int index, DownloadStatus status) override;
    void ItemRaised(int index, const std::string& why) override;
    void BatchEnded() override;

private:
    const TBatch batch_;
    // Written by the item's downloader before it ends; read under the manager's lock in
    // ItemEnded and by the walk once the batch is over.
    std::vector<TPDLItem::TResult> results_;
    std::vector<std::string> why_;
    std::vector<std::string> paths_;
    std::vector<std::string> viewUrls_;
    // Under the manager's lock (ItemEnded); read by BatchEnded after every item ended.
    std::vector<std::string> done_;
    TOutcome outcome_;
};

}  // namespace tessaly
