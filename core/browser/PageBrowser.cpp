#include "browser/PageBrowser.h"

#include <QString>
#include <QTimer>
#include <QUrl>

#include "browser/EventLoopTransfers.h"
#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "platform/Pacing.h"
#include "text/HtmlScanner.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::string Resolve(const std::string& base, const std::string& link) {
    const QUrl resolved =
        QUrl(QString::fromStdString(base)).resolved(QUrl(QString::fromStdString(Trim(link))));
    return resolved.toString(QUrl::FullyEncoded).toStdString();
}

bool Matches(const std::string& a, const std::string& b) {
    return UpperCase(Trim(a)) == UpperCase(Trim(b));
}

}  // namespace

struct TPageBrowser::Result {
    bool ok = false;
    std::string location;
    std::string document;
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
      transfers_(std::make_unique<TEventLoopTransfers>()),
      client_(std::make_unique<THttpClient>()),
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

// Runs the pending navigation and any that replaces it meanwhile. A navigation started while a
// load runs further down the stack (from an event handled in its event loop) stops that load;
// the load returns and this loop goes on with the new one.
void TPageBrowser::RunPending() {
    if (loading_) return;
    while (pending_) {
        Job job = std::move(*pending_);
        pending_.reset();
        loading_ = true;
        Result result;
        try {
            result = Load(job.url, job.method, job.body, *job.cancel);
        } catch (const std::exception& e) {
            // An answer the client cannot read (or a failure below it) is a page that cannot
            // be displayed, like any failed load.
            result.location = job.url;
            result.document =
                "<html><head><title>The page cannot be displayed</title></head>"
                "<body><p>" +
                std::string(e.what()) + "</p></body></html>";
        }
        loading_ = false;
        if (job.cancel->load()) continue;
        Finish(job.generation, result, job.fromHistory);
    }
}

std::string TPageBrowser::LocationURL() const {
    std::lock_guard lock(locationMutex_);
    return location_;
}

void TPageBrowser::Navigate(const std::string& url) {
    Start(url, "GET", "", false);
}

void TPageBrowser::Stop() {
    if (!busy_) return;
    cancel_->store(true);
    pending_.reset();
    if (loading_) transfers_->AbortAll();
    ++generation_;  // whatever the stopped load delivers is dropped
    busy_ = false;
    readyState_ = hasDocument_ ? rsComplete : rsUninitialized;
}

void TPageBrowser::Start(const std::string& url, const std::string& method, const std::string& body,
                         bool fromHistory) {
    Stop();
    const std::uint64_t generation = ++generation_;
    busy_ = true;
    failed_ = false;
    readyState_ = rsLoading;
    std::string target = Trim(url);
    const std::string current = LocationURL();
    if (!current.empty()) target = Resolve(current, target);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    pending_ = Job{target, method, body, fromHistory, generation, cancel_};
    kick_->start();
}

TPageBrowser::Result TPageBrowser::Load(std::string url, std::string method, std::string body,
                                        const std::atomic<bool>& cancel) {
    THttpClient& client = *client_;
    TCookieStore* cookies = cookies_;
    const int timeout = timeout_;
    Result r;
    r.location = url;
    for (int refresh = 0; refresh <= kMaxRefreshes; ++refresh) {
        client.SetCookieStore(cookies);
        client.AcceptErrorPages = true;
        client.TimeOut = timeout;
        client.CancelFlag = &cancel;
        client.Method = method;
        client.PostData = body;
        client.SetURL(url);
        const bool ok = client.Get();
        if (cancel.load()) return r;
        r.location = client.EffectiveURL.empty() ? url : client.EffectiveURL;
        if (!ok) {
            r.document = "<html><head><title>The page cannot be displayed</title></head><body><p>" +
                         client.StatusText + " (" + std::to_string(client.ErrorCode) +
                         ")</p></body></html>";
            return r;
        }
        r.document = client.BodyText();
        int delay = 0;
        const std::string next = MetaRefreshTarget(r.document, &delay);
        if (next.empty()) {
            r.ok = true;
            return r;
        }
        // A refresh is a wait the page asks for; it goes through the pacing clock, capped.
        Delay(std::min(delay, 5) * 1000);
        if (cancel.load()) return r;
        url = Resolve(r.location, next);
        method = "GET";
        body.clear();
    }
    return r;  // refreshed too often: a failed navigation
}

void TPageBrowser::Finish(std::uint64_t generation, const Result& result, bool fromHistory) {
    if (generation != generation_) return;
    busy_ = false;
    failed_ = !result.ok;
    {
        std::lock_guard lock(locationMutex_);
        location_ = result.location;
    }
    document_ = result.document;
    hasDocument_ = true;
    forms_.clear();
    formsRead_ = false;
    readyState_ = rsComplete;
    if (!fromHistory && result.ok) {
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
    Start(history_[historyIndex_], "GET", "", true);
}

void TPageBrowser::GoForward() {
    if (!CanGoForward()) return;
    ++historyIndex_;
    Start(history_[historyIndex_], "GET", "", true);
}

const std::vector<TForm>& TPageBrowser::Forms() const {
    if (!formsRead_) {
        forms_ = ParseForms(document_);
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
                    Submit(form, static_cast<int>(i));
                }
                return true;
            }
        }
    }
    return false;
}

void TPageBrowser::Submit(const TForm& form, int clicked) {
    const std::string data = FormData(form, clicked);
    std::string action = form.action.empty() ? LocationURL() : Resolve(LocationURL(), form.action);
    if (form.method == "POST") {
        Start(action, "POST", data, false);
        return;
    }
    const auto q = action.find('?');
    if (q != std::string::npos) action.erase(q);
    Start(action + "?" + data, "GET", "", false);
}

}  // namespace tessaly
