#pragma once
// The contract between a download worker and whatever shows its progress (the command-line view,
// a test): the reports, the stop requests and the finished state. The worker knows nothing else
// of its viewer. Reports are called on the user-interface thread, in the order the worker made
// them.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "status/DownloadStatus.h"
#include "text/DateTime.h"

namespace tessaly {

struct TGroupReport {
    int row = 0;
    int from = 0;
    int to = 0;
    int position = 0;
    int found = 0;  // -1 keeps the shown value
    TDateTime time = 0;
    DownloadStatus status = dsWaiting;
    // One line on why the group failed, or on what holds it up ("" when nothing to say).
    std::string reason;
};

// The Files form of a group's report (the Files and Photos sections): folders listed, files
// found, files downloaded.
struct TFileGroupReport {
    int row = 0;
    int folders = 0;
    int found = 0;
    int downloaded = 0;
    DownloadStatus status = dsWaiting;
    std::string reason;  // as in TGroupReport
};

class IProgressReporter {
public:
    virtual ~IProgressReporter() = default;
    virtual void SetGroupBarRange(int min, int max) = 0;
    virtual void ResetItemBar() = 0;
    virtual void SetItemBarRange(int min, int max) = 0;
    virtual void ShowGroupLine(const std::string& text, int position) = 0;
    virtual void ShowItemLine(const std::string& text, int position) = 0;
    virtual void ReportGroup(const TGroupReport& report) = 0;
    virtual void ReportFileGroup(const TFileGroupReport& report) = 0;
    virtual void ShowFinishedState() = 0;
};

// The stop requests and the running flag, written by the viewer, read by the worker.
struct TStopRequests {
    std::atomic<bool> stopCurrent{false};
    std::atomic<bool> stopAll{false};
    std::atomic<bool> running{false};
};

// One row of the message (or attachment) list as both front ends show it.
struct TMessageRow {
    std::string group;
    std::string from = "unknown";
    std::string to = "unknown";
    std::string filesFound = "0";
    std::string position = "0";
    std::string status = "Waiting";
    std::string time = "0";
    int picture = 0;  // 0 waiting, 1 done, 2 failed, 3 working
    DownloadStatus code = dsWaiting;
    std::string reason;  // the report's reason line
};

// The rows of a run and the rules a report applies to them.
class TMessageRows {
public:
    explicit TMessageRows(const std::vector<std::string>& groups);
    // The rows before the run as the progress window lists them: From and To are the chosen
    // range of each group when both lists hold one number per group, else "0"; the other
    // numbers "0".
    TMessageRows(const std::vector<std::string>& groups, const std::vector<std::int64_t>& starts,
                 const std::vector<std::int64_t>& ends);
    void Apply(const TGroupReport& report);
    [[nodiscard]] const std::vector<TMessageRow>& Rows() const { return rows_; }
    [[nodiscard]] int Current() const { return current_; }

private:
    std::vector<TMessageRow> rows_;
    int current_ = -1;
};

// One row of the Files (or Photos) list as both front ends show it.
struct TFileRow {
    std::string group;
    std::string dirsFound = "unknown";
    std::string filesFound = "unknown";
    std::string downloaded = "0";
    std::string status = "Waiting";
    int picture = 0;
    DownloadStatus code = dsWaiting;
    std::string reason;
};

class TFileRows {
public:
    explicit TFileRows(const std::vector<std::string>& groups);
    void Apply(const TFileGroupReport& report);
    [[nodiscard]] const std::vector<TFileRow>& Rows() const { return rows_; }
    [[nodiscard]] int Current() const { return current_; }

private:
    std::vector<TFileRow> rows_;
    int current_ = -1;
};

// The picture of a row after a report of `status`: 0 waiting, 1 done, 2 failed or skipped,
// 3 working; some statuses keep the row's picture (`current`).
[[nodiscard]] int RowPicture(DownloadStatus status, int current);

}  // namespace tessaly
