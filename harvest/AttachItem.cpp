#include "harvest/AttachItem.h"

#include "harvest/YahooAttach.h"
#include "net/HttpClient.h"
#include "platform/CompanionViewer.h"
#include "platform/FileLock.h"
#include "platform/ImageViewer.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

// Why the client got no file, in words a user can act on.
std::string TransferFailure(const THttpClient& client) {
    if (client.StatusCode() >= 400)
        return "the service answered " + std::to_string(client.StatusCode());
    if (StartsText("Retrieval Interrupted", client.StatusText))
        return "the answer broke off before it was complete";
    if (client.ErrorCode == 12002) return "no answer from the service in time";
    return client.StatusText + " (" + std::to_string(client.ErrorCode) + ")";
}

}  // namespace

TADLItem::TADLItem(std::string url, std::string path, std::string referrer)
    : url_(std::move(url)), path_(std::move(path)), referrer_(std::move(referrer)) {}

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
    client.Referer = referrer_;
    bool arrived = false;
    try {
        arrived = client.GetToFile(url_, path_);
    } catch (const EFileError& e) {
        failure_ = std::string("cannot save ") + url_ + ": " + e.what();
        return dsError;
    }
    if (arrived) {
        AnnouncePreview(path_);
        NotifyCompanionViewer(path_);
        return dsCompleted;
    }
    failure_ = TransferFailure(client) + " (" + url_ + ")";
    return client.StatusCode() == 403 && TYahooAttachmentDownload::IsServiceFileLink(url_)
               ? dsBlocked
               : dsError;
}

}  // namespace tessaly
