#include "net/ParallelRequests.h"

#include <curl/curl.h>

#include <utility>

#include "net/HttpClient.h"

namespace tessaly {

TParallelRequests::TParallelRequests() {
    // The library is set up by the first client made; this object comes with clients.
    THttpClient warmUp;
    multi_ = curl_multi_init();
}

TParallelRequests::~TParallelRequests() {
    (void)CancelAll();
    if (multi_ != nullptr) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void TParallelRequests::Start(THttpClient& client, const std::string& url,
                              const std::string& fileName) {
    client.SetURL(url);
    try {
        Follow(client, client.StartRequest(fileName));
    } catch (...) {
        // Given back with the request's end, as the client's own Execute would raise it.
        ended_.push_back({&client, false, std::current_exception()});
    }
}

void TParallelRequests::Follow(THttpClient& client, void* handle) {
    if (handle == nullptr) {
        ended_.push_back({&client, client.RequestOk(), nullptr});
        return;
    }
    if (multi_ == nullptr || curl_multi_add_handle(static_cast<CURLM*>(multi_),
                                                   static_cast<CURL*>(handle)) != CURLM_OK) {
        // The step cannot run: it ends as a request that could not be sent.
        Follow(client, client.NextHop(CURLE_FAILED_INIT));
        return;
    }
    running_[handle] = &client;
}

void TParallelRequests::Collect() {
    auto* multi = static_cast<CURLM*>(multi_);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        CURL* handle = message->easy_handle;
        const CURLcode result = message->data.result;
        curl_multi_remove_handle(multi, handle);
        const auto it = running_.find(handle);
        if (it == running_.end()) continue;
        THttpClient& client = *it->second;
        running_.erase(it);
        try {
            Follow(client, client.NextHop(result));
        } catch (...) {
            ended_.push_back({&client, false, std::current_exception()});
        }
    }
}

std::vector<TParallelRequests::TEnded> TParallelRequests::Run(std::chrono::milliseconds wait) {
    auto* multi = static_cast<CURLM*>(multi_);
    if (multi != nullptr && !running_.empty()) {
        int active = 0;
        curl_multi_perform(multi, &active);
        Collect();
        if (ended_.empty() && wait.count() > 0) {
            // Sleeps until a socket has something, the library's own timer is due, or Wake.
            curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
            curl_multi_perform(multi, &active);
            Collect();
        }
    } else if (multi != nullptr && ended_.empty() && wait.count() > 0) {
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
    }
    return std::exchange(ended_, {});
}

std::vector<TParallelRequests::TEnded> TParallelRequests::CancelAll() {
    auto* multi = static_cast<CURLM*>(multi_);
    const auto running = std::exchange(running_, {});
    for (const auto& [handle, client] : running) {
        if (multi != nullptr) curl_multi_remove_handle(multi, static_cast<CURL*>(handle));
        try {
            // Ends as a transfer its cancel flag stopped (an ended step is never followed).
            (void)client->NextHop(CURLE_ABORTED_BY_CALLBACK);
            ended_.push_back({client, false, nullptr});
        } catch (...) {
            ended_.push_back({client, false, std::current_exception()});
        }
    }
    return std::exchange(ended_, {});
}

void TParallelRequests::Wake() {
    if (multi_ != nullptr) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

}  // namespace tessaly
