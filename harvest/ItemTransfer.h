#pragma once
// One item's download into its file on a downloader's thread, as every section gets its items:
// the run's time-out as the silence limit, the answer judged before it is kept (ItemCheck), the
// service's throttling waited out (Throttling.h), and a failure told in the words pages use
// (net/TransferFailure.h).

#include <string>

namespace tessaly {

class THttpClient;

struct TItemRequest {
    std::string url;
    std::string path;      // the file; it appears only complete and only when the answer passed
    std::string name;      // what the item is called, for the check (its extension tells its type)
    bool picture = false;  // the item must be a picture
    std::string referrer;
    int timeOut = 60;  // seconds the service may stay silent
};

struct TItemFetch {
    enum class TResult { Saved, Failed, Cancelled };
    TResult result = TResult::Failed;
    std::string why;         // when Failed: the reason and the address
    bool throttled = false;  // Failed as the service throttled it after every wait
};

// Downloads the item with the client (whose CancelFlag stops it, throttle waits included).
// Raises EFileError when the file cannot be written.
[[nodiscard]] TItemFetch FetchItem(THttpClient& client, const TItemRequest& request);

// The reason of the client's failed request for `url`, with `timeOut` its silence limit.
[[nodiscard]] std::string ItemFailure(const THttpClient& client, int timeOut,
                                      const std::string& url);

}  // namespace tessaly
