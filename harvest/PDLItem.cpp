#include "harvest/PDLItem.h"

#include "files/SafeNames.h"
#include "harvest/FDLItem.h"
#include "harvest/ItemTransfer.h"
#include "harvest/YahooBase.h"
#include "harvest/YahooPhotos.h"
#include "net/HttpClient.h"
#include "platform/FileLock.h"
#include "platform/ImageViewer.h"
#include "text/HtmlScanner.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {
namespace {

// A view page is read into memory; nothing the service sends as one is larger.
constexpr std::size_t kMaxPageBytes = 8u * 1024 * 1024;

}  // namespace

std::array<int, 6> TPDLItem::RetryTimeOuts(int timeOut) {
    return {timeOut, timeOut + 20, timeOut + 40, timeOut + 60, timeOut + 80, timeOut + 100};
}

TPDLItem::TPDLItem(std::string viewUrl, std::string referrer, std::string photosFolder, int timeOut)
    : viewUrl_(std::move(viewUrl)),
      referrer_(std::move(referrer)),
      photosFolder_(std::move(photosFolder)),
      timeOut_(timeOut) {}

std::string TPDLItem::GetLinkFileName(const std::string& fileName, const std::string& album,
                                      const std::string& photosFolder) {
    const std::string name =
        TFDLItem::FitSaveName(SafeSegment(CreateProperFilename(Trim(UrlDecode(fileName)))));
    const std::string folder =
        Trim(UrlDecode(ReplaceAllStr(album, "/", "\\")));  // a nested album is one folder
    if (folder.empty()) return photosFolder + name;
    return photosFolder + SafeSegment(CreateProperFilename(folder)) + "/" + name;
}

bool TPDLItem::WithRetry(THttpClient& client, int timeOut,
                         const std::function<bool(int)>& attempt) {
    for (int seconds : RetryTimeOuts(timeOut)) {
        if (attempt(seconds)) return true;
        if (giveUp_) return false;  // another attempt cannot help
        if (client.CancelFlag != nullptr && client.CancelFlag->load()) {
            cancelled_ = true;
            return false;
        }
    }
    return false;
}

bool TPDLItem::FetchWithRetry(THttpClient& client, const std::string& url,
                              const std::string& referrer, std::string& page) {
    return WithRetry(client, timeOut_, [&](int seconds) {
        client.Referer = referrer;
        client.TimeOut = seconds;
        client.MaxBodySize = kMaxPageBytes;
        client.SetURL(url);
        if (!client.Execute()) {
            why_ = ItemFailure(client, seconds, url);
            return false;
        }
        page = client.Body();
        return true;
    });
}

bool TPDLItem::ResolvePhoto(THttpClient& client, std::string& imageUrl, std::string& fileName) {
    std::string page;
    if (!FetchWithRetry(client, viewUrl_, referrer_, page)) return false;
    THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.Execute();
    bool hires = false;
    for (const auto& link : scanner.Parsed().Hyperlinks) {
        if (!EndsText("&.hires=t", link)) continue;
        const std::string referrer = viewUrl_;
        viewUrl_ = link;
        hires = true;
        if (!FetchWithRetry(client, viewUrl_, referrer, page)) return false;
        scanner.SetHTMLText(page);
        scanner.Execute();
        break;
    }
    const std::string name = TYahooPhotos::PhotoName(viewUrl_);
    const std::string upperName = UpperCase(name);
    for (const auto& source : scanner.Parsed().Images) {
        const auto slash = source.rfind('/');
        const std::string last = slash == std::string::npos ? source : source.substr(slash + 1);
        const auto query = source.rfind('?');
        std::string candidate =
            query == std::string::npos || slash == std::string::npos || query < slash
                ? std::string()
                : source.substr(slash + 1, query - slash - 1);
        // The high-resolution picture is stored under a name that ends with the photo's.
        if (hires && !name.empty() && EndsText(name, candidate) && ContainsText(name + "?", source))
            candidate = name;
        if (!name.empty() && UpperCase(candidate) == upperName) {
            imageUrl = source;
            fileName = candidate;
            return true;
        }
        if (!name.empty() && last == name) {
            imageUrl = source;
            fileName = last;
            return true;
        }
    }
    why_ = "no picture of the photo on its page (" + viewUrl_ + ")";
    return false;
}

TPDLItem::TResult TPDLItem::Run(THttpClient& client) {
    std::string imageUrl, fileName;
    if (!ResolvePhoto(client, imageUrl, fileName))
        return cancelled_ ? TResult::Cancelled : TResult::Failed;
    path_ = GetLinkFileName(fileName, TYahooPhotos::AlbumOf(viewUrl_), photosFolder_);
    if (!TYahooBase::EnsureFolderFor(path_)) {
        why_ = "cannot create the folder of " + path_;
        return TResult::Failed;
    }
    if (IsFileLocked(path_)) {
        why_ = "held open by another program: " + path_;
        return TResult::Locked;
    }
    // The picture's attempts count from the run's time-out, as the view pages' do.
    const bool saved = WithRetry(client, timeOut_, [&](int seconds) {
        client.ApplicationName = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";
        client.MaxBodySize = 0;
        TItemFetch fetch;
        try {
            // Only a complete 2xx answer that is a picture replaces the name; anything else
            // leaves it as it was.
            fetch = FetchItem(client, {imageUrl, path_, fileName, true, {}, seconds});
        } catch (const EFileError& e) {
            why_ = e.what();
            giveUp_ = true;
            return false;
        }
        why_ = fetch.why;
        giveUp_ = fetch.throttled;
        return fetch.result == TItemFetch::TResult::Saved;
    });
    if (!saved) return cancelled_ ? TResult::Cancelled : TResult::Failed;
    AnnouncePreview(path_);
    return TResult::Saved;
}

}  // namespace tessaly
