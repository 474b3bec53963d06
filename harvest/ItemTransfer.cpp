#include "harvest/ItemTransfer.h"

#include "harvest/ItemCheck.h"
#include "harvest/Throttling.h"
#include "net/HttpClient.h"
#include "net/TransferFailure.h"

namespace tessaly {
namespace {

bool Cancelled(const THttpClient& client) {
    return client.CancelFlag != nullptr && client.CancelFlag->load();
}

// The check belongs to this item only: the client goes on to other requests.
struct TCheckFor {
    TCheckFor(THttpClient& c, const TItemRequest& r) : client(c) {
        client.CheckBody = ItemCheck(r.name, r.picture);
    }
    ~TCheckFor() { client.CheckBody = nullptr; }
    TCheckFor(const TCheckFor&) = delete;
    TCheckFor& operator=(const TCheckFor&) = delete;
    THttpClient& client;
};

}  // namespace

std::string ItemFailure(const THttpClient& client, int timeOut, const std::string& url) {
    return TransferFailure(client, timeOut) + " (" + url + ")";
}

TItemFetch FetchItem(THttpClient& client, const TItemRequest& request) {
    const TCheckFor check(client, request);
    client.Referer = request.referrer;
    client.TimeOut = request.timeOut;
    for (std::size_t throttled = 0;; ++throttled) {
        if (client.GetToFile(request.url, request.path)) return {TItemFetch::TResult::Saved, {}};
        if (Cancelled(client)) return {TItemFetch::TResult::Cancelled, {}};
        if (!IsThrottledAnswer(client))
            return {TItemFetch::TResult::Failed, ItemFailure(client, request.timeOut, request.url)};
        if (throttled == kThrottleRetries)
            return {TItemFetch::TResult::Failed, ThrottledFailure(throttled + 1, request.url),
                    true};
        if (!WaitOutThrottle(throttled, client.CancelFlag))
            return {TItemFetch::TResult::Cancelled, {}};
    }
}

}  // namespace tessaly
