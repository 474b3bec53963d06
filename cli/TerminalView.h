#pragma once
// The run's progress on a terminal: the group line and the item line with two bars and the
// rows of the groups with their status names, redrawn in place on a terminal, or as plain
// lines (one per change) when the output is not a terminal.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "harvest/ProgressReports.h"

namespace tessaly::cli {

class TTerminalView : public IProgressReporter {
public:
    // `fileForm`: the rows of the Files and Photos sections (folders and files found, files
    // downloaded) instead of those of the message sections.
    TTerminalView(const std::vector<std::string>& groups, bool live, bool fileForm = false);

    void SetGroupBarRange(int min, int max) override;
    void ResetItemBar() override;
    void SetItemBarRange(int min, int max) override;
    void ShowGroupLine(const std::string& text, int position) override;
    void ShowItemLine(const std::string& text, int position) override;
    void ReportGroup(const TGroupReport& report) override;
    void ReportFileGroup(const TFileGroupReport& report) override;
    void ShowFinishedState() override;

    [[nodiscard]] bool Finished() const { return finished_; }
    // Called when the run has ended (its last report has been drawn).
    std::function<void()> OnFinished;
    // Draws what changed since the last frame (the view draws at most every kFrameInterval
    // by itself; call this now and then so the last changes show during a long wait).
    void Refresh();
    static constexpr std::chrono::milliseconds kFrameInterval{50};
    [[nodiscard]] const TMessageRows& Rows() const { return rows_; }
    [[nodiscard]] const TFileRows& FileRows() const { return fileRows_; }

    // One row of the run as the closing summary shows it.
    struct TSummaryRow {
        std::string group, status, reason, detail;  // detail: the row's numbers in words
        DownloadStatus code = dsWaiting;
    };
    [[nodiscard]] std::vector<TSummaryRow> Summary() const;

private:
    void Redraw(bool now = false);
    [[nodiscard]] static std::string Bar(int min, int max, int position);

    // Notes a row's change: printed as a plain line off a terminal; true when its status or
    // reason changed.
    bool RowChanged(int row, const std::string& line, const std::string& status,
                    const std::string& reason);

    TMessageRows rows_;
    TFileRows fileRows_;
    bool live_;
    bool fileForm_;
    bool finished_ = false;
    int drawnLines_ = 0;
    bool dirty_ = false;
    std::chrono::steady_clock::time_point lastFrame_{};
    std::string groupLine_, itemLine_;
    int groupMin_ = 0, groupMax_ = 0, groupPos_ = 0;
    int itemMin_ = 0, itemMax_ = 0, itemPos_ = 0;
    std::vector<std::string> lastStatus_;
};

}  // namespace tessaly::cli
