#pragma once
// TParallelRequests: the requests of several HTTP clients side by side on the calling thread.
// A batch of small downloads then costs no thread hand-over per request: while one answer is
// on its way the others are read, and the thread sleeps only when none has anything to read.
// Each client keeps its request's rules (cookies, redirects, time-outs, complete files, its
// cancel flag); the connections stay open from request to request as long as this object
// lives. Everything but Wake runs on the one thread that owns the object.

#include <chrono>
#include <exception>
#include <map>
#include <string>
#include <vector>

namespace tessaly {

class THttpClient;

class TParallelRequests {
public:
    TParallelRequests();
    ~TParallelRequests();  // ends what still runs
    TParallelRequests(const TParallelRequests&) = delete;
    TParallelRequests& operator=(const TParallelRequests&) = delete;

    struct TEnded {
        THttpClient* client = nullptr;
        bool ok = false;           // the client's result, as its Execute would return it
        std::exception_ptr error;  // what its Execute would have raised
    };

    // Starts the client's download of `url` into `fileName` (into memory when empty). A request
    // that ended at once (it could not start) is given back by the next Run.
    void Start(THttpClient& client, const std::string& url, const std::string& fileName);
    // Moves the requests on for at most `wait`, less once one has ended or Wake was called;
    // gives the requests that ended.
    [[nodiscard]] std::vector<TEnded> Run(std::chrono::milliseconds wait);
    // Ends every running request now, as a cancelled one ends; gives them.
    [[nodiscard]] std::vector<TEnded> CancelAll();
    // From any thread: a Run that waits returns at once.
    void Wake();
    [[nodiscard]] int Running() const { return static_cast<int>(running_.size()); }

private:
    // Adds the step of `client` the library is to run, or notes the request's end.
    void Follow(THttpClient& client, void* handle);
    void Collect();

    void* multi_ = nullptr;
    std::map<void*, THttpClient*> running_;  // library handle -> client
    std::vector<TEnded> ended_;
};

}  // namespace tessaly
