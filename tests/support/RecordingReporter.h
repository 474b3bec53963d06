#pragma once
// A progress viewer for tests: every report of a worker as a line, in the order they came, and
// the group reports also applied to the rows both front ends show.

#include <string>
#include <vector>

#include "harvest/ProgressReports.h"

namespace tessaly::test {

class RecordingReporter : public IProgressReporter {
public:
    // `groups` names the rows, in the order of the run's groups.
    explicit RecordingReporter(const std::vector<std::string>& groups = {});

    // The lines: "group bar MIN..MAX", "item bar reset", "item bar MIN..MAX",
    // "group line TEXT @POSITION", "item line TEXT @POSITION", "row ROW STATUSNAME",
    // "files row ROW DIRS/FOUND/DOWNLOADED STATUSNAME", "finished".
    void SetGroupBarRange(int min, int max) override;
    void ResetItemBar() override;
    void SetItemBarRange(int min, int max) override;
    void ShowGroupLine(const std::string& text, int position) override;
    void ShowItemLine(const std::string& text, int position) override;
    void ReportGroup(const TGroupReport& report) override;
    void ReportFileGroup(const TFileGroupReport& report) override;
    void ShowFinishedState() override;

    std::vector<std::string> lines;
    std::vector<TGroupReport> reports;          // every group report as it came
    TMessageRows rows;                          // the rows after every group report
    std::vector<TFileGroupReport> fileReports;  // every Files form report as it came
    TFileRows fileRows;                         // the Files rows after every such report
};

}  // namespace tessaly::test
