#include "cli/TerminalView.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "text/TextUtils.h"

namespace tessaly::cli {
namespace {

constexpr std::string_view kThrottled = "Throttled by the service";

}  // namespace

TTerminalView::TTerminalView(const std::vector<std::string>& groups, bool live, bool fileForm)
    : rows_(groups),
      fileRows_(groups),
      live_(live),
      fileForm_(fileForm),
      lastStatus_(groups.size()) {}

std::string TTerminalView::Bar(int min, int max, int position) {
    constexpr int kWidth = 30;
    const int span = std::max(1, max - min);
    const int filled = max > min ? std::clamp((position - min) * kWidth / span, 0, kWidth) : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kWidth - filled), '.') + "]";
}

void TTerminalView::Refresh() {
    if (dirty_) Redraw(true);
}

// A worker reports several times per message: drawing each report would spend more time on
// the terminal than on the messages, so frames come at most every kFrameInterval, and at once
// when a group's status changes or the run ends.
void TTerminalView::Redraw(bool now) {
    if (!live_) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - lastFrame_ < kFrameInterval) {
        dirty_ = true;
        return;
    }
    dirty_ = false;
    lastFrame_ = time;
    std::string out;
    if (drawnLines_ > 0)
        out += "\x1b[" + std::to_string(drawnLines_) + "F";  // back to the top of the view
    auto line = [&out](const std::string& text) { out += "\x1b[2K" + text + "\n"; };
    line(groupLine_);
    line(Bar(groupMin_, groupMax_, groupPos_) + " " + std::to_string(groupPos_) + "/" +
         std::to_string(groupMax_));
    line(itemLine_);
    line(Bar(itemMin_, itemMax_, itemPos_));
    char buf[256];
    if (fileForm_) {
        std::snprintf(buf, sizeof buf, "%-24s %-10s %-11s %-9s %s", "Group", "Dirs Found",
                      "Files Found", "Files D/L", "Status");
        line(buf);
        for (const auto& row : fileRows_.Rows()) {
            std::snprintf(buf, sizeof buf, "%-24.24s %-10s %-11s %-9s %s%s%.100s",
                          row.group.c_str(), row.dirsFound.c_str(), row.filesFound.c_str(),
                          row.downloaded.c_str(), row.status.c_str(),
                          row.reason.empty() ? "" : ": ", row.reason.c_str());
            line(buf);
        }
    } else {
        std::snprintf(buf, sizeof buf, "%-24s %-8s %-8s %-8s %s", "Group", "From", "To", "DL Pos",
                      "Status");
        line(buf);
        for (const auto& row : rows_.Rows()) {
            std::snprintf(buf, sizeof buf, "%-24.24s %-8s %-8s %-8s %s%s%.100s", row.group.c_str(),
                          row.from.c_str(), row.to.c_str(), row.position.c_str(),
                          row.status.c_str(), row.reason.empty() ? "" : ": ", row.reason.c_str());
            line(buf);
        }
    }
    drawnLines_ = 5 + static_cast<int>(rows_.Rows().size());
    std::cout << out << std::flush;
}

void TTerminalView::SetGroupBarRange(int min, int max) {
    groupMin_ = min;
    groupMax_ = max;
    Redraw();
}

void TTerminalView::ResetItemBar() {
    itemMin_ = itemMax_ = 0;
    Redraw();
}

void TTerminalView::SetItemBarRange(int min, int max) {
    itemMin_ = min;
    itemMax_ = max;
    Redraw();
}

void TTerminalView::ShowGroupLine(const std::string& text, int position) {
    groupLine_ = text;
    groupPos_ = position;
    if (!live_) std::cout << text << "\n" << std::flush;
    Redraw();
}

void TTerminalView::ShowItemLine(const std::string& text, int position) {
    itemLine_ = text;
    itemPos_ = position;
    Redraw();
}

bool TTerminalView::RowChanged(int row, const std::string& line, const std::string& status,
                               const std::string& reason) {
    if (row < 0 || row >= static_cast<int>(lastStatus_.size())) return false;
    // A row is printed again when its status or its reason changes (a throttled wait counts
    // down on the row: printed when it starts, not every second).
    std::string& last = lastStatus_[static_cast<std::size_t>(row)];
    const std::string shown =
        status + std::string(StartsStr(kThrottled, reason) ? kThrottled : std::string_view(reason));
    if (last == shown) return false;
    last = shown;
    if (!live_) std::cout << line << (reason.empty() ? "" : ": ") << reason << "\n" << std::flush;
    return true;
}

void TTerminalView::ReportGroup(const TGroupReport& report) {
    rows_.Apply(report);
    bool changed = false;
    if (report.row >= 0 && report.row < static_cast<int>(rows_.Rows().size())) {
        const auto& row = rows_.Rows()[static_cast<std::size_t>(report.row)];
        changed = RowChanged(report.row,
                             "  " + row.group + ": " + row.status + " (from " + row.from + ", to " +
                                 row.to + ", at " + row.position + ")",
                             row.status, row.reason);
    }
    Redraw(changed);
}

void TTerminalView::ReportFileGroup(const TFileGroupReport& report) {
    fileRows_.Apply(report);
    bool changed = false;
    if (report.row >= 0 && report.row < static_cast<int>(fileRows_.Rows().size())) {
        const auto& row = fileRows_.Rows()[static_cast<std::size_t>(report.row)];
        changed =
            RowChanged(report.row,
                       "  " + row.group + ": " + row.status + " (" + row.dirsFound + " folders, " +
                           row.filesFound + " files found, " + row.downloaded + " downloaded)",
                       row.status, row.reason);
    }
    Redraw(changed);
}

std::vector<TTerminalView::TSummaryRow> TTerminalView::Summary() const {
    std::vector<TSummaryRow> out;
    if (fileForm_) {
        for (const auto& r : fileRows_.Rows())
            out.push_back({r.group, r.status, r.reason,
                           r.dirsFound + " folders, " + r.filesFound + " files found, " +
                               r.downloaded + " downloaded",
                           r.code});
    } else {
        for (const auto& r : rows_.Rows())
            out.push_back({r.group, r.status, r.reason,
                           "messages " + r.from + " to " + r.to + ", reached " + r.position +
                               (r.filesFound == "0" ? "" : ", " + r.filesFound + " files saved"),
                           r.code});
    }
    return out;
}

void TTerminalView::ShowFinishedState() {
    finished_ = true;
    Redraw(true);
    if (OnFinished) OnFinished();
}

}  // namespace tessaly::cli
