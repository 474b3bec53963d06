#include "harvest/DownloadWorker.h"

#include <exception>

#include "harvest/Sounds.h"
#include "platform/Pacing.h"
#include "platform/RegistryStore.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "text/DateTime.h"
#include "text/TextUtils.h"

namespace tessaly {

std::string Format(const char* pattern, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (next < args.size()) out += args[next++];
            ++p;
        } else {
            out.push_back(*p);
        }
    }
    return out;
}

TDownloadWorker::TDownloadWorker(TMemberSession& session, TYahooDownloadOptions& options,
                                 IProgressReporter& reporter, TStopRequests& stops, TUiThread& ui,
                                 TWorkerInputs inputs)
    : session_(session),
      options_(options),
      inputs_(std::move(inputs)),
      reporter_(reporter),
      stops_(stops),
      ui_(ui) {
    if (inputs_.hosted) inputs_.debugPages = false;
}

TDownloadWorker::~TDownloadWorker() {
    Wait();
}

bool TDownloadWorker::Start() {
    if (inputs_.hosted || thread_.joinable() || finished_) return false;
    stops_.running = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void TDownloadWorker::Wait() {
    if (thread_.joinable()) thread_.join();
}

void TDownloadWorker::Pause(int milliseconds) {
    PacedSleep(milliseconds);
}

void TDownloadWorker::Run() {
    try {
        Execute();
    } catch (const std::exception& e) {
        // Outside any group (the browser's preparation, the closing lines): the run ends here,
        // and the groups not reported yet keep their rows.
        NoteRunFailure(e);
    }
    try {
        EndRun();
    } catch (const std::exception& e) {
        NoteRunFailure(e);
    }
    try {
        ui_.Call([this] {
            stops_.running = false;
            reporter_.ShowFinishedState();
        });
    } catch (const std::exception& e) {
        // The viewer could not show the end; the run's outcome still tells of it.
        stops_.running = false;
        NoteRunFailure(e);
    }
    finished_ = true;
}

void TDownloadWorker::NoteRunFailure(const std::exception& e) {
    if (!runFailure_.empty()) return;
    runFailure_ = e.what();
    if (runFailure_.empty()) runFailure_ = "an unexpected failure";
    storeFailed_ = dynamic_cast<const ERegistryException*>(&e) != nullptr;
}

void TDownloadWorker::ReportEnd(int row, DownloadStatus status, std::string reason) {
    if (FileRows()) {
        const bool same = fileFormLast_ && lastFileReport_.row == row;
        const TFileGroupReport last = same ? lastFileReport_ : TFileGroupReport{};
        ReportFileGroup(row, last.folders, status, last.downloaded, last.found, std::move(reason));
        return;
    }
    const bool same = !fileFormLast_ && lastReport_.row == row;
    const TGroupReport last = same ? lastReport_ : TGroupReport{};
    ReportGroup(row, last.from, last.to, last.position, same ? -1 : 0, status, std::move(reason));
}

void TDownloadWorker::Execute() {
    if (PreparesBrowser()) PrepareBrowser();
    const int n = static_cast<int>(inputs_.groups.size());
    SetGroupBarRange(0, n);
    const bool useRanges = inputs_.starts.Count() == n && inputs_.ends.Count() == n;
    for (int i = 0; i < n; ++i) {
        const std::string& group = inputs_.groups[static_cast<std::size_t>(i)];
        if (storeFailed_) {
            // Nothing a later group does could be recorded (its position, its marks): it is not
            // started.
            ReportEnd(i, dsSkipped, "not started: the settings store cannot be used");
            continue;
        }
        if (StopCurrent()) {
            Pause(500);
            ReportEnd(i, dsSkipped);
            ClearStopCurrent();
            continue;
        }
        if (StopAll()) {
            Pause(500);
            ReportEnd(i, dsSkipped);
            continue;
        }
        const int first = useRanges ? static_cast<int>(inputs_.starts.Get(i)) : 0;
        const int last = useRanges ? static_cast<int>(inputs_.ends.Get(i)) : 0;
        ResetItemBar();
        ShowGroupLine(Format("Downloading From Group - %s (%d of %d)",
                             {group, std::to_string(i + 1), std::to_string(n)}),
                      i);
        ReportGroup(i, 0, 0, 0, 0, dsStarting);
        ShowItemLine(Format("Checking Group - %s", {Trim(group)}), 0);
        RunGroup(i, group, first, last);
    }
    if (!storeFailed_) PlaySuccessSound(options_);
    stops_.stopAll = false;
    ShowGroupLine(ClosingGroupLine(n), n);
    ShowItemLine(ClosingItemLine(), ClosingItemPosition());
}

void TDownloadWorker::RunGroup(int i, const std::string& group, int first, int last) {
    try {
        if (!CheckLogin()) {
            ReportEnd(i, dsError);
            return;
        }
        GroupWork(i, group, first, last);
    } catch (const ERegistryException& e) {
        NoteRunFailure(e);
        PlayErrorSound(options_);
        ReportEnd(i, dsError, e.what());
    } catch (const std::exception& e) {
        // The group ends with the failure; the next one may well go through.
        PlayErrorSound(options_);
        ReportEnd(i, dsError, e.what());
    }
}

bool TDownloadWorker::CheckLogin() {
    bool ok = false;
    ui_.Call([&] { ok = session_.FormLogin(); });
    return ok;
}

bool TDownloadWorker::EnterGroup(TYahooBase& site, std::string& reason) {
    TPagePtr home;
    if (site.FetchPage(site.GroupHomeURL(), home) != dsOk) {
        reason = home->Status() == 404 ? "no such group" : site.LastFailure();
        return false;
    }
    if (ContainsText("adultconf", BrowserLocation()) && !BrowserClick("accept", "")) {
        reason = "the adult-content confirmation could not be accepted";
        return false;
    }
    return true;
}

TFetch TDownloadWorker::BrowserFetch(const std::string& url) {
    return session_.OpenURL(url, false);
}

bool TDownloadWorker::BrowserClick(const std::string& name, const std::string& value) {
    ui_.Call([&] { (void)session_.ClickAndWait(name, value); });
    return true;
}

bool TDownloadWorker::BrowserClickElement(const std::string& name, const std::string& value) {
    bool clicked = false;
    // A click that submits a form has loaded the next page when it returns.
    ui_.Call([&] { clicked = session_.Browser().ClickFormElement(name, value); });
    return clicked;
}

std::string TDownloadWorker::BrowserLocation() {
    return session_.CurrentLocation();
}

void TDownloadWorker::PrepareBrowser() {
    ui_.Call([&] { session_.SetBrowserDownloadOptions(); });
}

// The reports are posted: the viewer takes them in order, and the worker need not wait for a
// label to change before it goes on.
void TDownloadWorker::SetGroupBarRange(int min, int max) {
    ui_.Post([this, min, max] { reporter_.SetGroupBarRange(min, max); });
}
void TDownloadWorker::ResetItemBar() {
    ui_.Post([this] { reporter_.ResetItemBar(); });
}
void TDownloadWorker::SetItemBarRange(int min, int max) {
    ui_.Post([this, min, max] { reporter_.SetItemBarRange(min, max); });
}
void TDownloadWorker::ShowGroupLine(const std::string& text, int position) {
    ui_.Post([this, text, position] { reporter_.ShowGroupLine(text, position); });
}
void TDownloadWorker::ShowItemLine(const std::string& text, int position) {
    lastItemPosition_ = position;
    ui_.Post([this, text, position] { reporter_.ShowItemLine(text, position); });
}
void TDownloadWorker::ReportGroup(int row, int from, int to, int position, int found,
                                  DownloadStatus status, std::string reason) {
    const TGroupReport report{row, from, to, position, found, Now(), status, std::move(reason)};
    lastReport_ = report;
    fileFormLast_ = false;
    ui_.Post([this, report] { reporter_.ReportGroup(report); });
}

void TDownloadWorker::ReportFileGroup(int row, int folders, DownloadStatus status, int downloaded,
                                      int found, std::string reason) {
    TFileGroupReport report{row, folders, found, downloaded, status, std::move(reason)};
    lastFileReport_ = report;
    fileFormLast_ = true;
    ui_.Post([this, report] { reporter_.ReportFileGroup(report); });
}

bool TDownloadWorker::WaitThrottled(int seconds) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point shown{};
    for (int left = seconds; left > 0; --left) {
        if (StopCurrent() || StopAll()) return false;
        // At most one update a second of real time, whatever the pacing.
        if (Clock::now() - shown >= std::chrono::seconds(1)) {
            shown = Clock::now();
            const std::string text =
                Format("Throttled by the service, retrying in %d s", {std::to_string(left)});
            ShowItemLine(text, lastItemPosition_);
            if (fileFormLast_) {
                const TFileGroupReport row = lastFileReport_;
                ReportFileGroup(row.row, row.folders, row.status, row.downloaded, row.found, text);
            } else {
                const TGroupReport row = lastReport_;
                ReportGroup(row.row, row.from, row.to, row.position, -1, row.status, text);
            }
        }
        Pause(1000);
    }
    return !StopCurrent() && !StopAll();
}

}  // namespace tessaly
