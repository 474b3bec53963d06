#include "harvest/AttachItem.h"

#include "harvest/ItemCheck.h"
#include "harvest/ItemTransfer.h"
#include "harvest/YahooAttach.h"
#include "net/HttpClient.h"
#include "platform/CompanionViewer.h"
#include "platform/FileLock.h"
#include "platform/ImageViewer.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly {

TADLItem::TADLItem(std::string url, std::string path, std::string referrer, int timeOut)
    : url_(std::move(url)),
      path_(std::move(path)),
      referrer_(std::move(referrer)),
      timeOut_(timeOut) {}

DownloadStatus TADLItem::Run(THttpClient& client) {
    const std::string folder = path_.substr(0, path_.rfind('/') + 1);
    if (!ForceDirectories(folder)) {
        failure_ = "cannot create the folder " + folder;
        return dsError;
    }
    if (IsFileLocked(path_)) {
        failure_ = path_ + " is in use by another program";
        return dsSkipped;
    }
    const std::string name = ExtractFileName(path_);
    TItemFetch fetch;
    try {
        fetch = FetchItem(client, {url_, path_, name, IsPictureName(name), referrer_, timeOut_});
    } catch (const EFileError& e) {
        failure_ = std::string("cannot save ") + url_ + ": " + e.what();
        return dsError;
    }
    switch (fetch.result) {
        case TItemFetch::TResult::Saved:
            AnnouncePreview(path_);
            NotifyCompanionViewer(path_);
            return dsCompleted;
        case TItemFetch::TResult::Cancelled:
            return dsSkipped;
        case TItemFetch::TResult::Failed:
            break;
    }
    failure_ = fetch.why;
    return client.StatusCode() == 403 && TYahooAttachmentDownload::IsServiceFileLink(url_)
               ? dsBlocked
               : dsError;
}

}  // namespace tessaly
