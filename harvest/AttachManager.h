#pragma once
// TADLManager: the attachments of one message, downloaded as one batch on the group's downloader
// pool (at most intThreadCount at once, with the optional pause after each started item). Every
// item's file is named when the batch is made, in item order; items with a program's extension
// are passed over. When the batch is over it tells how the message went: blocked when the
// service refused a file, an error when any other file failed (with the reason of the first
// failure and how many failed), else completed; and which files were skipped because another
// program held them.

#include <mutex>
#include <string>
#include <vector>

#include "harvest/AttachItem.h"
#include "harvest/AttachmentNames.h"
#include "harvest/ItemDownloads.h"

namespace tessaly {

class TYahooAttachmentDownload;

class TADLManager : public TItemManager {
public:
    struct TSettings {
        int scheme = 0;      // the naming scheme
        int maxRunning = 1;  // intThreadCount
        bool delayEnabled = false;
        int delaySeconds = 0;  // after each started item, when enabled (10..500)
        int timeOut = 60;      // seconds the service may stay silent (intTimeOut)
    };

    // A batch of item strings of one message of `site`'s group; files go below `folder` and
    // their paths are claimed in `names` (save `names` before the batch starts).
    TADLManager(TDownloaderPool& pool, const TYahooAttachmentDownload& site,
                const std::vector<std::string>& items, const std::string& folder,
                TAttachmentNames& names, const TSettings& settings);
    ~TADLManager() override;

    // Once the batch is over: how the message went, why it failed, the files held by another
    // program.
    [[nodiscard]] DownloadStatus Overall() const;
    [[nodiscard]] std::string Failure() const;
    [[nodiscard]] int FailedCount() const;
    [[nodiscard]] std::vector<std::string> InUse() const;

protected:
    DownloadStatus RunItem(int index, THttpClient& client) override;
    bool SkipItem(int index) override;
    void ItemEnded(int index, DownloadStatus status) override;
    void ItemRaised(int index, const std::string& why) override;

private:
    struct TJob {
        TAttachmentItem item;
        std::string path;
        std::string referrer;
        bool skip = false;    // a program's extension
        std::string failure;  // written by the item's downloader, read when the item ended
    };
    static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }

    const int timeOut_;
    std::vector<TJob> jobs_;
    mutable std::mutex mutex_;
    DownloadStatus overall_ = dsCompleted;
    std::string failure_;
    int failed_ = 0;  // items that failed (refused ones included)
    std::vector<std::string> inUse_;
};

}  // namespace tessaly
