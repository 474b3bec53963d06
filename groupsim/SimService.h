#pragma once
// The simulated group service behind the HTTP layer: one call per request, from a plain request
// record to a plain response record, so the rules can be tested without sockets and served by
// any server. Thread-safe.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "groupsim/SimData.h"
#include "groupsim/SimUpdate.h"

namespace groupsim {

struct SimRequest {
    std::string method = "GET";
    std::string host;   // lower case, without port
    std::string path;   // as sent, without the query
    std::string query;  // raw, without "?"
    std::string body;
    std::string cookies;  // the Cookie header
};

struct SimResponse {
    enum class Body { Whole, DropHalf, Trickle, Oversize, Stall, Hang, Generated };
    int status = 200;
    std::string contentType = "text/html; charset=ISO-8859-1";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // Location, Set-Cookie, ...
    Body mode = Body::Whole;
    std::size_t oversizeBytes = 0;
    // Generated: a body of generatedBytes made piece by piece (a big file is never held whole).
    std::size_t generatedBytes = 0;
    std::function<void(std::size_t offset, char* out, std::size_t length)> generate;
    int latencyMs = 0;
};

// Faults, all off by default. A path rule matches when host + path contains its text.
struct Faults {
    int latencyMs = 0;
    std::vector<std::pair<std::string, int>> statusFor;  // (text, status) ...
    int failTimes = 0;            // ... for the first n matching requests only (0: every time)
    std::string dropFor;          // bodies cut off in the middle
    std::string stallFor;         // half the body, then 3 s of silence, then hang up
    std::string trickleFor;       // bodies sent 64 bytes every 100 ms
    std::string redirectLoopFor;  // endless redirects
    std::string oversizeFor;      // a page of 64 MB
    int throttleEvery = 0;        // every n-th group page answers error 999
    std::string throttleFor;      // matching requests answer error 999 ...
    int throttleTimes = 0;        // ... the first n times (0: every time)
    std::string hangFor;          // matching requests are never answered ...
    int hangTimes = 0;            // ... the first n times (0: every time)
    std::string notImageFor;      // matching requests answer 200 with a text sent as a JPEG
    // Line ends of message pages (made with LF): "crlf", "cr", or "mixed" (CR LF, LF and CR in
    // turn, and none after the last line); "" leaves them as made.
    std::string lineEnds;
};

struct LogEntry {
    std::string method, host, path;
    int status = 0;
    std::size_t bytes = 0;
    double millis = 0;
    std::string scheme = "http";  // "https" for requests that came over the TLS listener
    double startMs = 0;           // when the request came, in ms of the steady clock
};

class GroupService {
public:
    // Files larger than this are made piece by piece as they are sent.
    static constexpr std::size_t kWholeBodyLimit = 8u * 1024 * 1024;
    explicit GroupService(SimData data);

    SimResponse Handle(const SimRequest& request);

    void SetFaults(Faults faults);
    [[nodiscard]] Faults CurrentFaults() const;
    // The update file the update server answers (by default: the program's own version).
    void SetUpdateFile(UpdateFile file);
    [[nodiscard]] UpdateFile CurrentUpdateFile() const;
    // The in-memory log keeps the newest entries only.
    static constexpr std::size_t kMaxLog = 200000;
    void Record(LogEntry entry);
    // Also appends every log entry to this file (tab-separated: method, host, path, status,
    // bytes, milliseconds, scheme), when set.
    void SetLogFile(const std::string& fileName);
    [[nodiscard]] std::vector<LogEntry> Log() const;
    void ClearLog();
    // File-store requests in the service at once (in its handler, latency included): the most
    // since the log was last cleared. The server tells when a request enters and leaves.
    void EnterFileStore();
    void LeaveFileStore();
    [[nodiscard]] int MostConcurrentFileStore() const { return fileStoreMost_; }
    [[nodiscard]] const SimData& Data() const { return data_; }
    // Parses
    // "latency=..&status=403:/path&drop=/p&stall=/p&trickle=/p&loop=/p&oversize=/p&throttle=n
    // &throttlefor=/p&throttletimes=n&failtimes=n&hang=/p&hangtimes=n&notimage=/p
    // &lineends=crlf|cr|mixed".
    static Faults ParseFaults(const std::string& query);

private:
    struct Route;
    SimResponse Login(const SimRequest& r);
    SimResponse Groups(const SimRequest& r, const std::string& prefix);
    SimResponse Photos(const SimRequest& r, const std::string& prefix);
    SimResponse FileStore(const SimRequest& r);
    SimResponse Control(const SimRequest& r);
    SimResponse UpdateServer(const SimRequest& r);
    // The signed-in member of the request, or nullptr.
    const Member* SessionMember(const SimRequest& r);
    std::string NewToken();
    // True the first time the session meets this key (pages put in the way once).
    bool FirstTime(const SimRequest& r, const std::string& key);
    // Where the message numbered `number` lies in `group.messages` (the first one, should a
    // number repeat); messages.size() when the group has none of that number. `group` is one of
    // data_'s groups.
    [[nodiscard]] std::size_t MessagePosition(const Group& group, int number) const;

    SimData data_;
    // For each group of data_ (same order), its message positions by number. Built with the
    // service and never changed, as data_ is not: request threads read it without the lock.
    std::vector<std::unordered_map<int, std::size_t>> messageAt_;
    mutable std::mutex mutex_;
    std::mt19937_64 rng_;
    std::map<std::string, std::string> sessions_;  // token -> user
    std::set<std::string> challenges_;
    std::vector<std::string> challengeOrder_;
    std::map<std::string, std::set<std::string>> met_;  // session token -> keys
    std::map<std::string, std::pair<std::string, std::string>>
        fileTokens_;  // token -> (user, group)
    std::shared_ptr<const Faults> faults_ = std::make_shared<const Faults>();
    UpdateFile update_;
    long groupRequests_ = 0;
    int throttled_ = 0;  // answers of the throttleFor rule since the faults were set
    int hung_ = 0;       // requests held by the hangFor rule since the faults were set
    int failed_ = 0;     // answers of the statusFor rules since the faults were set
    std::vector<LogEntry> log_;
    std::atomic<int> fileStoreNow_{0};
    std::atomic<int> fileStoreMost_{0};
    std::FILE* logFile_ = nullptr;

public:
    ~GroupService();
    GroupService(const GroupService&) = delete;
    GroupService& operator=(const GroupService&) = delete;
};

// Query and form helpers.
[[nodiscard]] std::string QueryValue(const std::string& query, const std::string& name);  // decoded
[[nodiscard]] std::string CookieValue(const std::string& cookies, const std::string& name);

}  // namespace groupsim
