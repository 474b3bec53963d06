#include "harvest/FDLItem.h"

#include <algorithm>

#include "files/SafeNames.h"
#include "harvest/ItemCheck.h"
#include "harvest/ItemTransfer.h"
#include "harvest/Throttling.h"
#include "harvest/YahooBase.h"
#include "net/HttpClient.h"
#include "platform/FileLock.h"
#include "platform/ImageViewer.h"
#include "platform/TemporaryFiles.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {

namespace {

// The longest save name: its temporary, written beside it until the file is complete, is
// "." + name + the temporary mark + six characters, and must fit a name of the file system too.
constexpr std::size_t kMaxSaveName = kMaxNameBytes - 1 - kTemporaryMark.size() - 6;

}  // namespace

// The name cut to kMaxSaveName bytes (between two UTF-8 characters), keeping a short extension.
std::string TFDLItem::FitSaveName(std::string name) {
    if (name.size() <= kMaxSaveName) return name;
    const auto dot = name.rfind('.');
    const std::string ext =
        dot != std::string::npos && dot > 0 && name.size() - dot <= 16 ? name.substr(dot) : "";
    std::size_t keep = kMaxSaveName - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep) + ext;
}

TFDLItem::TFDLItem(std::string url, std::string folderPath, std::string filesFolder,
                   std::string referrer, int timeOut)
    : url_(std::move(url)),
      folderPath_(std::move(folderPath)),
      referrer_(std::move(referrer)),
      timeOut_(timeOut),
      path_(GetLinkFileName(url_, folderPath_, filesFolder)) {}

std::string TFDLItem::GetLinkFileName(const std::string& url, const std::string& folderPath,
                                      const std::string& filesFolder) {
    // A link that ends with "/" (the file store serves such names too) is named by its last
    // segment that has a name.
    std::string_view link = url;
    while (!link.empty() && link.back() == '/') link.remove_suffix(1);
    const auto slash = link.rfind('/');
    const std::string last(slash == std::string_view::npos ? link : link.substr(slash + 1));
    const std::string name = FitSaveName(SafeSegment(CreateProperFilename(Trim(UrlDecode(last)))));
    return filesFolder + SafeFolderPath(folderPath) + name;
}

namespace {

// The folder each thread made (and looked up) last: the files of a folder come one after
// another, so the folder is made once, not once per file. Should it vanish meanwhile, the save
// fails and says so, and the next file makes it again.
thread_local std::string madeFolder;

}  // namespace

TFDLItem::TResult TFDLItem::Prepare() {
    const std::string folder = path_.substr(0, path_.rfind('/') + 1);
    if (folder != madeFolder) {
        if (!TYahooBase::EnsureFolderFor(path_)) {
            why_ = "cannot create the folder of " + path_;
            return TResult::Failed;
        }
        madeFolder = folder;
    }
    if (IsFileLocked(path_)) {
        why_ = "held open by another program: " + path_;
        return TResult::Locked;
    }
    return TResult::Saved;
}

TFDLItem::TResult TFDLItem::Run(THttpClient& client) {
    if (const TResult ready = Prepare(); ready != TResult::Saved) return ready;
    client.Referer = referrer_;
    client.TimeOut = timeOut_;
    client.CheckBody = Check();
    for (;;) {
        bool ok = false;
        std::exception_ptr error;
        try {
            ok = client.GetToFile(url_, path_);
        } catch (const EFileError&) {
            error = std::current_exception();
        }
        const TResult result = Finish(client, ok, error);
        if (result != TResult::Throttled) {
            client.CheckBody = nullptr;
            return result;
        }
        if (!WaitOutThrottle(throttled_ - 1, client.CancelFlag)) {
            client.CheckBody = nullptr;
            return TResult::Cancelled;
        }
    }
}

std::function<std::string(const THttpClient&, std::string_view)> TFDLItem::Check() const {
    return ItemCheck(ExtractFileName(path_), false);
}

int TFDLItem::ThrottleWait() const {
    return kThrottleWaits[std::min(throttled_, kThrottleRetries) - 1];
}

TFDLItem::TResult TFDLItem::Finish(THttpClient& client, bool ok, const std::exception_ptr& error) {
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const EFileError& e) {
            why_ = e.what();
            madeFolder.clear();
            return TResult::Failed;
        }
    }
    statusCode_ = client.StatusCode();
    if (!ok && client.CancelFlag != nullptr && client.CancelFlag->load()) return TResult::Cancelled;
    if (!ok && IsThrottledAnswer(client)) {
        if (throttled_ < kThrottleRetries) {
            ++throttled_;
            return TResult::Throttled;
        }
        why_ = ThrottledFailure(throttled_ + 1, url_);
        return TResult::Failed;
    }
    if (!ok) {
        why_ = ItemFailure(client, timeOut_, url_);
        return TResult::Failed;
    }
    AnnouncePreview(path_);
    return TResult::Saved;
}

}  // namespace tessaly
