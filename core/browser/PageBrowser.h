#pragma once
// TPageBrowser: the simple browser engine. It loads no images, sounds or scripts (whatever the
// download-control flags say) and has no security pop-ups to dismiss. Open loads on the calling
// thread: on the engine's own thread through its event loop (which keeps running meanwhile),
// on any other thread with a plain blocking request over a connection of its own that is kept
// from page to page.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "browser/BrowserEngine.h"

class QTimer;

namespace tessaly {

class TCookieStore;
class TEventLoopTransfers;
class THttpClient;

class TPageBrowser : public IBrowserEngine {
public:
    // Redirects are followed up to 10 times per request and meta refreshes up to 10 times per
    // navigation; `timeoutSeconds` bounds every read of a request, kPageTimeLimitSeconds a whole
    // navigation.
    explicit TPageBrowser(TCookieStore* cookies = nullptr, int timeoutSeconds = 60);
    ~TPageBrowser() override;
    TPageBrowser(const TPageBrowser&) = delete;
    TPageBrowser& operator=(const TPageBrowser&) = delete;

    // The silence limit of the requests that start from now on (the options may change it
    // between runs); called on the thread that owns the browser.
    void SetTimeOut(int seconds) { timeout_ = seconds; }
    [[nodiscard]] int TimeOut() const { return timeout_; }

    [[nodiscard]] TLoadEnd Open(const std::string& url) override;
    void Navigate(const std::string& url) override;
    void Stop() override;
    [[nodiscard]] bool Busy() const override;
    [[nodiscard]] TReadyState ReadyState() const override;
    [[nodiscard]] std::string LocationURL() const override;
    [[nodiscard]] bool HasDocument() const override;
    [[nodiscard]] TPagePtr Document() const override;
    [[nodiscard]] bool NavigationFailed() const override;
    [[nodiscard]] bool CanGoBack() const override { return historyIndex_ > 0; }
    [[nodiscard]] bool CanGoForward() const override { return historyIndex_ + 1 < history_.size(); }
    void GoBack() override;
    void GoForward() override;

    [[nodiscard]] const std::vector<TForm>& Forms() const override;
    bool SetFormFieldValue(const std::string& name, const std::string& value) override;
    bool SetFormCheckBox(const std::string& name, bool checked) override;
    bool ClickFormElement(const std::string& name, const std::string& value) override;

    void SetDownloadControl(std::uint32_t flags) override { downloadControl_ = flags; }
    [[nodiscard]] std::uint32_t DownloadControl() const override { return downloadControl_; }

    static constexpr int kMaxRefreshes = 10;
    static constexpr std::size_t kMaxHistory = 50;  // pages Back can return to
    static constexpr int kPageTimeLimitSeconds = 180;
    // The largest page the engine reads (a message page is a few kilobytes; the biggest the
    // service ever sent stayed far below): a longer answer is a failed navigation, so a runaway
    // page costs at most about twice this in memory.
    static constexpr std::size_t kMaxPageBytes = 32u * 1024 * 1024;

private:
    struct Result;
    struct Job {
        std::string url, method, body;
        bool fromHistory = false;
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
    };
    [[nodiscard]] bool OnOwnerThread() const;
    // Loads on the calling thread.
    TLoadEnd Go(const std::string& url, const std::string& method, const std::string& body,
                bool fromHistory);
    Job Begin(const std::string& url, const std::string& method, const std::string& body,
              bool fromHistory);
    Result Load(const Job& job, THttpClient& client);
    Result LoadGuarded(const Job& job, THttpClient& client);
    void Finish(const Job& job, const Result& result);
    void Submit(const TForm& form, int clicked);
    std::vector<TForm>& EditableForms();
    bool ChangeNamedElements(const std::string& name,
                             const std::function<void(TFormElement&)>& change);
    void RunPending();

    TCookieStore* cookies_;
    int timeout_;
    void* ownerThread_;  // the QThread that created the engine
    std::unique_ptr<TEventLoopTransfers> transfers_;
    std::unique_ptr<THttpClient> client_;       // the engine's thread: through its event loop
    std::unique_ptr<THttpClient> plainClient_;  // any other thread (or a nested load): blocking
    std::unique_ptr<QTimer> kick_;              // starts a navigation of Navigate
    std::recursive_mutex loadMutex_;            // one load at a time
    bool loading_ = false;                      // the engine's thread runs a load of client_

    mutable std::mutex stateMutex_;  // guards what follows, read from any thread
    std::optional<Job> pending_;
    std::shared_ptr<std::atomic<bool>> cancel_;  // of the latest navigation
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    bool failed_ = false;
    TReadyState readyState_ = rsUninitialized;
    TPagePtr document_ = TPage::None();
    bool hasDocument_ = false;

    // The document's forms, read from it when first asked for (most pages are only read).
    mutable std::vector<TForm> forms_;
    mutable bool formsRead_ = false;
    std::vector<std::string> history_;
    std::size_t historyIndex_ = 0;
    std::atomic<std::uint32_t> downloadControl_{kDownloadControlDefault};
};

// The target of a meta refresh in the page ("" when none): the url of
// <meta http-equiv="refresh" content="N; url=...">, and its delay in seconds.
[[nodiscard]] std::string MetaRefreshTarget(const std::string& page, int* delaySeconds = nullptr);

}  // namespace tessaly
