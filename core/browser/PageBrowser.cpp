#include "browser/PageBrowser.h"

#include <QString>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cstring>

#include "browser/EventLoopTransfers.h"
#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "net/TransferFailure.h"
#include "platform/Pacing.h"
#include "text/HtmlScanner.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

// Whether the address is an absolute http address that resolving would give back unchanged:
// a lower-case host and only characters that need no encoding, no "." or ".." segment.
bool PlainAbsolute(const std::string& url) {
    if (url.rfind("http://", 0) != 0) return false;
    const std::size_t hostEnd = std::min(url.find('/', 7), url.size());
    if (hostEnd == 7) return false;
    for (std::size_t i = 7; i < url.size(); ++i) {
        const char c = url[i];
        const bool safe = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          (c >= 'A' && c <= 'Z' && i >= hostEnd) ||
                          std::strchr("-._~:/?=&+", c) != nullptr;
        if (!safe || c == '\0') return false;
    }
    const std::size_t query = std::min(url.find('?'), url.size());
    const std::string_view path = std::string_view(url).substr(hostEnd, query - hostEnd);
    return path.find("/.") == std::string_view::npos;
}

std::string Resolve(const std::string& base, const std::string& link) {
    // Most addresses the program opens are absolute already: no need for the URL parser.
    if (PlainAbsolute(link)) return link;
    const QUrl resolved =
        QUrl(QString::fromStdString(base)).resolved(QUrl(QString::fromStdString(Trim(link))));
    return resolved.toString(QUrl::FullyEncoded).toStdString();
}

bool Matches(const std::string& a, const std::string& b) {
    return UpperCase(Trim(a)) == UpperCase(Trim(b));
}

std::string CannotBeDisplayed(const std::string& why) {
    return "<html><head><title>The page cannot be displayed</title></head><body><p>" + why +
           "</p></body></html>";
}

}  // namespace

struct TPageBrowser::Result {
    bool ok = false;
    int status = 0;
    std::string location;
    std::string document;
    std::string failure;  // why no page came (when not ok)
};

std::string MetaRefreshTarget(const std::string& page, int* delaySeconds) {
    std::string target;
    if (!ContainsText("refresh", page)) return target;  // most pages: no need to read the tags
    THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.OnFoundTag = [&](THtmlScanner&, std::string_view tag) {
        if (!target.empty() || !StartsText("meta", tag)) return;
        auto attrs = TagAttributes(tag);
        if (!SameText(Trim(attrs["http-equiv"]), "refresh")) return;
        const std::string content = attrs["content"];
        const auto semi = content.find_first_of(";,");
        if (delaySeconds != nullptr) *delaySeconds = std::atoi(content.c_str());
        if (semi == std::string::npos) return;
        std::string rest = Trim(content.substr(semi + 1));
        if (StartsText("url", rest)) {
            rest = Trim(rest.substr(3));
            if (!rest.empty() && rest[0] == '=') rest = Trim(rest.substr(1));
        }
        if (rest.size() >= 2 && (rest.front() == '\'' || rest.front() == '"') &&
            rest.back() == rest.front()) {
            rest = rest.substr(1, rest.size() - 2);
        }
        target = rest;
    };
    scanner.Execute();
    return target;
}

TPageBrowser::TPageBrowser(TCookieStore* cookies, int timeoutSeconds)
    : cookies_(cookies),
      timeout_(timeoutSeconds),
      ownerThread_(QThread::currentThread()),
      transfers_(std::make_unique<TEventLoopTransfers>()),
      client_(std::make_unique<THttpClient>()),
      plainClient_(std::make_unique<THttpClient>()),
      kick_(std::make_unique<QTimer>()),
      cancel_(std::make_shared<std::atomic<bool>>(false)) {
    client_->Perform = [this](void* handle) { return transfers_->Perform(handle); };
    kick_->setSingleShot(true);
    kick_->setInterval(0);
    QObject::connect(kick_.get(), &QTimer::timeout, [this] { RunPending(); });
}

TPageBrowser::~TPageBrowser() {
    Stop();
}

bool TPageBrowser::OnOwnerThread() const {
    return QThread::currentThread() == ownerThread_;
}

std::string TPageBrowser::LocationURL() const {
    std::lock_guard lock(stateMutex_);
    return document_->Location();
}
TPagePtr TPageBrowser::Document() const {
    std::lock_guard lock(stateMutex_);
    return document_;
}
bool TPageBrowser::Busy() const {
    std::lock_guard lock(stateMutex_);
    return busy_;
}
TReadyState TPageBrowser::ReadyState() const {
    std::lock_guard lock(stateMutex_);
    return readyState_;
}
bool TPageBrowser::HasDocument() const {
    std::lock_guard lock(stateMutex_);
    return hasDocument_;
}
bool TPageBrowser::NavigationFailed() const {
    std::lock_guard lock(stateMutex_);
    return failed_;
}

void TPageBrowser::Stop() {
    {
        std::lock_guard lock(stateMutex_);
        if (!busy_) return;
        cancel_->store(true);
        pending_.reset();
        ++generation_;  // whatever the stopped load delivers is dropped
        busy_ = false;
        readyState_ = hasDocument_ ? rsComplete : rsUninitialized;
    }
    // A load through the event loop ends at once; a blocking one at its next progress check.
    if (OnOwnerThread() && loading_) transfers_->AbortAll();
}

TPageBrowser::Job TPageBrowser::Begin(const std::string& url, const std::string& method,
                                      const std::string& body, bool fromHistory) {
    Stop();
    std::lock_guard lock(stateMutex_);
    busy_ = true;
    failed_ = false;
    readyState_ = rsLoading;
    std::string target = Trim(url);
    if (!document_->Location().empty()) target = Resolve(document_->Location(), target);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    return Job{target, method, body, fromHistory, ++generation_, cancel_};
}

void TPageBrowser::Navigate(const std::string& url) {
    Job job = Begin(url, "GET", "", false);
    if (!OnOwnerThread()) {  // no event loop of the engine's here: load now
        std::lock_guard load(loadMutex_);
        Finish(job, LoadGuarded(job, *plainClient_));
        return;
    }
    {
        std::lock_guard lock(stateMutex_);
        pending_ = std::move(job);
    }
    kick_->start();
}

TLoadEnd TPageBrowser::Open(const std::string& url) {
    return Go(url, "GET", "", false);
}

TLoadEnd TPageBrowser::Go(const std::string& url, const std::string& method,
                          const std::string& body, bool fromHistory) {
    std::lock_guard load(loadMutex_);
    const Job job = Begin(url, method, body, fromHistory);
    // On the engine's thread the load runs through its event loop, unless a load of that kind is
    // already running further down this thread's stack (its client is busy): then it blocks.
    const bool throughEvents = OnOwnerThread() && !loading_;
    if (throughEvents) loading_ = true;
    Result result = LoadGuarded(job, throughEvents ? *client_ : *plainClient_);
    if (throughEvents) loading_ = false;
    Finish(job, result);
    std::lock_guard lock(stateMutex_);
    if (job.generation != generation_) return TLoadEnd::Stopped;
    return failed_ ? TLoadEnd::Failed : TLoadEnd::Complete;
}

// Runs the navigation Navigate asked for and any that replaces it meanwhile.
void TPageBrowser::RunPending() {
    std::lock_guard load(loadMutex_);
    if (loading_) return;  // a load runs further down the stack; it picks this one up
    for (;;) {
        std::optional<Job> job;
        {
            std::lock_guard lock(stateMutex_);
            job = std::move(pending_);
            pending_.reset();
        }
        if (!job) return;
        loading_ = true;
        Result result = LoadGuarded(*job, *client_);
        loading_ = false;
        Finish(*job, result);
    }
}

TPageBrowser::Result TPageBrowser::LoadGuarded(const Job& job, THttpClient& client) {
    try {
        return Load(job, client);
    } catch (const std::exception& e) {
        // An answer the client cannot read (or a failure below it) is a page that cannot be
        // displayed, like any failed load.
        Result r;
        r.location = job.url;
        r.failure = e.what();
        r.document = CannotBeDisplayed(r.failure);
        return r;
    }
}

TPageBrowser::Result TPageBrowser::Load(const Job& job, THttpClient& client) {
    std::string url = job.url, method = job.method, body = job.body;
    Result r;
    r.location = url;
    for (int refresh = 0; refresh <= kMaxRefreshes; ++refresh) {
        client.SetCookieStore(cookies_);
        client.AcceptErrorPages = true;
        client.RecordRequestHeaders = false;
        client.TimeOut = timeout_;
        client.TotalTimeOut = kPageTimeLimitSeconds;
        client.MaxBodySize = kMaxPageBytes;
        client.CancelFlag = job.cancel.get();
        client.Method = method;
        client.PostData = body;
        client.SetURL(url);
        const bool ok = client.Get();
        if (job.cancel->load()) return r;
        r.location = client.EffectiveURL.empty() ? url : client.EffectiveURL;
        r.status = client.StatusCode();
        if (!ok) {
            r.failure = TransferFailure(client, std::min(timeout_, kPageTimeLimitSeconds));
            r.document = CannotBeDisplayed(r.failure);
            return r;
        }
        r.document = client.Body();
        int delay = 0;
        const std::string next = MetaRefreshTarget(r.document, &delay);
        if (next.empty()) {
            r.ok = true;
            return r;
        }
        // A refresh is a wait the page asks for; it goes through the pacing clock, capped.
        Delay(std::min(delay, 5) * 1000);
        if (job.cancel->load()) return r;
        url = Resolve(r.location, next);
        method = "GET";
        body.clear();
    }
    r.failure = "the page asked to be refreshed too often";  // a failed navigation
    return r;
}

void TPageBrowser::Finish(const Job& job, const Result& result) {
    {
        std::lock_guard lock(stateMutex_);
        if (job.generation != generation_) return;
        busy_ = false;
        failed_ = !result.ok;
        document_ = MakePage(result.location, result.status, result.document,
                             result.ok ? std::string() : result.failure);
        hasDocument_ = true;
        readyState_ = rsComplete;
    }
    forms_.clear();
    formsRead_ = false;
    if (!job.fromHistory && result.ok) {
        if (!history_.empty()) history_.resize(historyIndex_ + 1);
        history_.push_back(result.location);
        // The oldest entries go: a run walks hundreds of thousands of pages.
        if (history_.size() > kMaxHistory)
            history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(
                                                                    history_.size() - kMaxHistory));
        historyIndex_ = history_.size() - 1;
    }
    if (OnDocumentComplete) OnDocumentComplete();
}

void TPageBrowser::GoBack() {
    if (!CanGoBack()) return;
    --historyIndex_;
    (void)Go(history_[historyIndex_], "GET", "", true);  // the outcome shows in the document
}

void TPageBrowser::GoForward() {
    if (!CanGoForward()) return;
    ++historyIndex_;
    (void)Go(history_[historyIndex_], "GET", "", true);
}

const std::vector<TForm>& TPageBrowser::Forms() const {
    if (!formsRead_) {
        forms_ = ParseForms(Document()->Source());
        formsRead_ = true;
    }
    return forms_;
}

std::vector<TForm>& TPageBrowser::EditableForms() {
    (void)Forms();  // read them from the document first, if not yet done
    return forms_;
}

// Applies `change` to every element of every form whose name matches; true when there was one.
bool TPageBrowser::ChangeNamedElements(const std::string& name,
                                       const std::function<void(TFormElement&)>& change) {
    bool found = false;
    for (auto& form : EditableForms()) {
        for (auto& e : form.elements) {
            if (Matches(e.name, name)) {
                change(e);
                found = true;
            }
        }
    }
    return found;
}

bool TPageBrowser::SetFormFieldValue(const std::string& name, const std::string& value) {
    return ChangeNamedElements(name, [&](TFormElement& e) { e.value = value; });
}

bool TPageBrowser::SetFormCheckBox(const std::string& name, bool checked) {
    return ChangeNamedElements(name, [&](TFormElement& e) { e.checked = checked; });
}

// An element whose value matches is clicked before any element that only matches by name, even
// an earlier one; then the first element with the name.
bool TPageBrowser::ClickFormElement(const std::string& name, const std::string& value) {
    std::vector<TForm>& forms = EditableForms();
    for (int pass = 0; pass < 2; ++pass) {
        const std::string& wanted = pass == 0 ? value : name;
        if (wanted.empty()) continue;
        for (auto& form : forms) {
            for (std::size_t i = 0; i < form.elements.size(); ++i) {
                TFormElement& e = form.elements[i];
                if (!Matches(pass == 0 ? e.value : e.name, wanted)) continue;
                if (e.type == "checkbox") {
                    e.checked = !e.checked;
                } else if (e.type == "radio") {
                    for (auto& other : form.elements) {
                        if (other.type == "radio" && other.name == e.name) other.checked = false;
                    }
                    e.checked = true;
                } else if (e.type == "submit" || e.type == "image") {
                    const TForm submitted = form;  // the load replaces the forms
                    Submit(submitted, static_cast<int>(i));
                }
                return true;
            }
        }
    }
    return false;
}

void TPageBrowser::Submit(const TForm& form, int clicked) {
    const std::string data = FormData(form, clicked);
    const std::string location = LocationURL();
    std::string action = form.action.empty() ? location : Resolve(location, form.action);
    if (form.method == "POST") {
        (void)Go(action, "POST", data, false);  // the outcome shows in the document
        return;
    }
    const auto q = action.find('?');
    if (q != std::string::npos) action.erase(q);
    (void)Go(action + "?" + data, "GET", "", false);
}

}  // namespace tessaly
