#pragma once
// The HTTP side of the simulated service: an HTTP/1.1 server on loopback with keep-alive and a
// thread pool, answering origin-form requests by their Host header and absolute-form requests
// (as sent to a forward proxy) by the host in their target. It can also serve the same service
// over TLS on a second port, with a certificate and key from PEM files; the request log tells
// the two apart by the scheme of each entry.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "groupsim/SimService.h"

namespace httplib {
class Server;
class SSLServer;
}  // namespace httplib

namespace groupsim {

class SimServer {
public:
    explicit SimServer(GroupService& service, int threads = 16);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds to address:port (port 0: a free one); returns the port, or -1.
    int Bind(const std::string& address, int port);
    // Adds the TLS listener with the certificate chain and private key in these PEM files and
    // binds it to address:port (port 0: a free one); returns its port, or -1 when the files
    // cannot be used or the port cannot be bound. Call before Serve or Start.
    int BindTls(const std::string& address, int port, const std::string& certFile,
                const std::string& keyFile);
    // Serves until Stop (blocking); the TLS listener, when bound, on a thread of its own.
    void Serve();
    // Serves on a thread of its own until Stop or destruction.
    void Start();
    void Stop();
    // True while every bound listener accepts connections.
    [[nodiscard]] bool Running() const;
    [[nodiscard]] int Port() const { return port_; }
    [[nodiscard]] int TlsPort() const { return tlsPort_; }

private:
    // Gives `server` the settings and the one handler every listener shares; `scheme` marks
    // the requests it served in the log.
    void Configure(httplib::Server& server, const std::string& scheme);

    GroupService& service_;
    int threads_;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<httplib::SSLServer> tlsServer_;
    std::thread thread_;
    std::thread tlsThread_;
    int port_ = -1;
    int tlsPort_ = -1;
    std::atomic<bool> stopping_{false};  // ends the requests that are never answered
};

}  // namespace groupsim
