#pragma once
// TEventLoopTransfers: runs the requests of an HTTP client inside the event loop of the calling
// thread instead of blocking it. Perform hands one prepared request of the library to a shared
// transfer engine, watches its sockets and timers with the thread's event loop, and returns when
// the request has ended; the thread keeps processing its events all the while (a nested event
// loop), so the thread goes on serving its other events and is woken straight by the network.
//
// Connections are kept by the engine from request to request (keep-alive) for as long as the
// TEventLoopTransfers lives. It belongs to the thread that created it.

#include <memory>
#include <unordered_map>
#include <vector>

class QSocketNotifier;
class QTimer;
class QEventLoop;

namespace tessaly {

class TEventLoopTransfers {
public:
    TEventLoopTransfers();
    ~TEventLoopTransfers();
    TEventLoopTransfers(const TEventLoopTransfers&) = delete;
    TEventLoopTransfers& operator=(const TEventLoopTransfers&) = delete;

    // Runs the library's prepared request (its easy handle) to its end; returns the library's
    // result code. Requests may run at the same time (from nested event loops).
    int Perform(void* easyHandle);
    // Ends every request in progress now; their Perform returns "aborted by callback".
    void AbortAll();

private:
    struct Running {
        void* easy = nullptr;
        QEventLoop* loop = nullptr;
        bool done = false;
        int result = 0;
    };
    struct Watch {
        std::unique_ptr<QSocketNotifier> read, write;
    };
    static int OnSocket(void* easy, int socket, int what, void* self, void* socketData);
    static int OnTimer(void* multi, long timeoutMs, void* self);
    void Act(int socket, int flags);
    void Finish(Running& r, int result);
    void CollectDone();

    void* multi_ = nullptr;
    std::unique_ptr<QTimer> timer_;
    std::unordered_map<int, Watch> watches_;
    std::vector<Running*> running_;
};

}  // namespace tessaly
