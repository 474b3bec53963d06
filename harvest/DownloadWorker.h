#pragma once
// TDownloadWorker: the pattern every section worker follows. It walks its groups on a thread of
// its own, honours the stop requests before each group, logs in before each group (on the
// user-interface thread, waiting for it), fetches every page through the member's browser
// session (the load runs on the worker's thread while it waits: nothing is handed over), reports
// every step to its IProgressReporter (posted to the user-interface thread in order, without
// waiting), plays the sound events and, when it ends, switches the viewer to its finished state.

#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "harvest/ProgressReports.h"
#include "harvest/YahooBase.h"
#include "text/IntList.h"
#include "threading/UiThread.h"

namespace tessaly {

class TMemberSession;
class TYahooDownloadOptions;

struct TWorkerInputs {
    std::string userName;
    std::string password;
    std::vector<std::string> groups;
    bool debugPages = false;
    TIntList starts;  // chosen first numbers, one per group, 0 = not chosen
    TIntList ends;    // chosen last numbers
    // Photos downloaded at once. Photos come one at a time unless the run asks for more (the
    // stored choice of parallel downloads is for files and attachments).
    int photoItems = 1;
    // A hosted worker is only the owner of a site access object (to read a group's last
    // position, say): it is never started, has no end handler and saves no debug pages.
    bool hosted = false;
};

class TDownloadWorker : public ISiteOwner {
public:
    TDownloadWorker(TMemberSession& session, TYahooDownloadOptions& options,
                    IProgressReporter& reporter, TStopRequests& stops, TUiThread& ui,
                    TWorkerInputs inputs);
    ~TDownloadWorker() override;
    TDownloadWorker(const TDownloadWorker&) = delete;
    TDownloadWorker& operator=(const TDownloadWorker&) = delete;

    // Starts the run on its own thread; Wait joins it. A hosted worker is never started (false).
    bool Start();
    void Wait();
    [[nodiscard]] bool Finished() const { return finished_; }
    [[nodiscard]] bool Hosted() const { return inputs_.hosted; }
    // Once the run is over (Wait returned, or on the user-interface thread from the finished
    // state on): what ended it before its last group ("" when nothing did), and whether that was
    // the settings store. A failure within a group ends that group "Error" with its text; one of
    // the store also leaves the later groups unstarted ("Skipped"), since nothing the run does
    // could be recorded.
    [[nodiscard]] const std::string& RunFailure() const { return runFailure_; }
    [[nodiscard]] bool StoreFailed() const { return storeFailed_; }

    // ISiteOwner. The fetch loads on the worker's thread; the click runs on the user-interface
    // thread while the worker waits.
    TFetch BrowserFetch(const std::string& url) override;
    bool BrowserClickElement(const std::string& name, const std::string& value) override;
    [[nodiscard]] std::string BrowserLocation() override;
    // Counts the wait down on the item line and the group's row ("Throttled by the service,
    // retrying in N s"), in paced seconds; false as soon as the user stops the group or all.
    bool WaitThrottled(int seconds) override;

protected:
    // The section's work for group i; ends by reporting the group's row.
    virtual void GroupWork(int index, const std::string& group, int first, int last) = 0;
    [[nodiscard]] virtual bool PreparesBrowser() const { return true; }
    // Whether the section's rows take the Files form of the report (Files and Photos).
    [[nodiscard]] virtual bool FileRows() const { return false; }
    [[nodiscard]] virtual std::string ClosingGroupLine(int groups) const = 0;
    [[nodiscard]] virtual std::string ClosingItemLine() const = 0;
    [[nodiscard]] virtual int ClosingItemPosition() const { return 0; }
    // On the worker's thread after the run, also one that a failure ended: whatever the section
    // still has running in the background ends here, before the viewer hears the run is over.
    virtual void EndRun() {}

    bool CheckLogin();
    // Opens the group's home page, for where the browser ends up for the group, and gets past
    // the adult-content confirmation; false with the reason when that fails ("no such group"
    // when the service does not know the group).
    bool EnterGroup(TYahooBase& site, std::string& reason);
    bool BrowserClick(const std::string& name, const std::string& value);
    void PrepareBrowser();
    void SetGroupBarRange(int min, int max);
    void ResetItemBar();
    void SetItemBarRange(int min, int max);
    void ShowGroupLine(const std::string& text, int position);
    void ShowItemLine(const std::string& text, int position);
    void ReportGroup(int row, int from, int to, int position, int found, DownloadStatus status,
                     std::string reason = {});
    // The Files form of the row (Files and Photos sections).
    void ReportFileGroup(int row, int folders, DownloadStatus status, int downloaded, int found,
                         std::string reason = {});
    [[nodiscard]] bool StopCurrent() const { return stops_.stopCurrent; }
    [[nodiscard]] bool StopAll() const { return stops_.stopAll; }
    void ClearStopCurrent() { stops_.stopCurrent = false; }
    // Fixed pauses of the worker (paced).
    static void Pause(int milliseconds);

    TMemberSession& session_;
    TYahooDownloadOptions& options_;
    TWorkerInputs inputs_;

private:
    void Execute();
    void Run();
    // The group's work, from its login check on; a failure it raises ends the group "Error" with
    // the failure's text (and, when the store failed, the run).
    void RunGroup(int index, const std::string& group, int first, int last);
    // Notes what ended the run early (the first such failure is kept).
    void NoteRunFailure(const std::exception& e);
    // Reports the end of a group that did not get to its own final report, in the section's
    // form of the row: the numbers of its last report stay, the status and reason are new.
    void ReportEnd(int row, DownloadStatus status, std::string reason = {});

    IProgressReporter& reporter_;
    TStopRequests& stops_;
    TUiThread& ui_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    // The worker's last row report and item line position (on the worker's thread), repeated
    // with the countdown while a throttled page is waited out.
    TGroupReport lastReport_;
    TFileGroupReport lastFileReport_;
    bool fileFormLast_ = false;  // which of the two forms the row was reported in last
    int lastItemPosition_ = 0;
    std::string runFailure_;
    bool storeFailed_ = false;
};

// Formats like the program's status texts ("%s", "%d").
[[nodiscard]] std::string Format(const char* pattern, const std::vector<std::string>& args);

}  // namespace tessaly
