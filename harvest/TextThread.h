#pragma once
// TTextThread: the message worker. It walks each group's archive (TMessageWalkWorker) and saves
// every message page as it comes, one file per message.

#include <string>

#include "harvest/MessageWalk.h"

namespace tessaly {

class TTextThread : public TMessageWalkWorker {
public:
    using TMessageWalkWorker::TMessageWalkWorker;
    ~TTextThread() override { Wait(); }

    // Fetches message `number` and queues its file (and what it carries) for the writer.
    DownloadStatus DownloadMessage(int row, int number, TYahooAttachmentDownload& site,
                                   TPagePtr& page);

protected:
    DownloadStatus DownloadOne(int row, int number, TYahooAttachmentDownload& site, TPagePtr& page,
                               int& saved) override {
        saved = 0;
        return DownloadMessage(row, number, site, page);
    }

private:
    std::string madeFolder_;  // on the writer: the folder the last message file went to
};

}  // namespace tessaly
