#pragma once
// TTextThread: the message worker. For each group it opens the group, learns the first and last
// message numbers and walks the archive from message to message by the link to the next higher
// number, saving every page; it records the position reached in the member's group cache and,
// when asked, the group names and outside links the messages carry.

#include "BackgroundWriter.h"
#include "DownloadWorker.h"
#include "YahooAttach.h"

namespace tessaly {

class TTextThread : public TDownloadWorker {
public:
    using TDownloadWorker::TDownloadWorker;
    ~TTextThread() override { Wait(); }

    DownloadStatus DownloadMessage(int row, int number, TYahooAttachmentDownload& site,
                                   std::string& page);

protected:
    void GroupWork(int index, const std::string& group, int first, int last) override;
    [[nodiscard]] std::string ClosingGroupLine(int groups) const override;
    [[nodiscard]] std::string ClosingItemLine() const override {
        return "Completed all Message Downloads";
    }
    [[nodiscard]] int ClosingItemPosition() const override { return lastMessageOfRun_; }
    void RecordPosition(const TYahooAttachmentDownload& site, int number);

private:
    int lastMessageOfRun_ = 0;
    // Saving a message and recording its position overlap the fetch of the next one.
    TBackgroundWriter writer_;
};

}  // namespace tessaly
