#include "groupsim/SimService.h"

#include <algorithm>
#include <cstdio>

#include "groupsim/SimPages.h"
#include "service/ProgramVersion.h"
#include "service/ServiceHosts.h"

namespace groupsim {

namespace hosts = tessaly::hosts;
namespace {

constexpr std::size_t kMaxChallenges = 10000;

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Segments(const std::string& path) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        if (j > i) out.push_back(path.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

SimResponse Page(std::string body, int status = 200) {
    SimResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

SimResponse Redirect(const std::string& location) {
    SimResponse r;
    r.status = 302;
    r.headers.emplace_back("Location", location);
    r.body = "<html><body>The document has moved <a href=\"" + HtmlEscape(location) +
             "\">here</a>.</body></html>\n";
    return r;
}

SimResponse Binary(std::string data, const std::string& type) {
    SimResponse r;
    r.contentType = type;
    r.body = std::move(data);
    return r;
}

SimResponse Plain(int status, const std::string& text) {
    SimResponse r;
    r.status = status;
    r.contentType = "text/plain";
    r.body = text + "\n";
    return r;
}

std::string FullUrl(const SimRequest& r) {
    return "http://" + r.host + r.path + (r.query.empty() ? "" : "?" + r.query);
}

std::string TypeOf(const std::string& name) {
    const std::string lower = Lower(name);
    if (EndsWith(lower, ".jpg") || EndsWith(lower, ".jpeg")) return "image/jpeg";
    if (EndsWith(lower, ".gif")) return "image/gif";
    if (EndsWith(lower, ".txt")) return "text/plain";
    if (EndsWith(lower, ".pdf")) return "application/pdf";
    return "application/octet-stream";
}

const Folder* FindFolder(const Folder& top, const std::vector<std::string>& names) {
    const Folder* f = &top;
    for (const auto& name : names) {
        const Folder* next = nullptr;
        for (const auto& sub : f->folders) {
            if (sub.name == name) next = &sub;
        }
        if (next == nullptr) return nullptr;
        f = next;
    }
    return f;
}

// The content key of a file linked as written ("Odd Names/report.pdf?x=1"), found by the text
// of its link after the file-store token; "" when no folder links it so.
std::string FindRawFile(const Folder& folder, const std::string& path, const std::string& link) {
    for (const auto& raw : folder.rawFiles) {
        if (UrlEncode(path) + raw == link) return path + raw;
    }
    for (const auto& sub : folder.folders) {
        std::string key = FindRawFile(sub, path + sub.name + "/", link);
        if (!key.empty()) return key;
    }
    return {};
}

// Whether the tree holds a file at this path ("Minutes/2004/Q1/january.txt").
bool HasFile(const Folder& top, const std::string& path) {
    auto parts = Segments(path);
    if (parts.empty()) return false;
    const std::string name = parts.back();
    parts.pop_back();
    const Folder* f = FindFolder(top, parts);
    return f != nullptr && std::find(f->files.begin(), f->files.end(), name) != f->files.end();
}

// `page` (lines ended by LF) with the line ends of the lineends fault.
std::string WithLineEnds(const std::string& page, const std::string& ends) {
    std::string out;
    out.reserve(page.size() + page.size() / 16);
    int line = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] != '\n') {
            out += page[i];
            continue;
        }
        if (ends == "crlf") {
            out += "\r\n";
        } else if (ends == "cr") {
            out += '\r';
        } else if (ends == "mixed") {
            if (i + 1 < page.size()) out += (line % 3 == 0 ? "\r\n" : line % 3 == 1 ? "\n" : "\r");
        } else {
            out += '\n';
        }
        ++line;
    }
    return out;
}

}  // namespace

std::string QueryValue(const std::string& query, const std::string& name) {
    std::size_t i = 0;
    while (i <= query.size()) {
        std::size_t j = query.find('&', i);
        if (j == std::string::npos) j = query.size();
        const std::string pair = query.substr(i, j - i);
        const std::size_t eq = pair.find('=');
        if (UrlDecodeComponent(pair.substr(0, eq)) == name) {
            return eq == std::string::npos ? std::string()
                                           : UrlDecodeComponent(pair.substr(eq + 1));
        }
        i = j + 1;
    }
    return {};
}

std::string CookieValue(const std::string& cookies, const std::string& name) {
    std::size_t i = 0;
    while (i < cookies.size()) {
        std::size_t j = cookies.find(';', i);
        if (j == std::string::npos) j = cookies.size();
        std::string pair = cookies.substr(i, j - i);
        while (!pair.empty() && pair.front() == ' ') pair.erase(0, 1);
        const std::size_t eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == name) return pair.substr(eq + 1);
        i = j + 1;
    }
    return {};
}

GroupService::GroupService(SimData data) : data_(std::move(data)), rng_(data_.seed ^ 0x5E55104ull) {
    update_.version = tessaly::ProgramVersion();
    messageAt_.reserve(data_.groups.size());
    for (const auto& g : data_.groups) {
        auto& at = messageAt_.emplace_back();
        at.reserve(g.messages.size());
        for (std::size_t i = 0; i < g.messages.size(); ++i) at.emplace(g.messages[i].number, i);
    }
    for (const auto& m : data_.members) {
        for (const auto& g : data_.groups)
            fileTokens_[FileStoreToken(data_.seed, m.user + "/" + g.name)] = {m.user, g.name};
    }
}

std::size_t GroupService::MessagePosition(const Group& group, int number) const {
    const auto& at = messageAt_[static_cast<std::size_t>(&group - data_.groups.data())];
    const auto it = at.find(number);
    return it == at.end() ? group.messages.size() : it->second;
}

void GroupService::SetFaults(Faults faults) {
    auto fresh = std::make_shared<const Faults>(std::move(faults));
    std::lock_guard lock(mutex_);
    faults_ = std::move(fresh);
    throttled_ = 0;
    hung_ = 0;
    failed_ = 0;
}

Faults GroupService::CurrentFaults() const {
    std::lock_guard lock(mutex_);
    return *faults_;
}

GroupService::~GroupService() {
    if (logFile_ != nullptr) std::fclose(logFile_);
}

void GroupService::SetLogFile(const std::string& fileName) {
    std::lock_guard lock(mutex_);
    if (logFile_ != nullptr) std::fclose(logFile_);
    logFile_ = fileName.empty() ? nullptr : std::fopen(fileName.c_str(), "a");
}

void GroupService::Record(LogEntry entry) {
    std::lock_guard lock(mutex_);
    if (logFile_ != nullptr) {
        std::fprintf(logFile_, "%s\t%s\t%s\t%d\t%zu\t%.1f\t%s\n", entry.method.c_str(),
                     entry.host.c_str(), entry.path.c_str(), entry.status, entry.bytes,
                     entry.millis, entry.scheme.c_str());
        std::fflush(logFile_);
    }
    if (log_.size() >= kMaxLog)
        log_.erase(log_.begin(), log_.begin() + static_cast<std::ptrdiff_t>(kMaxLog / 2));
    log_.push_back(std::move(entry));
}

std::vector<LogEntry> GroupService::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void GroupService::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    fileStoreMost_ = fileStoreNow_.load();
}

void GroupService::EnterFileStore() {
    const int now = ++fileStoreNow_;
    for (int most = fileStoreMost_;
         now > most && !fileStoreMost_.compare_exchange_weak(most, now);) {
    }
}

void GroupService::LeaveFileStore() {
    --fileStoreNow_;
}

Faults GroupService::ParseFaults(const std::string& query) {
    Faults f;
    f.latencyMs = std::max(0, std::atoi(QueryValue(query, "latency").c_str()));
    f.throttleEvery = std::max(0, std::atoi(QueryValue(query, "throttle").c_str()));
    f.dropFor = QueryValue(query, "drop");
    f.trickleFor = QueryValue(query, "trickle");
    f.stallFor = QueryValue(query, "stall");
    f.redirectLoopFor = QueryValue(query, "loop");
    f.oversizeFor = QueryValue(query, "oversize");
    f.throttleFor = QueryValue(query, "throttlefor");
    f.throttleTimes = std::max(0, std::atoi(QueryValue(query, "throttletimes").c_str()));
    f.hangFor = QueryValue(query, "hang");
    f.hangTimes = std::max(0, std::atoi(QueryValue(query, "hangtimes").c_str()));
    f.notImageFor = QueryValue(query, "notimage");
    f.failTimes = std::max(0, std::atoi(QueryValue(query, "failtimes").c_str()));
    f.lineEnds = QueryValue(query, "lineends");
    // status=403:/path (several, comma-separated)
    std::string rules = QueryValue(query, "status");
    std::size_t i = 0;
    while (i < rules.size()) {
        std::size_t j = rules.find(',', i);
        if (j == std::string::npos) j = rules.size();
        const std::string rule = rules.substr(i, j - i);
        const std::size_t colon = rule.find(':');
        if (colon != std::string::npos)
            f.statusFor.emplace_back(rule.substr(colon + 1),
                                     std::atoi(rule.substr(0, colon).c_str()));
        i = j + 1;
    }
    return f;
}

std::string GroupService::NewToken() {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(rng_()),
                  static_cast<unsigned long long>(rng_()));
    return buf;
}

const Member* GroupService::SessionMember(const SimRequest& r) {
    std::lock_guard lock(mutex_);
    for (const char* name : {"Y", "T"}) {
        std::string v = CookieValue(r.cookies, name);
        if (const auto at = v.find("n="); at != std::string::npos) v = v.substr(at + 2);
        auto it = sessions_.find(v);
        if (!v.empty() && it != sessions_.end()) return data_.FindMember(it->second);
    }
    return nullptr;
}

bool GroupService::FirstTime(const SimRequest& r, const std::string& key) {
    std::string token = CookieValue(r.cookies, "Y");
    if (token.empty()) token = CookieValue(r.cookies, "T");
    std::lock_guard lock(mutex_);
    return met_[token].insert(key).second;
}

SimResponse GroupService::Handle(const SimRequest& r) {
    std::shared_ptr<const Faults> current;
    {
        std::lock_guard lock(mutex_);
        current = faults_;
    }
    const Faults& faults = *current;
    const std::string where = r.host + r.path;
    SimResponse response;
    bool handled = false;
    for (const auto& [text, status] : faults.statusFor) {
        if (!text.empty() && where.find(text) != std::string::npos) {
            std::lock_guard lock(mutex_);
            if (faults.failTimes > 0 && failed_ >= faults.failTimes) break;
            ++failed_;
            response = Page(pages::NotFound(r.path), status);
            handled = true;
            break;
        }
    }
    if (!handled && !faults.throttleFor.empty() &&
        where.find(faults.throttleFor) != std::string::npos) {
        std::lock_guard lock(mutex_);
        if (faults.throttleTimes == 0 || throttled_ < faults.throttleTimes) {
            ++throttled_;
            response = Page(pages::Throttled(), 999);
            handled = true;
        }
    }
    if (!handled && !faults.redirectLoopFor.empty() &&
        where.find(faults.redirectLoopFor) != std::string::npos) {
        const int n = std::atoi(QueryValue(r.query, "loop").c_str()) + 1;
        response = Redirect("http://" + r.host + r.path + "?loop=" + std::to_string(n));
        handled = true;
    }
    if (!handled && !faults.notImageFor.empty() &&
        where.find(faults.notImageFor) != std::string::npos) {
        // Neither a picture nor a web page: what a broken store might send for a picture.
        response.contentType = "image/jpeg";
        for (int i = 0; i < 100; ++i) response.body += "This is not a picture.\n";
        handled = true;
    }
    if (!handled && !faults.oversizeFor.empty() &&
        where.find(faults.oversizeFor) != std::string::npos) {
        response.mode = SimResponse::Body::Oversize;
        response.oversizeBytes = 64u * 1024 * 1024;
        handled = true;
    }
    if (!handled) {
        const std::string& h = r.host;
        if (h == hosts::kLogin) {
            response = Login(r);
        } else if (EndsWith(h, hosts::kPhotos)) {
            response = Photos(r, h.substr(0, h.size() - std::string(hosts::kPhotos).size()));
        } else if (EndsWith(h, hosts::kGroups)) {
            response = Groups(r, h.substr(0, h.size() - std::string(hosts::kGroups).size()));
        } else if (EndsWith(h, std::string(".") + hosts::kFileStore) && h.size() > 1 &&
                   h[0] == 'f') {
            response = FileStore(r);
        } else if (h == hosts::kUpdateServer) {
            response = UpdateServer(r);
        } else if (h == "groupsim.control" || h == "localhost" || h == "127.0.0.1") {
            // Reached by a loopback name (directly, not as a proxy) the server answers with its
            // control pages; unlike those of groupsim.control such requests are logged.
            response = Control(r);
        } else {
            response =
                Plain(502, "groupsim: " + h + " is not a host of the simulated group service");
        }
    }
    if (!faults.lineEnds.empty() && response.status == 200 && EndsWith(r.host, hosts::kGroups) &&
        r.path.find("/message/") != std::string::npos)
        response.body = WithLineEnds(response.body, faults.lineEnds);
    if (!faults.dropFor.empty() && where.find(faults.dropFor) != std::string::npos)
        response.mode = SimResponse::Body::DropHalf;
    if (!faults.stallFor.empty() && where.find(faults.stallFor) != std::string::npos)
        response.mode = SimResponse::Body::Stall;
    if (!faults.trickleFor.empty() && where.find(faults.trickleFor) != std::string::npos) {
        response.mode = SimResponse::Body::Trickle;
    }
    if (!faults.hangFor.empty() && where.find(faults.hangFor) != std::string::npos) {
        std::lock_guard lock(mutex_);
        if (faults.hangTimes == 0 || hung_ < faults.hangTimes) {
            ++hung_;
            response.mode = SimResponse::Body::Hang;
        }
    }
    response.latencyMs = faults.latencyMs;
    return response;
}

SimResponse GroupService::Login(const SimRequest& r) {
    const std::string defaultDone = std::string("http://") + hosts::kGroups + "/mygroups";
    auto loginPage = [&](const std::string& done, const std::string& error) {
        std::string challenge, u;
        {
            std::lock_guard lock(mutex_);
            challenge = NewToken();
            u = NewToken().substr(0, 12);
            challenges_.insert(challenge);
            challengeOrder_.push_back(challenge);
            if (challengeOrder_.size() > kMaxChallenges) {
                challenges_.erase(challengeOrder_.front());
                challengeOrder_.erase(challengeOrder_.begin());
            }
        }
        return Page(pages::Login(challenge, u, done.empty() ? defaultDone : done, error));
    };
    auto signIn = [&](const Member& member, bool persistent, const std::string& done) {
        std::string token;
        {
            std::lock_guard lock(mutex_);
            token = NewToken();
            sessions_[token] = member.user;
        }
        SimResponse resp = Redirect("http://" + std::string(hosts::kLogin) +
                                    "/config/verify?.done=" + UrlEncode(done));
        resp.headers.emplace_back("Set-Cookie", "Y=v=1&n=" + token + "; path=/; domain=.yahoo.com");
        if (persistent) {
            resp.headers.emplace_back(
                "Set-Cookie",
                "T=" + token +
                    "; expires=Thu, 31-Dec-2037 23:59:59 GMT; path=/; domain=.yahoo.com");
        }
        return resp;
    };

    if (r.path == "/config/verify") {
        const std::string done = QueryValue(r.query, ".done");
        return Page(pages::Verify(done.empty() ? defaultDone : done));
    }
    if (r.path == "/config/login" && r.method == "POST") {
        const std::string& f = r.body;
        const std::string challenge = QueryValue(f, ".challenge");
        bool known = false;
        {
            std::lock_guard lock(mutex_);
            known = challenges_.erase(challenge) > 0;
        }
        const std::string done = QueryValue(f, ".done");
        if (!known || QueryValue(f, ".u").empty() || QueryValue(f, ".tries").empty() ||
            QueryValue(f, ".src").empty() || QueryValue(f, ".intl").empty()) {
            return loginPage(done, "Your login session has expired. Please sign in again.");
        }
        const Member* m = data_.FindMember(QueryValue(f, "login"));
        if (m == nullptr || m->password != QueryValue(f, "passwd"))
            return loginPage(done, "Invalid ID or password.");
        return signIn(*m, !QueryValue(f, ".persistent").empty(), done.empty() ? defaultDone : done);
    }
    if (r.path == "/config/login") {
        const std::string user = QueryValue(r.query, "login");
        if (!user.empty()) {  // the direct login: the credentials in the address
            const Member* m = data_.FindMember(user);
            if (m == nullptr || m->password != QueryValue(r.query, "passwd")) {
                return loginPage(QueryValue(r.query, ".done"), "Invalid ID or password.");
            }
            return signIn(*m, false, std::string("http://") + hosts::kGroups + "/");
        }
        return loginPage(QueryValue(r.query, ".done"), "");
    }
    if (r.path == "/config/logout") {
        SimResponse resp = Redirect(std::string("http://") + hosts::kLogin + "/");
        resp.headers.emplace_back("Set-Cookie", "Y=; path=/; domain=.yahoo.com");
        resp.headers.emplace_back(
            "Set-Cookie", "T=; expires=Thu, 01-Jan-1970 00:00:00 GMT; path=/; domain=.yahoo.com");
        return resp;
    }
    if (r.path == "/" || r.path.empty()) return loginPage(QueryValue(r.query, ".done"), "");
    return Page(pages::NotFound(r.path), 404);
}

SimResponse GroupService::Groups(const SimRequest& r, const std::string& prefix) {
    if (r.path == "/adultconf") {
        if (r.method == "POST" && !QueryValue(r.body, "accept").empty()) {
            std::string dest = QueryValue(r.body, "dest");
            if (dest.empty()) dest = std::string("http://") + hosts::kGroups + "/";
            SimResponse resp = Redirect(dest);
            resp.headers.emplace_back("Set-Cookie", "AO=1; path=/; domain=.yahoo.com");
            return resp;
        }
        return Page(pages::AdultConfirmation(QueryValue(r.query, "dest")));
    }
    const Member* member = SessionMember(r);
    if (member == nullptr) {
        return Redirect("http://" + std::string(hosts::kLogin) +
                        "/config/login?.src=ygrp&.done=" + UrlEncode(FullUrl(r)));
    }
    if (r.path == "/mygroups") {
        const int page = std::max(1, std::atoi(QueryValue(r.query, "page").c_str()));
        return Page(pages::MyGroups(data_, *member, page));
    }
    const auto parts = Segments(r.path);
    if (parts.empty()) return Page(pages::NotFound("/"), 200);
    if (parts[0] != "group" || parts.size() < 2) return Page(pages::NotFound(r.path), 404);
    const Group* g = data_.FindGroup(parts[1]);
    if (g == nullptr) return Page(pages::NoSuchGroup(parts[1]), 404);
    if (g->prefix != prefix)
        return Redirect("http://" + g->prefix + hosts::kGroups + r.path +
                        (r.query.empty() ? "" : "?" + r.query));
    if (g->adult && CookieValue(r.cookies, "AO").empty()) {
        return Redirect("http://" + std::string(hosts::kGroups) +
                        "/adultconf?dest=" + UrlEncode(FullUrl(r)));
    }
    {
        std::lock_guard lock(mutex_);
        if (faults_->throttleEvery > 0 && ++groupRequests_ % faults_->throttleEvery == 0) {
            SimResponse t = Page(pages::Throttled(), 999);
            return t;
        }
    }
    const std::string section = parts.size() > 2 ? parts[2] : "";
    if (section.empty()) return Page(pages::GroupHome(*g));
    if (!data_.IsMemberOf(*member, *g)) return Page(pages::NotMember(*g));
    const std::string token = FileStoreToken(data_.seed, member->user + "/" + g->name);

    if (section == "messages") {
        const int start = parts.size() > 3 ? std::atoi(parts[3].c_str()) : -1;
        return Page(pages::MessageIndex(*g, start));
    }
    if (section == "message" && parts.size() == 4) {
        const int n = std::atoi(parts[3].c_str());
        const std::size_t index = MessagePosition(*g, n);
        if (index == g->messages.size()) {
            return Page(pages::NotFound("message " + std::to_string(n)));
        }
        const std::string key = g->name + "#" + std::to_string(n);
        if (g->authMessages.count(n) != 0 && FirstTime(r, key + "#auth")) {
            return Redirect("http://" + prefix + hosts::kGroups + "/group/" + g->name +
                            "/auth?done=" + UrlEncode(FullUrl(r)));
        }
        if (g->interstitialMessages.count(n) != 0 && FirstTime(r, key + "#ad"))
            return Page(pages::Interstitial(*g, n));
        return Page(pages::MessagePage(*g, index, token));
    }
    if (section == "auth") return Page(pages::Auth(*g, QueryValue(r.query, "done")));
    if (section == "files") {
        std::vector<std::string> names;
        for (std::size_t i = 3; i < parts.size(); ++i)
            names.push_back(UrlDecodeComponent(parts[i]));
        const Folder* folder = FindFolder(g->files, names);
        if (folder == nullptr) return Page(pages::NotFound(r.path), 404);
        std::string folderPath = "/";
        for (std::size_t i = 3; i < parts.size(); ++i) folderPath += parts[i] + "/";
        return Page(pages::Folder(*g, *folder, folderPath, token));
    }
    if (section == "attach" && parts.size() == 5) {
        const int n = std::atoi(parts[3].c_str());
        const std::string name = UrlDecodeComponent(parts[4]);
        if (const std::size_t at = MessagePosition(*g, n); at < g->messages.size()) {
            for (const auto& a : g->messages[at].attachments) {
                if (a.name != name || a.onFileStore) continue;
                if (a.blocked) return Page(pages::NotFound(r.path), 403);
                return Binary(FileContent(data_.seed, AttachmentKey(g->name, n, a)), TypeOf(name));
            }
        }
        return Page(pages::NotFound(r.path), 404);
    }
    return Page(pages::NotFound(r.path), 404);
}

SimResponse GroupService::Photos(const SimRequest& r, const std::string& prefix) {
    const Member* member = SessionMember(r);
    if (member == nullptr) {
        return Redirect("http://" + std::string(hosts::kLogin) +
                        "/config/login?.src=ygrp&.done=" + UrlEncode(FullUrl(r)));
    }
    const auto parts = Segments(r.path);
    if (parts.size() < 3 || parts[0] != "group") return Page(pages::NotFound(r.path), 404);
    const Group* g = data_.FindGroup(parts[1]);
    if (g == nullptr) return Page(pages::NoSuchGroup(parts[1]), 404);
    if (g->prefix != prefix) {
        return Redirect("http://" + g->prefix + hosts::kPhotos + r.path +
                        (r.query.empty() ? "" : "?" + r.query));
    }
    if (g->adult && CookieValue(r.cookies, "AO").empty()) {
        return Redirect("http://" + std::string(hosts::kGroups) +
                        "/adultconf?dest=" + UrlEncode(FullUrl(r)));
    }
    if (!data_.IsMemberOf(*member, *g)) return Page(pages::NotMember(*g));
    const std::string dir = QueryValue(r.query, ".dir");  // "/Summer Walk" once decoded
    const std::string albumName = dir.size() > 1 ? dir.substr(1) : "";
    int album = -1;
    for (std::size_t i = 0; i < g->albums.size(); ++i) {
        if (g->albums[i].name == albumName) album = static_cast<int>(i);
    }
    if (!albumName.empty() && album < 0) return Page(pages::NotFound(albumName), 404);
    const std::string view = QueryValue(r.query, ".view");
    if (parts[2] == "lst") {
        int begin = std::max(1, std::atoi(QueryValue(r.query, ".begin").c_str()));
        if (album >= 0 && begin == 9999) {
            const int total =
                static_cast<int>(g->albums[static_cast<std::size_t>(album)].photos.size());
            begin = total > 0 ? ((total - 1) / kPhotosPerPage) * kPhotosPerPage + 1 : 1;
        }
        // The top list ("/") also shows the photos at the top level.
        return Page(
            pages::PhotoList(*g, albumName.empty() ? -1 : album, view == "t" ? 't' : 'l', begin));
    }
    if (parts[2] == "vwp" && album >= 0) {
        const std::string name = QueryValue(r.query, ".dnm");
        const Album& a = g->albums[static_cast<std::size_t>(album)];
        if (std::find(a.photos.begin(), a.photos.end(), name) == a.photos.end())
            return Page(pages::NotFound(name), 404);
        const std::string token = FileStoreToken(data_.seed, member->user + "/" + g->name);
        return Page(pages::PhotoView(*g, a, name, QueryValue(r.query, ".hires") == "t", token));
    }
    return Page(pages::NotFound(r.path), 404);
}

SimResponse GroupService::FileStore(const SimRequest& r) {
    const auto parts = Segments(r.path);
    if (parts.size() < 3 || parts[0] != "v1") return Page(pages::NotFound(r.path), 404);
    std::pair<std::string, std::string> owner;
    {
        std::lock_guard lock(mutex_);
        auto it = fileTokens_.find(parts[1]);
        if (it == fileTokens_.end())
            return Plain(403, "Forbidden: this link is not valid for you.");
        owner = it->second;
    }
    const Group* g = data_.FindGroup(owner.second);
    if (g == nullptr) return Page(pages::NotFound(r.path), 404);
    std::string rest;
    for (std::size_t i = 2; i < parts.size(); ++i)
        rest += (i > 2 ? "/" : "") + UrlDecodeComponent(parts[i]);
    if (parts[2] == ".attach" && parts.size() == 5) {
        const int n = std::atoi(parts[3].c_str());
        const std::string name = UrlDecodeComponent(parts[4]);
        if (const std::size_t at = MessagePosition(*g, n); at < g->messages.size()) {
            for (const auto& a : g->messages[at].attachments) {
                if (a.name != name || !a.onFileStore) continue;
                if (a.blocked) return Plain(403, "Forbidden");
                return Binary(FileContent(data_.seed, AttachmentKey(g->name, n, a)), TypeOf(name));
            }
        }
        return Page(pages::NotFound(r.path), 404);
    }
    if (parts[2] == ".photos" && parts.size() == 5) {
        const std::string albumName =
            parts[3] == kTopAlbum ? std::string() : UrlDecodeComponent(parts[3]);
        std::string name = UrlDecodeComponent(parts[4]);
        const bool hires = StartsWith(name, "hr_");
        if (hires) name = name.substr(3);
        for (const auto& a : g->albums) {
            if (a.name == albumName &&
                std::find(a.photos.begin(), a.photos.end(), name) != a.photos.end()) {
                return Binary(
                    PictureContent(data_.seed, g->name + "/photos/" + albumName + "/" + name, hires,
                                   a.pictureBytes),
                    "image/jpeg");
            }
        }
        return Page(pages::NotFound(r.path), 404);
    }
    const std::size_t tokenEnd = r.path.find('/', 4);  // after "/v1/TOKEN"
    const std::string link = r.path.substr(tokenEnd + 1) + (r.query.empty() ? "" : "?" + r.query);
    if (const std::string key = FindRawFile(g->files, "", link); !key.empty())
        return Binary(FileContent(data_.seed, g->name + "/files/" + key), TypeOf(key));
    if (HasFile(g->files, rest)) {
        const std::string key = g->name + "/files/" + rest;
        const std::size_t size = FileSize(data_.seed, key);
        if (size <= kWholeBodyLimit) return Binary(FileContent(data_.seed, key), TypeOf(rest));
        SimResponse big;
        big.contentType = TypeOf(rest);
        big.mode = SimResponse::Body::Generated;
        big.generatedBytes = size;
        big.generate = [seed = data_.seed, key](std::size_t offset, char* out, std::size_t n) {
            FileBytesAt(seed, key, offset, out, n);
        };
        return big;
    }
    return Page(pages::NotFound(r.path), 404);
}

SimResponse GroupService::Control(const SimRequest& r) {
    if (r.path == "/log") {
        std::string out = "method\thost\tpath\tstatus\tbytes\tms\tscheme\n";
        for (const auto& e : Log()) {
            char ms[32];
            std::snprintf(ms, sizeof ms, "%.1f", e.millis);
            out += e.method + "\t" + e.host + "\t" + e.path + "\t" + std::to_string(e.status) +
                   "\t" + std::to_string(e.bytes) + "\t" + ms + "\t" + e.scheme + "\n";
        }
        return Binary(out, "text/tab-separated-values");
    }
    if (r.path == "/log/concurrency") {
        return Plain(200, "file store: " + std::to_string(MostConcurrentFileStore()));
    }
    if (r.path == "/log/clear") {
        ClearLog();
        return Plain(200, "log cleared");
    }
    if (r.path == "/faults") {
        SetFaults(ParseFaults(r.query));
        return Plain(200, "faults set");
    }
    if (r.path == "/update-file") {
        SetUpdateFile(ParseUpdateFile(r.query));
        return Plain(200, "update file set");
    }
    if (r.path == "/forms") {
        // Two forms with an element of the same name, for tests of a browser's form handling.
        return Page(
            "<html><head><title>Forms</title></head><body>\n"
            "<form name=\"one\" method=\"get\" action=\"/echo?old=1\">\n"
            "<input type=\"text\" name=\"login\" value=\"\">\n"
            "<input type=\"hidden\" name=\"kind\" value=\"first &amp; only\">\n"
            "<input type=\"checkbox\" name=\"keep\" value=\"y\">\n"
            "<input type=\"submit\" name=\"go\" value=\"Go\">\n</form>\n"
            "<form name=\"two\" method=\"POST\" action=\"http://groupsim.control/echo\">\n"
            "<input name=\"login\">\n<select name=\"colour\"><option value=\"red\">Red<option "
            "value=\"blue\" "
            "selected>Blue</select>\n<textarea name=\"note\">a &lt;b&gt;</textarea>\n"
            "<input type=\"submit\" name=\" .SAVE \" value=\"Save\">\n"
            "<input type=\"submit\" name=\"other\" value=\"Send it\">\n</form>\n</body></html>\n");
    }
    if (r.path == "/echo") {
        return Page("<html><body><p>method=" + HtmlEscape(r.method) +
                    "</p><p>query=" + HtmlEscape(r.query) + "</p><p>body=" + HtmlEscape(r.body) +
                    "</p><p>cookies=" + HtmlEscape(r.cookies) + "</p></body></html>\n");
    }
    if (r.path == "/set-cookie") {
        // The cookie is the query's `c`, as a whole Set-Cookie value (attributes included).
        SimResponse page = Plain(200, "cookie set");
        page.headers.emplace_back("Set-Cookie", QueryValue(r.query, "c"));
        return page;
    }
    if (r.path == "/refresh-loop") {
        return Page("<html><head><meta http-equiv=\"refresh\" content=\"0; url=/refresh-loop?n=" +
                    std::to_string(std::atoi(QueryValue(r.query, "n").c_str()) + 1) +
                    "\"></head></html>\n");
    }
    return Plain(404,
                 "groupsim control: /log, /log/concurrency, /log/clear, /faults?..., "
                 "/update-file?version=&msg=&url=&header=, /forms, /echo, /set-cookie?c=..., "
                 "/refresh-loop");
}

void GroupService::SetUpdateFile(UpdateFile file) {
    std::lock_guard lock(mutex_);
    update_ = std::move(file);
}

UpdateFile GroupService::CurrentUpdateFile() const {
    std::lock_guard lock(mutex_);
    return update_;
}

SimResponse GroupService::UpdateServer(const SimRequest& r) {
    if (r.path != kUpdateFilePath) return Plain(404, "no such file on the update server");
    const UpdateFile file = CurrentUpdateFile();
    SimResponse answer = Binary(UpdateFileText(file), "text/plain");
    if (const auto colon = file.header.find(':'); colon != std::string::npos) {
        std::string value = file.header.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        answer.headers.emplace_back(file.header.substr(0, colon), value);
    }
    return answer;
}

}  // namespace groupsim
