#include "harvest/ProgressReports.h"

namespace tessaly {

TMessageRows::TMessageRows(const std::vector<std::string>& groups) {
    for (const auto& g : groups) {
        TMessageRow row;
        row.group = g;
        rows_.push_back(row);
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
    switch (r.status) {
        case dsWaiting:
            row.picture = 0;
            break;
        case dsStarting:
        case dsProgress:
            row.picture = 3;
            break;
        case dsCompleted:
        case dsOk:
        case dsWithoutDups:
            row.picture = 1;
            break;
        case dsTimeout:
        case dsWrongPassword:
            break;  // the picture stays
        default:
            row.picture = 2;
            break;
    }
}

}  // namespace tessaly
