#include "groupsim/SimServer.h"

#include <httplib.h>

#include <chrono>
#include <string_view>
#include <thread>

#include "service/ServiceHosts.h"

namespace groupsim {
namespace {

namespace hosts = tessaly::hosts;

using Clock = std::chrono::steady_clock;

// Splits the request into host, path and query, for both request-target forms.
SimRequest ToSimRequest(const httplib::Request& req) {
    SimRequest s;
    s.method = req.method;
    std::string target = req.target;
    std::string host;
    if (target.compare(0, 7, "http://") == 0) {
        const std::size_t slash = target.find('/', 7);
        host = target.substr(7, slash == std::string::npos ? std::string::npos : slash - 7);
        target = slash == std::string::npos ? "/" : target.substr(slash);
    } else {
        host = req.get_header_value("Host");
    }
    if (const auto colon = host.find(':'); colon != std::string::npos) host.erase(colon);
    s.host = Lower(host);
    const std::size_t q = target.find('?');
    s.path = target.substr(0, q);
    s.query = q == std::string::npos ? "" : target.substr(q + 1);
    s.body = req.body;
    s.cookies = req.get_header_value("Cookie");
    return s;
}

// Waits a little for `server` to accept connections (a server stops only once it has started).
void AwaitRunning(const httplib::Server& server) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!server.is_running() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

SimServer::SimServer(GroupService& service, int threads)
    : service_(service), threads_(threads), server_(std::make_unique<httplib::Server>()) {
    Configure(*server_, "http");
}

void SimServer::Configure(httplib::Server& server, const std::string& scheme) {
    const int threads = threads_;
    server.new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<std::size_t>(threads));
    };
    server.set_tcp_nodelay(true);  // headers and body go out in separate writes
    server.set_keep_alive_max_count(10000);
    server.set_keep_alive_timeout(30);
    server.set_read_timeout(30, 0);
    server.set_payload_max_length(4u * 1024 * 1024);
    // Every method and path goes to one handler (bodies are read before it is called).
    auto handler = [this, scheme](const httplib::Request& req, httplib::Response& res) {
        const auto t0 = Clock::now();
        const SimRequest sim = ToSimRequest(req);
        const bool fileStore = sim.host.size() > std::string_view(hosts::kFileStore).size() &&
                               sim.host.ends_with(std::string(".") + hosts::kFileStore);
        if (fileStore) service_.EnterFileStore();
        SimResponse out = service_.Handle(sim);
        if (out.latencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(out.latencyMs));
        if (fileStore) service_.LeaveFileStore();
        if (out.mode == SimResponse::Body::Hang) {
            // Never answered: the request is held until the server stops (ten minutes at
            // most); then the connection is closed without a status line.
            const auto until = Clock::now() + std::chrono::minutes(10);
            while (!stopping_ && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            out.mode = SimResponse::Body::DropHalf;
            out.body = "x";  // nothing of it is sent
        }
        res.status = out.status;
        for (auto& [name, value] : out.headers) res.headers.emplace(name, value);
        std::size_t bytes = out.body.size();
        switch (out.mode) {
            case SimResponse::Body::Whole:
                res.set_content(std::move(out.body), out.contentType.c_str());
                break;
            case SimResponse::Body::DropHalf: {
                auto body = std::make_shared<std::string>(std::move(out.body));
                res.set_content_provider(
                    body->size(), out.contentType.c_str(),
                    [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                        if (offset >= body->size() / 2) return false;  // hang up mid-body
                        sink.write(body->data(), body->size() / 2);
                        return true;
                    });
                break;
            }
            case SimResponse::Body::Stall: {
                auto body = std::make_shared<std::string>(std::move(out.body));
                res.set_content_provider(
                    body->size(), out.contentType.c_str(),
                    [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                        if (offset == 0) {
                            sink.write(body->data(), body->size() / 2);
                            return true;
                        }
                        std::this_thread::sleep_for(std::chrono::seconds(3));
                        return false;
                    });
                break;
            }
            case SimResponse::Body::Trickle: {
                auto body = std::make_shared<std::string>(std::move(out.body));
                res.set_content_provider(
                    body->size(), out.contentType.c_str(),
                    [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                        const std::size_t n = std::min<std::size_t>(64, body->size() - offset);
                        sink.write(body->data() + offset, n);
                        return true;
                    });
                break;
            }
            case SimResponse::Body::Hang:  // turned into a hang-up above
                break;
            case SimResponse::Body::Generated: {
                bytes = out.generatedBytes;
                res.set_content_provider(
                    out.generatedBytes, out.contentType.c_str(),
                    [generate = std::move(out.generate), total = out.generatedBytes](
                        std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                        std::string block(
                            std::min<std::size_t>({length, 256u * 1024, total - offset}), '\0');
                        generate(offset, block.data(), block.size());
                        return sink.write(block.data(), block.size());
                    });
                break;
            }
            case SimResponse::Body::Oversize: {
                bytes = out.oversizeBytes;
                res.set_content_provider(
                    out.oversizeBytes, "text/html",
                    [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                        static const std::string chunk =
                            "<p><a href=\"/filler\">filler</a> text text text text</p>\n";
                        std::string block;
                        while (block.size() < 65536) block += chunk;
                        const std::size_t n = std::min(length, block.size());
                        (void)offset;
                        sink.write(block.data(), n);
                        return true;
                    });
                break;
            }
        }
        if (sim.host != "groupsim.control") {
            service_.Record(LogEntry{
                sim.method, sim.host, sim.path + (sim.query.empty() ? "" : "?" + sim.query),
                out.status, bytes,
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), scheme,
                std::chrono::duration<double, std::milli>(t0.time_since_epoch()).count()});
        }
    };
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Delete(".*", handler);
    server.Options(".*", handler);
}

SimServer::~SimServer() {
    Stop();
    if (thread_.joinable()) thread_.join();
    if (tlsThread_.joinable()) tlsThread_.join();
}

int SimServer::Bind(const std::string& address, int port) {
    if (port == 0) {
        port_ = server_->bind_to_any_port(address);
    } else {
        port_ = server_->bind_to_port(address, port) ? port : -1;
    }
    return port_;
}

int SimServer::BindTls(const std::string& address, int port, const std::string& certFile,
                       const std::string& keyFile) {
    tlsPort_ = -1;
    auto server = std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str());
    if (!server->is_valid()) return -1;  // unreadable files, or a key that does not fit
    Configure(*server, "https");
    if (port == 0) {
        tlsPort_ = server->bind_to_any_port(address);
    } else {
        tlsPort_ = server->bind_to_port(address, port) ? port : -1;
    }
    if (tlsPort_ > 0) tlsServer_ = std::move(server);
    return tlsPort_;
}

void SimServer::Serve() {
    if (tlsServer_) {
        tlsThread_ = std::thread([this] { tlsServer_->listen_after_bind(); });
        AwaitRunning(*tlsServer_);
    }
    server_->listen_after_bind();
    if (tlsServer_) {
        tlsServer_->stop();
        tlsThread_.join();
    }
}

void SimServer::Start() {
    thread_ = std::thread([this] { Serve(); });
    AwaitRunning(*server_);
}

bool SimServer::Running() const {
    return server_->is_running() && (!tlsServer_ || tlsServer_->is_running());
}

void SimServer::Stop() {
    stopping_ = true;
    server_->stop();
    if (tlsServer_) tlsServer_->stop();
}

}  // namespace groupsim
