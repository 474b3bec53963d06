#include "harvest/FDLItem.h"

#include "files/SafeNames.h"
#include "harvest/YahooBase.h"
#include "net/HttpClient.h"
#include "platform/FileLock.h"
#include "platform/ImageViewer.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {

TFDLItem::TFDLItem(std::string url, std::string folderPath, std::string filesFolder,
                   std::string referrer, int timeOut)
    : url_(std::move(url)),
      folderPath_(std::move(folderPath)),
      referrer_(std::move(referrer)),
      timeOut_(timeOut),
      path_(GetLinkFileName(url_, folderPath_, filesFolder)) {}

std::string TFDLItem::GetLinkFileName(const std::string& url, const std::string& folderPath,
                                      const std::string& filesFolder) {
    const auto slash = url.rfind('/');
    const std::string last = slash == std::string::npos ? url : url.substr(slash + 1);
    const std::string name = SafeSegment(CreateProperFilename(Trim(UrlDecode(last))));
    return filesFolder + SafeFolderPath(folderPath) + name;
}

TFDLItem::TResult TFDLItem::Run(THttpClient& client) {
    if (!TYahooBase::EnsureFolderFor(path_)) {
        why_ = "cannot create the folder of " + path_;
        return TResult::Failed;
    }
    if (IsFileLocked(path_)) {
        why_ = "held open by another program: " + path_;
        return TResult::Locked;
    }
    client.Referer = referrer_;
    client.TimeOut = timeOut_;
    bool ok = false;
    try {
        ok = client.GetToFile(url_, path_);
    } catch (const EFileError& e) {
        why_ = e.what();
        return TResult::Failed;
    }
    statusCode_ = client.StatusCode();
    if (!ok && client.CancelFlag != nullptr && client.CancelFlag->load()) return TResult::Cancelled;
    if (!ok) {
        why_ =
            (client.StatusText.empty() ? std::string("the download failed") : client.StatusText) +
            " (" + url_ + ")";
        return TResult::Failed;
    }
    AnnouncePreview(path_);
    return TResult::Saved;
}

}  // namespace tessaly
