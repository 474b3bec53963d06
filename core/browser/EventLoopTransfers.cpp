#include "browser/EventLoopTransfers.h"

#include <curl/curl.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <stdexcept>
#include <type_traits>

namespace tessaly {

TEventLoopTransfers::TEventLoopTransfers()
    : multi_(curl_multi_init()), timer_(std::make_unique<QTimer>()) {
    if (multi_ == nullptr) throw std::runtime_error("cannot start the transfer engine");
    CURLM* m = static_cast<CURLM*>(multi_);
    // The callbacks' parameter types are the library's own (its handles are void, its sockets
    // int on this platform).
    static_assert(std::is_same_v<CURL, void> && std::is_same_v<CURLM, void> &&
                  std::is_same_v<curl_socket_t, int>);
    curl_multi_setopt(m, CURLMOPT_SOCKETFUNCTION, &OnSocket);
    curl_multi_setopt(m, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m, CURLMOPT_TIMERFUNCTION, &OnTimer);
    curl_multi_setopt(m, CURLMOPT_TIMERDATA, this);
    timer_->setSingleShot(true);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Act(CURL_SOCKET_TIMEOUT, 0); });
}

TEventLoopTransfers::~TEventLoopTransfers() {
    AbortAll();
    watches_.clear();
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

// The engine tells which sockets to watch for what; the notifiers call back into it.
int TEventLoopTransfers::OnSocket(void*, int socket, int what, void* self, void*) {
    auto& t = *static_cast<TEventLoopTransfers*>(self);
    if (what == CURL_POLL_REMOVE) {
        auto it = t.watches_.find(socket);
        if (it == t.watches_.end()) return 0;
        // A notifier may be the one whose signal is being delivered now: it goes later.
        for (auto* n : {it->second.read.release(), it->second.write.release()}) {
            if (n == nullptr) continue;
            n->setEnabled(false);
            n->deleteLater();
        }
        t.watches_.erase(it);
        return 0;
    }
    Watch& w = t.watches_[socket];
    const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    auto arm = [&](std::unique_ptr<QSocketNotifier>& n, QSocketNotifier::Type type, bool want,
                   int flag) {
        if (!want) {
            if (n) n->setEnabled(false);
            return;
        }
        if (!n) {
            n = std::make_unique<QSocketNotifier>(socket, type);
            QObject::connect(n.get(), &QSocketNotifier::activated,
                             [&t, socket, flag] { t.Act(socket, flag); });
        }
        n->setEnabled(true);
    };
    arm(w.read, QSocketNotifier::Read, wantRead, CURL_CSELECT_IN);
    arm(w.write, QSocketNotifier::Write, wantWrite, CURL_CSELECT_OUT);
    return 0;
}

int TEventLoopTransfers::OnTimer(void*, long timeoutMs, void* self) {
    auto& t = *static_cast<TEventLoopTransfers*>(self);
    if (timeoutMs < 0) {
        t.timer_->stop();
    } else {
        t.timer_->start(static_cast<int>(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    }
    return 0;
}

void TEventLoopTransfers::Act(int socket, int flags) {
    int stillRunning = 0;
    curl_multi_socket_action(static_cast<CURLM*>(multi_), socket, flags, &stillRunning);
    CollectDone();
}

void TEventLoopTransfers::Finish(Running& r, int result) {
    if (r.done) return;
    r.done = true;
    r.result = result;
    if (r.loop != nullptr) r.loop->quit();
}

void TEventLoopTransfers::CollectDone() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(static_cast<CURLM*>(multi_), &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        for (Running* r : running_) {
            if (r->easy == msg->easy_handle) Finish(*r, static_cast<int>(msg->data.result));
        }
    }
}

int TEventLoopTransfers::Perform(void* easyHandle) {
    CURL* easy = static_cast<CURL*>(easyHandle);
    QEventLoop loop;
    Running r{easyHandle, &loop};
    if (curl_multi_add_handle(static_cast<CURLM*>(multi_), easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    running_.push_back(&r);
    Act(CURL_SOCKET_TIMEOUT, 0);  // starts the request (resolving, connecting, sending)
    if (!r.done) loop.exec(QEventLoop::AllEvents);
    running_.erase(std::find(running_.begin(), running_.end(), &r));
    curl_multi_remove_handle(static_cast<CURLM*>(multi_), easy);
    return r.result;
}

void TEventLoopTransfers::AbortAll() {
    for (Running* r : running_) Finish(*r, CURLE_ABORTED_BY_CALLBACK);
}

}  // namespace tessaly
