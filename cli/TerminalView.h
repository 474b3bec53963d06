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
    TTerminalView(const std::vector<std::string>& groups, bool live);

    void SetGroupBarRange(int min, int max) override;
    void ResetItemBar() override;
    void SetItemBarRange(int min, int max) override;
    void ShowGroupLine(const std::string& text, int position) override;
    void ShowItemLine(const std::string& text, int position) override;
    void ReportGroup(const TGroupReport& report) override;
    void ShowFinishedState() override;

    [[nodiscard]] bool Finished() const { return finished_; }
    // Called when the run has ended (its last report has been drawn).
    std::function<void()> OnFinished;
    // Draws what changed since the last frame (the view draws at most every kFrameInterval
    // by itself; call this now and then so the last changes show during a long wait).
    void Refresh();
    static constexpr std::chrono::milliseconds kFrameInterval{50};
    [[nodiscard]] const TMessageRows& Rows() const { return rows_; }

private:
    void Redraw(bool now = false);
    [[nodiscard]] static std::string Bar(int min, int max, int position);

    TMessageRows rows_;
    bool live_;
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
