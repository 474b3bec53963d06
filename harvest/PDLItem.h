#pragma once
// TPDLItem: the download of one photo, run by the group's downloader with that downloader's own
// HTTP client (never the member's browser). It opens the photo's view page (and the
// high-resolution page when the view page offers one), finds the picture among the page's
// images and downloads it into the group's Photos folder, under the album's folder, as a file
// that appears only complete and only when the answer is a picture (ItemCheck.h). Every request
// is tried up to six times, the time-out starting from the run's and growing by 20 s from one
// attempt to the next (see RetryTimeOuts); the service's throttling is waited out within an
// attempt.

#include <array>
#include <functional>
#include <string>

namespace tessaly {

class THttpClient;

class TPDLItem {
public:
    enum class TResult {
        Saved,      // downloaded (the picture viewer was told)
        Failed,     // not downloaded; Why says why
        Locked,     // another program holds the target open: left alone, not downloaded
        Cancelled,  // the run was stopped during a request
    };

    // The time-outs of the attempts at one request whose first attempt has `timeOut` seconds.
    [[nodiscard]] static std::array<int, 6> RetryTimeOuts(int timeOut);

    // `photosFolder` is the group's Photos folder (ends with "/"); `referrer` the list page the
    // view link was found on; `timeOut` the first time-out of every request, in seconds.
    TPDLItem(std::string viewUrl, std::string referrer, std::string photosFolder, int timeOut);

    // The save path of a photo: the group's Photos folder, the album ("dir=/" value, decoded,
    // "/" and "\" made "_") as one safe folder (none for the top level), then the decoded
    // photo name as one safe file name.
    [[nodiscard]] static std::string GetLinkFileName(const std::string& fileName,
                                                     const std::string& album,
                                                     const std::string& photosFolder);

    TResult Run(THttpClient& client);
    // The view page the picture was taken from (the high-resolution one when it was offered).
    [[nodiscard]] const std::string& ViewURL() const { return viewUrl_; }
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] const std::string& Why() const { return why_; }

private:
    // Opens the view page (and the high-resolution page) and finds the picture: its address
    // and file name; false when a page failed or no image is the photo (Why says why).
    bool ResolvePhoto(THttpClient& client, std::string& imageUrl, std::string& fileName);
    // One request with its retries: `attempt` runs it with the given time-out and tells
    // whether it succeeded. False when every attempt failed or the run was stopped.
    bool WithRetry(THttpClient& client, int timeOut, const std::function<bool(int)>& attempt);
    bool FetchWithRetry(THttpClient& client, const std::string& url, const std::string& referrer,
                        std::string& page);

    std::string viewUrl_;
    std::string referrer_;
    std::string photosFolder_;
    int timeOut_;
    std::string path_;
    std::string why_;
    bool cancelled_ = false;
    // No further attempt can help: the save file could not be written, or the service throttled
    // the request after every wait.
    bool giveUp_ = false;
};

}  // namespace tessaly
