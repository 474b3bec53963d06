#include "harvest/TextThread.h"

#include "settings/DownloadOptions.h"

namespace tessaly {

DownloadStatus TTextThread::DownloadMessage(int /*row*/, int number, TYahooAttachmentDownload& site,
                                            TPagePtr& page) {
    if (!site.FetchMessage(number, page)) return dsError;
    QueueWrite([this, grab = GrabTask(page), folder = site.MessagesFolder(),
                dateFormat = options_.boolUseMessageDateFormat, number, page] {
        if (grab) grab();
        if (SavingStopped()) return;  // the walk is ending; nothing after a lost message
        std::string why;
        if (TYahooAttachmentDownload::WriteMessageFile(folder, dateFormat, number, page->Source(),
                                                       folder == madeFolder_, &why)) {
            madeFolder_ = folder;
            Saved(number);
        } else {
            madeFolder_.clear();
            NotSaved(number, why);
        }
    });
    return dsCompleted;
}

}  // namespace tessaly
