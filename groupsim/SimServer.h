#pragma once
// The HTTP side of the simulated service: an HTTP/1.1 server on loopback with keep-alive and a
// thread pool, answering origin-form requests by their Host header and absolute-form requests
// (as sent to a forward proxy) by the host in their target.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "groupsim/SimService.h"

namespace httplib {
class Server;
}

namespace groupsim {

class SimServer {
public:
    explicit SimServer(GroupService& service, int threads = 16);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds to address:port (port 0: a free one); returns the port, or -1.
    int Bind(const std::string& address, int port);
    // Serves until Stop (blocking).
    void Serve();
    // Serves on a thread of its own until Stop or destruction.
    void Start();
    void Stop();
    [[nodiscard]] int Port() const { return port_; }

private:
    GroupService& service_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = -1;
    std::atomic<bool> stopping_{false};  // ends the requests that are never answered
};

}  // namespace groupsim
