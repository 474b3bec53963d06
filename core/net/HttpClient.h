#pragma once
// THttpClient: one HTTP GET at a time, the body into memory or streamed straight into a file,
// with the member's cookies from the shared cookie store, redirects followed, a time-out on
// connecting and on every read, and the system proxy (or none). Built on libcurl.
//
// Failures are values: Execute returns false and ErrorCode / Failed / StatusText tell why:
//   "Unable to Open Internet Session"   the library could not start a request
//   "Unable to Send HTTP Request"       no answer (name, connection, time-out, certificate);
//                                       ErrorCode is the desktop internet layer's number
//                                       (12007 name not resolved, 12029 cannot connect,
//                                       12002 time-out, 12045 a certificate that cannot be
//                                       trusted: unknown issuer, self-signed, expired, made out
//                                       to another host, or no usable authorities file, ...)
//
// https is always verified: the server's certificate must lead to a trusted authority and name
// the host of the address; a certificate that does not is a failed request, never retried
// without verification or over http. CertificateAuthorities picks the trusted authorities.
//   the server's status text            a status outside 2xx; ErrorCode is the status
//   "Retrieval Denied"                  OnHeaderReceived refused the body (Failed 0)
//   "Retrieval Interrupted"             the body broke off or stalled past the time-out
//   "Retrieval Refused"                 the body in memory grew past MaxBodySize (Failed 1)
//   "Retrieval Rejected: REASON"        CheckBody judged the body not to be what was asked for
//                                       (Failed 1); nothing of it is kept
// TransferFailure (net/TransferFailure.h) turns these into the words a user reads.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class TCookieStore;

enum class TOpenOptions { ooDirect, ooPreconfig, ooPreconfigWithNoAutoProxy, ooProxy };

enum class TOpenURLOptionStyle {
    ouCacheIfNetFail,
    ouHyperLink,
    ouIgnoreCertCNInvalid,
    ouIgnoreCertDateInvalid,
    ouIgnoreRedirectToHTTPS,
    ouIgnoreRedirectToHTTP,
    ouKeepConnection,
    ouMustCacheRequest,
    ouNeedFile,
    ouNoAuth,
    ouNoAutoRedirect,
    ouNoCacheWrite,
    ouNoCookies,
    ouNoUI,
    ouPragmaNoCache,
    ouResyncronize,
    ouSecure
};
using TOpenURLOptions = std::set<TOpenURLOptionStyle>;

// The result record the item downloaders keep of one download.
struct TURLReturnValue {
    std::string Text;
    std::string Host;
    std::string BaseURL;
    std::int32_t Status = 0;
    void Clear();
};
inline void ClearURLReturnValue(TURLReturnValue& v) {
    v.Clear();
}

class THttpClient {
public:
    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    std::string ApplicationName = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";
    // A PEM file of the certificate authorities https servers are checked against, trusted
    // instead of the system's store; empty: the system's store. Starts as the SSL_CERT_FILE
    // environment variable when that is set, as in other programs built on OpenSSL.
    std::string CertificateAuthorities;
    std::int32_t TimeOut = 30;      // seconds: connecting and each read
    std::int32_t TotalTimeOut = 0;  // seconds for the whole request, redirects included; 0: none
    // The most bytes a body read into memory may have (0: no limit); a longer one ends the
    // request with "Retrieval Refused". Bodies streamed into a file are not limited.
    std::size_t MaxBodySize = 0;
    std::uint32_t BufferSize = 16384;  // bytes per piece of the body
    std::uint16_t Port = 0;            // 0: the port of the address, or the scheme's default
    TOpenOptions OpenOptions = TOpenOptions::ooPreconfig;
    std::string Referer;
    std::string ExtraHeaders;  // "Name: value" lines, CR LF separated
    std::string PostData;      // sent with a GET as its body when not empty (unused by the program)
    // For the browser engine: "POST" sends PostData as a form; the answer to a POST that
    // redirects is fetched with GET. Downloads always GET.
    std::string Method = "GET";
    // For the browser engine: read the body of any status (error pages are documents too);
    // Execute then returns true when a body was read to its end, whatever the status.
    bool AcceptErrorPages = false;
    // Keep the request's header lines in RequestHeaders (the library then reports every step
    // of the request; a client that never reads them leaves this off).
    bool RecordRequestHeaders = true;
    // Checked while the transfer runs; set, it ends the transfer ("Retrieval Interrupted" or
    // "Unable to Send HTTP Request").
    const std::atomic<bool>* CancelFlag = nullptr;
    // For the browser engine: runs one prepared request of the library (its easy handle) to its
    // end and returns the library's result code. Unset, the request runs on the calling thread,
    // blocking it.
    std::function<int(void* handle)> Perform;

    std::function<void(THttpClient&)> OnIdle;
    // Called once the response headers are in; setting retrieveDoc to false refuses the body.
    std::function<void(THttpClient&, int statusCode, bool& retrieveDoc)> OnHeaderReceived;
    std::function<void(THttpClient&, int status, const std::string& information)> OnStatus;
    // Judges a 2xx answer by its first bytes (kBodyHeadBytes, or the whole body when it is
    // shorter) and ContentType before any of it is kept: a non-empty reason ends the request
    // with "Retrieval Rejected: " + reason, so a file never takes the name. Unset: every body
    // is kept.
    std::function<std::string(const THttpClient&, std::string_view head)> CheckBody;
    static constexpr std::size_t kBodyHeadBytes = 64;

    // The cookie store requests take their cookies from and give new ones to (the user's
    // store unless set).
    void SetCookieStore(TCookieStore* store) { cookies_ = store; }

    void SetURL(const std::string& url);
    [[nodiscard]] const std::string& URL() const { return url_; }
    [[nodiscard]] const std::string& Host() const { return host_; }
    [[nodiscard]] const std::string& ObjectName() const { return objectName_; }
    [[nodiscard]] const std::string& BaseURL() const { return baseUrl_; }
    void SetOpenURLOptions(const TOpenURLOptions& options);
    [[nodiscard]] const TOpenURLOptions& OpenURLOptions() const { return openUrlOptions_; }
    [[nodiscard]] std::uint32_t RequestFlags() const { return requestFlags_; }

    void Reset();
    // True only when a 2xx answer was read to its end. With a file name the body goes into
    // that file, which appears (or replaces an earlier one) only when the body is complete: a
    // failed, short or cancelled transfer leaves the name as it was. Raises EFileError when the
    // target file cannot be created or written.
    [[nodiscard]] bool Execute(const std::string& fileName = {});
    [[nodiscard]] bool Get() { return Execute(); }
    // For running several clients' requests side by side on one thread (TParallelRequests):
    // StartRequest prepares the request as Execute would and gives the library handle of its
    // first step (null: it ended at once, its result in RequestOk()); once that handle has run,
    // NextHop takes the library's result code and gives the handle of the next step (a
    // redirect), or null when the request is over. Both raise what Execute raises.
    [[nodiscard]] void* StartRequest(const std::string& fileName = {});
    [[nodiscard]] void* NextHop(int curlResult);
    [[nodiscard]] bool RequestOk() const { return requestOk_; }
    [[nodiscard]] bool GetToFile(const std::string& url, const std::string& fileName);
    [[nodiscard]] std::string BodyText() const { return body_; }

    // Results of the last request.
    [[nodiscard]] const std::string& Body() const { return body_; }
    std::string ResponseHeaders;
    std::string RequestHeaders;
    std::vector<std::string> Cookies;
    std::int32_t ErrorCode = 0;
    std::int32_t Failed = 0;
    std::string StatusText;
    std::uint32_t BytesReceived = 0;
    std::uint32_t LastReadSize = 0;
    // The address the answer finally came from (after redirects).
    std::string EffectiveURL;
    // The Content-Type the answer was sent with ("" when none).
    std::string ContentType;
    [[nodiscard]] int StatusCode() const { return statusCode_; }

private:
    struct Transfer;
    struct Request;
    void* PrepareHop();
    bool EndRequest(std::int32_t code, std::int32_t failed, std::string text);
    std::string url_, host_, objectName_, baseUrl_;
    TOpenURLOptions openUrlOptions_;
    std::uint32_t requestFlags_ = 0;
    std::string body_;
    int statusCode_ = 0;
    TCookieStore* cookies_ = nullptr;
    void* handle_ = nullptr;            // the library's handle, kept for the client's next request
    std::unique_ptr<Request> request_;  // the request that runs
    bool requestOk_ = false;
};

// The desktop internet layer's error number for a libcurl failure.
[[nodiscard]] std::int32_t InternetErrorFor(int curlCode);

}  // namespace tessaly
