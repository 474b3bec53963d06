#pragma once
// TFDLItem: the download of one file of a Files folder, run by a downloader of the group's pool
// with that downloader's HTTP client. It builds the file's save path from safe segments only (a
// name or folder from the service never leads out of the group's Files folder), leaves a file
// that another program holds open alone, and downloads into the file so that it appears only
// complete and only when the answer is the file (ItemCheck.h): a failed, short, refused or
// cancelled transfer leaves an earlier copy as it was. A throttled answer is asked for again
// after the waits of Throttling.h.

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

class THttpClient;

class TFDLItem {
public:
    enum class TResult {
        Saved,      // downloaded (the picture viewer was told)
        Failed,     // not downloaded; Why says why
        Locked,     // another program holds the file open: left alone, not downloaded
        Cancelled,  // the run was stopped during the transfer
        Throttled,  // the service asked to slow down: download again after ThrottleWait()
    };

    // `filesFolder` is the group's Files folder (ends with "/"); `referrer` the folder page the
    // link was found on; `timeOut` the client's time-out in seconds.
    TFDLItem(std::string url, std::string folderPath, std::string filesFolder, std::string referrer,
             int timeOut);

    // The save path of a file URL in a folder: the group's Files folder, the folder path as
    // safe folder names, then the URL's last segment, decoded, as a safe file name.
    [[nodiscard]] static std::string GetLinkFileName(const std::string& url,
                                                     const std::string& folderPath,
                                                     const std::string& filesFolder);

    // A save name cut to leave room for its temporary beside it (keeping a short extension).
    [[nodiscard]] static std::string FitSaveName(std::string name);

    // The whole download with the client, on the calling thread.
    TResult Run(THttpClient& client);
    // The same in two halves, for a caller that runs the transfer itself: Prepare readies the
    // folder and tells whether the file may be downloaded (Saved: go ahead, with Url(),
    // Referrer() and TimeOut(); anything else is the item's end); Finish judges the transfer
    // the client ran (`ok`: arrived whole; `error`: what it raised) with Check() as its
    // CheckBody; Throttled asks the caller to run the transfer again after ThrottleWait()
    // designed seconds.
    TResult Prepare();
    TResult Finish(THttpClient& client, bool ok, const std::exception_ptr& error = nullptr);
    [[nodiscard]] std::function<std::string(const THttpClient&, std::string_view)> Check() const;
    [[nodiscard]] int ThrottleWait() const;
    [[nodiscard]] const std::string& Url() const { return url_; }
    [[nodiscard]] const std::string& Referrer() const { return referrer_; }
    [[nodiscard]] int TimeOut() const { return timeOut_; }
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] const std::string& Why() const { return why_; }
    [[nodiscard]] int StatusCode() const { return statusCode_; }

private:
    std::string url_;
    std::string folderPath_;
    std::string referrer_;
    int timeOut_;
    std::string path_;
    std::string why_;
    int statusCode_ = 0;
    std::size_t throttled_ = 0;  // throttled answers in a row
};

}  // namespace tessaly
