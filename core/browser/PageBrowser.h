#pragma once
// TPageBrowser: the simple browser engine. It loads no images, sounds or scripts (whatever the
// download-control flags say) and has no security pop-ups to dismiss. It belongs to the thread
// that created it: pages load in that thread's event loop (a navigation starts when the thread
// next processes its events and completes while it keeps processing them).

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
    // navigation; `timeoutSeconds` bounds every request.
    explicit TPageBrowser(TCookieStore* cookies = nullptr, int timeoutSeconds = 60);
    ~TPageBrowser() override;
    TPageBrowser(const TPageBrowser&) = delete;
    TPageBrowser& operator=(const TPageBrowser&) = delete;

    void Navigate(const std::string& url) override;
    void Stop() override;
    [[nodiscard]] bool Busy() const override { return busy_; }
    [[nodiscard]] TReadyState ReadyState() const override { return readyState_; }
    [[nodiscard]] std::string LocationURL() const override;
    [[nodiscard]] bool HasDocument() const override { return hasDocument_; }
    [[nodiscard]] std::string DocumentSource() const override { return document_; }
    [[nodiscard]] bool NavigationFailed() const override { return failed_; }
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

private:
    struct Result;
    void Start(const std::string& url, const std::string& method, const std::string& body,
               bool fromHistory);
    Result Load(std::string url, std::string method, std::string body,
                const std::atomic<bool>& cancel);
    void Finish(std::uint64_t generation, const Result& result, bool fromHistory);
    void Submit(const TForm& form, int clicked);
    std::vector<TForm>& EditableForms();
    bool ChangeNamedElements(const std::string& name,
                             const std::function<void(TFormElement&)>& change);
    void RunPending();
    struct Job {
        std::string url, method, body;
        bool fromHistory = false;
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
    };

    TCookieStore* cookies_;
    int timeout_;
    std::unique_ptr<TEventLoopTransfers> transfers_;
    std::unique_ptr<THttpClient> client_;        // its connections serve page after page
    std::unique_ptr<QTimer> kick_;               // starts the pending navigation
    std::shared_ptr<std::atomic<bool>> cancel_;  // of the latest navigation
    std::optional<Job> pending_;
    bool loading_ = false;  // a load runs (further down the stack, in its event loop)
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    bool failed_ = false;
    bool hasDocument_ = false;
    TReadyState readyState_ = rsUninitialized;
    mutable std::mutex locationMutex_;  // the location is also read from worker threads
    std::string location_;
    std::string document_;
    // The document's forms, read from it when first asked for (most pages are only read).
    mutable std::vector<TForm> forms_;
    mutable bool formsRead_ = false;
    std::vector<std::string> history_;
    std::size_t historyIndex_ = 0;
    std::uint32_t downloadControl_ = kDownloadControlDefault;
};

// The target of a meta refresh in the page ("" when none): the url of
// <meta http-equiv="refresh" content="N; url=...">, and its delay in seconds.
[[nodiscard]] std::string MetaRefreshTarget(const std::string& page, int* delaySeconds = nullptr);

}  // namespace tessaly
