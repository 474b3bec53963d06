#include "net/HttpClient.h"

#include <curl/curl.h>

#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <memory>

#include "net/CookieStore.h"
#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr int kMaxRedirects = 10;

// Status notifications passed to OnStatus (the desktop internet layer's numbers).
constexpr int kStatusSendingRequest = 30;
constexpr int kStatusResponseReceived = 41;
constexpr int kStatusRedirect = 110;

std::uint32_t FlagOf(TOpenURLOptionStyle o) {
    switch (o) {
        case TOpenURLOptionStyle::ouCacheIfNetFail:
            return 0x00010000;
        case TOpenURLOptionStyle::ouHyperLink:
            return 0x00000400;
        case TOpenURLOptionStyle::ouIgnoreCertCNInvalid:
            return 0x00001000;
        case TOpenURLOptionStyle::ouIgnoreCertDateInvalid:
            return 0x00002000;
        case TOpenURLOptionStyle::ouIgnoreRedirectToHTTPS:
            return 0x00004000;
        case TOpenURLOptionStyle::ouIgnoreRedirectToHTTP:
            return 0x00008000;
        case TOpenURLOptionStyle::ouKeepConnection:
            return 0x00400000;
        case TOpenURLOptionStyle::ouMustCacheRequest:
            return 0x00000010;
        case TOpenURLOptionStyle::ouNeedFile:
            return 0x00000010;
        case TOpenURLOptionStyle::ouNoAuth:
            return 0x00040000;
        case TOpenURLOptionStyle::ouNoAutoRedirect:
            return 0x00200000;
        case TOpenURLOptionStyle::ouNoCacheWrite:
            return 0x04000000;
        case TOpenURLOptionStyle::ouNoCookies:
            return 0x00080000;
        case TOpenURLOptionStyle::ouNoUI:
            return 0x00000200;
        case TOpenURLOptionStyle::ouPragmaNoCache:
            return 0x00000100;
        case TOpenURLOptionStyle::ouResyncronize:
            return 0x00000800;
        case TOpenURLOptionStyle::ouSecure:
            return 0x00800000;
    }
    return 0;
}

std::string Resolve(const std::string& base, const std::string& location) {
    const QUrl resolved =
        QUrl(QString::fromStdString(base)).resolved(QUrl(QString::fromStdString(location)));
    return resolved.toString(QUrl::FullyEncoded).toStdString();
}

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

void EnsureCurl() {
    static CurlGlobal global;
}

}  // namespace

std::int32_t InternetErrorFor(int code) {
    switch (static_cast<CURLcode>(code)) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return 12007;  // name not resolved
        case CURLE_COULDNT_CONNECT:
            return 12029;  // cannot connect
        case CURLE_OPERATION_TIMEDOUT:
            return 12002;  // time-out
        // Every way a server's certificate can fail to be trusted (the library reports an
        // unknown issuer, a self-signed, expired or not yet valid certificate and one made out
        // to another host all as a failed verification), and a set of authorities that cannot
        // be read, with which no certificate can be trusted.
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return 12045;  // untrusted certificate
        case CURLE_SSL_CONNECT_ERROR:
            return 12157;  // secure channel error
        case CURLE_TOO_MANY_REDIRECTS:
            return 12156;  // redirect failed
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return 12006;  // unrecognised scheme / bad address
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return 12030;  // connection aborted
        default:
            return 12000 + static_cast<int>(code) % 1000;
    }
}

void TURLReturnValue::Clear() {
    Text.clear();
    Host.clear();
    BaseURL.clear();
    Status = 0;
}

THttpClient::THttpClient() {
    EnsureCurl();
    if (const char* authorities = std::getenv("SSL_CERT_FILE"); authorities != nullptr)
        CertificateAuthorities = authorities;
}

void THttpClient::SetURL(const std::string& url) {
    url_ = url;
    host_.clear();
    objectName_.clear();
    baseUrl_.clear();
    std::string copy = url;
    if (StartsText("http://", copy)) {
        copy.erase(0, 7);
    } else if (StartsText("https://", copy)) {
        copy.erase(0, 8);
    }
    if (copy.empty()) return;
    if (copy.back() == '/') copy.pop_back();
    const auto slash = copy.find('/');
    if (slash == std::string::npos) {
        host_ = copy;
        baseUrl_ = copy;
        return;
    }
    host_ = copy.substr(0, slash);
    const std::string path = copy.substr(slash + 1);
    const auto last = path.rfind('/');
    baseUrl_ = last == std::string::npos ? host_ : host_ + "/" + path.substr(0, last);
    objectName_ = "/" + path;
}

void THttpClient::SetOpenURLOptions(const TOpenURLOptions& options) {
    openUrlOptions_ = options;
    requestFlags_ = 0;
    for (auto o : options) requestFlags_ += FlagOf(o);
}

void THttpClient::Reset() {
    body_.clear();
    StatusText.clear();
    ErrorCode = 0;
    Failed = 0;
    BytesReceived = 0;
    LastReadSize = 0;
}

bool THttpClient::GetToFile(const std::string& url, const std::string& fileName) {
    SetURL(url);
    Reset();
    return Execute(fileName);
}

// One request's state, reached from libcurl's callbacks.
struct THttpClient::Transfer {
    Transfer(THttpClient& c, TCookieStore* store, std::string hopUrl, const std::string& target,
             bool follow)
        : client(c),
          cookies(store),
          url(std::move(hopUrl)),
          fileName(target),
          followRedirects(follow) {}
    THttpClient& client;
    TCookieStore* cookies;
    std::string url;  // of this hop
    const std::string& fileName;
    bool followRedirects;
    bool lastHop = false;
    int status = 0;
    std::string reason;
    std::string headers;
    std::string location;
    bool headersDone = false;
    bool redirect = false;
    bool refused = false;
    bool rejected = false;  // not 2xx
    bool tooManyRedirects = false;
    bool stalled = false;
    bool tooLarge = false;  // the body grew past MaxBodySize
    std::string contentType;
    std::string head;      // the body's first bytes, for CheckBody
    bool checked = false;  // CheckBody has judged the body
    std::string unwanted;  // why CheckBody refused the body
    curl_off_t lastBytes = -1;
    std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();
    std::unique_ptr<TCompleteFileWriter> file;  // named only when the body is complete
    std::string pending;                        // bytes waiting to make a whole piece
    std::exception_ptr error;

    // Lets CheckBody judge the body by its head; false when it refuses it.
    bool Check() {
        checked = true;
        if (client.CheckBody) unwanted = client.CheckBody(client, head);
        return unwanted.empty();
    }

    void Piece(const char* data, std::size_t n) {
        if (file) {
            file->Write(std::string_view(data, n));
        } else {
            client.body_.append(data, n);
        }
        client.BytesReceived += static_cast<std::uint32_t>(n);
        client.LastReadSize = static_cast<std::uint32_t>(n);
        if (client.OnIdle) client.OnIdle(client);
    }

    // Called at the blank line that ends a response's headers.
    bool EndOfHeaders() {
        if (status >= 100 && status < 200) {  // an interim answer; the real one follows
            headers.clear();
            return true;
        }
        headersDone = true;
        if (status >= 300 && status < 400 && !location.empty() && followRedirects) {
            if (lastHop) {
                tooManyRedirects = true;
                return false;
            }
            redirect = true;
            return true;
        }
        client.ResponseHeaders = headers;
        client.ContentType = contentType;
        client.statusCode_ = status;
        if (client.OnStatus) client.OnStatus(client, kStatusResponseReceived, url);
        bool retrieve = true;
        if (client.OnHeaderReceived) client.OnHeaderReceived(client, status, retrieve);
        if ((status < 200 || status > 299) && !client.AcceptErrorPages) {
            rejected = true;
            return false;
        }
        if (!retrieve) {
            refused = true;
            return false;
        }
        if (!fileName.empty()) file = std::make_unique<TCompleteFileWriter>(fileName);
        return true;
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        try {
            std::string line(data, n);
            t.headers += line;
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            if (StartsText("HTTP/", line)) {
                t.headers = line + "\r\n";
                t.location.clear();
                t.contentType.clear();
                const auto sp = line.find(' ');
                const std::string code = sp == std::string::npos ? "" : line.substr(sp + 1, 3);
                if (!IsAllDigits(code))
                    throw std::runtime_error("unreadable HTTP status in \"" + line + "\"");
                t.status = std::stoi(code);
                t.reason = sp + 4 < line.size() ? Trim(line.substr(sp + 4)) : "";
            } else if (line.empty()) {
                if (!t.EndOfHeaders()) return 0;
            } else if (const auto colon = line.find(':'); colon != std::string::npos) {
                const std::string name = line.substr(0, colon);
                const std::string value = Trim(line.substr(colon + 1));
                if (SameText(name, "Set-Cookie") && t.cookies != nullptr)
                    t.cookies->SetCookie(t.url, value);
                if (SameText(name, "Location")) t.location = value;
                if (SameText(name, "Content-Type")) t.contentType = value;
            }
        } catch (...) {
            // Carried across the library's C frames and raised again after the transfer.
            t.error = std::current_exception();
            return 0;
        }
        return n;
    }

    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* self) {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        if (t.redirect) return n;  // the body of a redirect is not wanted
        const THttpClient& c = t.client;
        if (!t.file && c.MaxBodySize != 0 &&
            c.body_.size() + t.pending.size() + n > c.MaxBodySize) {
            t.tooLarge = true;
            return 0;
        }
        try {
            if (!t.checked && c.CheckBody) {
                // Nothing is kept before the body's head has been judged.
                t.head.append(data, std::min(n, kBodyHeadBytes - t.head.size()));
                if (t.head.size() == kBodyHeadBytes && !t.Check()) return 0;
            }
            const std::size_t piece = std::max<std::size_t>(1, t.client.BufferSize);
            std::size_t from = 0;
            if (!t.pending.empty()) {  // first complete the piece begun before
                from = std::min(n, piece - t.pending.size());
                t.pending.append(data, from);
                if (t.pending.size() < piece) return n;
                t.Piece(t.pending.data(), piece);
                t.pending.clear();
            }
            // Whole pieces straight from the library's buffer: no copy of a big body.
            for (; n - from >= piece; from += piece) t.Piece(data + from, piece);
            t.pending.assign(data + from, n - from);
        } catch (...) {
            t.error = std::current_exception();
            return 0;
        }
        return n;
    }

    // Ends a transfer that has received nothing for TimeOut seconds (the library's own
    // low-speed check averages over several seconds and would let a burst hide a stall).
    static int OnProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t) {
        auto& t = *static_cast<Transfer*>(self);
        if (t.client.CancelFlag != nullptr && t.client.CancelFlag->load()) return 1;
        const auto now = std::chrono::steady_clock::now();
        if (dlnow != t.lastBytes) {
            t.lastBytes = dlnow;
            t.lastProgress = now;
            return 0;
        }
        if (now - t.lastProgress > std::chrono::seconds(std::max(1, t.client.TimeOut))) {
            t.stalled = true;
            return 1;
        }
        return 0;
    }

    static int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* self) {
        auto& t = *static_cast<Transfer*>(self);
        if (type == CURLINFO_HEADER_OUT) t.client.RequestHeaders.assign(data, size);
        return 0;
    }
};

// What one request keeps from hop to hop (redirects).
struct THttpClient::Request {
    std::string fileName;
    TCookieStore* store = nullptr;
    bool follow = true;
    std::string target;
    std::string method;
    std::chrono::steady_clock::time_point started;
    int hop = 0;
    std::unique_ptr<Transfer> transfer;  // of the hop that runs
    curl_slist* headers = nullptr;
    std::string cookieLine;

    Request() = default;
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
    ~Request() { FreeHeaders(); }
    void FreeHeaders() {
        if (headers != nullptr) curl_slist_free_all(headers);
        headers = nullptr;
    }
};

THttpClient::~THttpClient() {
    request_.reset();
    if (handle_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

bool THttpClient::Execute(const std::string& fileName) {
    for (void* hop = StartRequest(fileName); hop != nullptr;)
        hop = NextHop(Perform ? Perform(hop) : static_cast<int>(curl_easy_perform(hop)));
    return requestOk_;
}

bool THttpClient::EndRequest(std::int32_t code, std::int32_t failed, std::string text) {
    ErrorCode = code;
    Failed = failed;
    StatusText = std::move(text);
    requestOk_ = false;
    request_.reset();
    return false;
}

void* THttpClient::StartRequest(const std::string& fileName) {
    Reset();
    ErrorCode = 0;
    statusCode_ = 0;
    requestOk_ = false;
    ResponseHeaders.clear();
    RequestHeaders.clear();
    Cookies.clear();
    EffectiveURL.clear();
    ContentType.clear();
    request_.reset();

    // One handle per client, reset for every request: its open connections (keep-alive) serve
    // the client's next request, and go when the client goes.
    if (handle_ == nullptr) handle_ = curl_easy_init();
    if (handle_ == nullptr) {
        EndRequest(12000, 1, "Unable to Open Internet Session");
        return nullptr;
    }
    auto r = std::make_unique<Request>();
    r->fileName = fileName;
    r->store = openUrlOptions_.count(TOpenURLOptionStyle::ouNoCookies) != 0
                   ? nullptr
                   : (cookies_ != nullptr ? cookies_ : &TCookieStore::Instance());
    r->follow = openUrlOptions_.count(TOpenURLOptionStyle::ouNoAutoRedirect) == 0;
    r->target = url_.find("://") == std::string::npos ? "http://" + url_ : url_;
    r->method = SameText(Method, "POST") ? "POST" : "GET";
    r->started = std::chrono::steady_clock::now();
    request_ = std::move(r);
    return PrepareHop();
}

void* THttpClient::PrepareHop() {
    Request& r = *request_;
    r.transfer = std::make_unique<Transfer>(*this, r.store, r.target, r.fileName, r.follow);
    Transfer& t = *r.transfer;
    t.lastHop = r.hop >= kMaxRedirects;
    CURL* c = static_cast<CURL*>(handle_);
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, r.target.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, ApplicationName.c_str());
    if (!Referer.empty()) curl_easy_setopt(c, CURLOPT_REFERER, Referer.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION,
                     0L);  // followed here, so every hop gets its cookies
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(std::max(1, TimeOut)));
    // A transfer that moves no byte for TimeOut seconds fails (also while waiting for headers).
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(std::max(1, TimeOut)));
    // The library reads at least 64 KiB at a time (a small file and its headers in one read);
    // the body is still handed on in pieces of BufferSize.
    curl_easy_setopt(
        c, CURLOPT_BUFFERSIZE,
        static_cast<long>(std::clamp<std::uint32_t>(BufferSize, 64 * 1024, 512 * 1024)));
    if (Port != 0) curl_easy_setopt(c, CURLOPT_PORT, static_cast<long>(Port));
    if (OpenOptions == TOpenOptions::ooDirect) curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    // Certificates are always checked: an untrusted one fails like any other send failure.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!CertificateAuthorities.empty()) {
        // Only these authorities: the system's folder of them is not consulted either.
        curl_easy_setopt(c, CURLOPT_CAINFO, CertificateAuthorities.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
    }
    r.FreeHeaders();
    r.cookieLine = r.store != nullptr ? r.store->CookieHeader(r.target) : std::string();
    if (!r.cookieLine.empty())
        r.headers = curl_slist_append(r.headers, ("Cookie: " + r.cookieLine).c_str());
    for (const auto& line : SplitAll(ReplaceAllStr(ExtraHeaders, "\r\n", "\n"), '\n')) {
        if (!Trim(line).empty()) r.headers = curl_slist_append(r.headers, line.c_str());
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, r.headers);
    if (r.method == "POST") {
        r.headers = curl_slist_append(r.headers, "Content-Type: application/x-www-form-urlencoded");
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, PostData.c_str());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(PostData.size()));
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, r.headers);
    } else if (!PostData.empty()) {
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, PostData.c_str());
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "GET");
    }
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::OnWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    if (RecordRequestHeaders) {
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Transfer::OnDebug);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, &t);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    }
    if (TotalTimeOut > 0) {
        const auto spent = std::chrono::steady_clock::now() - r.started;
        const long left = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::seconds(TotalTimeOut) - spent)
                                                .count());
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, std::max(1L, left));
    }
    if (OnStatus) OnStatus(*this, kStatusSendingRequest, r.target);
    return c;
}

void* THttpClient::NextHop(int result) {
    if (!request_) return nullptr;
    Request& r = *request_;
    const auto rc = static_cast<CURLcode>(result);
    r.FreeHeaders();
    Transfer& t = *r.transfer;
    if (t.error) {
        const std::exception_ptr error = t.error;
        request_.reset();  // the partial file, if any, goes with it
        std::rethrow_exception(error);
    }
    EffectiveURL = r.target;
    // The cookies this hop sent (the header line built above).
    if (!r.cookieLine.empty()) {
        for (const auto& part : SplitAll(r.cookieLine, ';')) Cookies.push_back(Trim(part));
    }
    if (t.redirect && (rc == CURLE_OK || rc == CURLE_PARTIAL_FILE)) {
        if (OnStatus) OnStatus(*this, kStatusRedirect, t.location);
        r.target = Resolve(r.target, t.location);
        if (t.status != 307 && t.status != 308)
            r.method = "GET";  // the answer to a form is fetched
        ++r.hop;
        return PrepareHop();
    }
    if (t.tooManyRedirects) return EndRequest(12156, 1, "Unable to Send HTTP Request"), nullptr;
    if (t.rejected) return EndRequest(t.status, 1, t.reason), nullptr;
    if (t.refused) return EndRequest(0, 0, "Retrieval Denied"), nullptr;
    // A body shorter than the head is judged once it is complete.
    if (t.unwanted.empty() && rc == CURLE_OK && t.headersDone && !t.checked && CheckBody)
        (void)t.Check();
    if (!t.unwanted.empty()) return EndRequest(0, 1, "Retrieval Rejected: " + t.unwanted), nullptr;
    if (!t.headersDone) {
        EndRequest(t.stalled ? 12002 : InternetErrorFor(rc), 1, "Unable to Send HTTP Request");
        return nullptr;
    }
    if (t.tooLarge) {
        body_.clear();
        EndRequest(0, 1,
                   "Retrieval Refused: the answer is larger than " +
                       std::to_string(MaxBodySize / (1024 * 1024)) + " MB");
        return nullptr;
    }
    if (rc != CURLE_OK) {
        // What arrived is dropped: a short file never takes the name (nor replaces an
        // earlier complete copy).
        EndRequest(0, 1, "Retrieval Interrupted");
        return nullptr;
    }
    if (!t.pending.empty()) t.Piece(t.pending.data(), t.pending.size());
    if (t.file) t.file->Commit();
    Failed = 0;
    StatusText.clear();
    requestOk_ = true;
    request_.reset();
    return nullptr;
}

}  // namespace tessaly
