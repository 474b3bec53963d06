#pragma once
// TAttachThread: the attachment worker. It walks each group's archive like the message worker
// (TMessageWalkWorker), and of every message page it takes the files attached to or embedded in
// the message, filters them by extension and downloads them as one batch (TADLManager) on the
// group's downloader pool. The walk has no pause of its own between messages: the batches pace
// it. Stop requests are seen between messages; a running batch is finished first, so a message
// is never left half downloaded.

#include <memory>
#include <string>
#include <vector>

#include "harvest/AttachmentNames.h"
#include "harvest/ItemDownloads.h"
#include "harvest/MessageWalk.h"

namespace tessaly {

class TAttachThread : public TMessageWalkWorker {
public:
    using TMessageWalkWorker::TMessageWalkWorker;
    ~TAttachThread() override { Wait(); }

    // Fetches message `number` and downloads its files; `saved` counts the files that arrived.
    // Blocked when the service refused one of them, Error when the message page or the group's
    // attachment index failed (the site's LastFailure tells why), else Completed: a file that
    // failed otherwise is neither saved nor counted, and the walk goes on (ItemsFailed).
    DownloadStatus DownloadAttachments(int row, int number, TYahooAttachmentDownload& site,
                                       TPagePtr& page, int& saved);

protected:
    DownloadStatus DownloadOne(int row, int number, TYahooAttachmentDownload& site, TPagePtr& page,
                               int& saved) override {
        return DownloadAttachments(row, number, site, page, saved);
    }
    [[nodiscard]] TWalkPauses Pauses() const override { return {0, 0}; }
    void GroupWork(int index, const std::string& group, int first, int last) override;
    [[nodiscard]] std::string WalkNote() const override;

private:
    std::unique_ptr<TDownloaderPool> pool_;    // the group's downloaders
    std::unique_ptr<TAttachmentNames> names_;  // the group's paths, read from its index
    std::vector<std::string> inUse_;           // files of the group another program held
    int failedFiles_ = 0;                      // files of the group that failed
    int firstFailedAt_ = 0;                    // the message of the first of them
    std::string firstFailure_;                 // why it failed
};

}  // namespace tessaly
