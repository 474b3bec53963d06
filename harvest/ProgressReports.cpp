#include "harvest/ProgressReports.h"

namespace tessaly {

TMessageRows::TMessageRows(const std::vector<std::string>& groups) {
    for (const auto& g : groups) {
        TMessageRow row;
        row.group = g;
        rows_.push_back(row);
    }
}

TMessageRows::TMessageRows(const std::vector<std::string>& groups,
                           const std::vector<std::int64_t>& starts,
                           const std::vector<std::int64_t>& ends)
    : TMessageRows(groups) {
    const bool ranges = starts.size() == groups.size() && ends.size() == groups.size();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].from = ranges ? std::to_string(starts[i]) : "0";
        rows_[i].to = ranges ? std::to_string(ends[i]) : "0";
    }
}

void TMessageRows::Apply(const TGroupReport& r) {
    if (r.row < 0 || r.row >= static_cast<int>(rows_.size())) return;
    TMessageRow& row = rows_[static_cast<std::size_t>(r.row)];
    row.status = StatusName(r.status);
    row.code = r.status;
    row.reason = r.reason;
    current_ = r.row;
    row.from = r.from == 0 ? "unknown" : std::to_string(r.from);
    row.to = r.to == 0 ? "unknown" : std::to_string(r.to);
    if (r.found != -1) row.filesFound = std::to_string(r.found);
    row.position = std::to_string(r.position);
    row.time = DateTimeToText(r.time);
    row.picture = RowPicture(r.status, row.picture);
}

int RowPicture(DownloadStatus status, int current) {
    switch (status) {
        case dsWaiting:
            return 0;
        case dsStarting:
        case dsProgress:
            return 3;
        case dsCompleted:
        case dsOk:
        case dsWithoutDups:
            return 1;
        case dsTimeout:
        case dsWrongPassword:
            return current;  // the picture stays
        default:
            return 2;
    }
}

TFileRows::TFileRows(const std::vector<std::string>& groups) {
    for (const auto& g : groups) {
        TFileRow row;
        row.group = g;
        rows_.push_back(row);
    }
}

void TFileRows::Apply(const TFileGroupReport& r) {
    if (r.row < 0 || r.row >= static_cast<int>(rows_.size())) return;
    TFileRow& row = rows_[static_cast<std::size_t>(r.row)];
    row.dirsFound = std::to_string(r.folders);
    row.filesFound = std::to_string(r.found);
    row.downloaded = std::to_string(r.downloaded);
    row.status = StatusName(r.status);
    row.code = r.status;
    row.reason = r.reason;
    row.picture = RowPicture(r.status, row.picture);
    current_ = r.row;
}

}  // namespace tessaly
