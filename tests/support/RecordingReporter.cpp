#include "support/RecordingReporter.h"

namespace tessaly::test {
namespace {

std::string Range(int min, int max) {
    return std::to_string(min) + ".." + std::to_string(max);
}

}  // namespace

RecordingReporter::RecordingReporter(const std::vector<std::string>& groups)
    : rows(groups), fileRows(groups) {}

void RecordingReporter::SetGroupBarRange(int min, int max) {
    lines.push_back("group bar " + Range(min, max));
}

void RecordingReporter::ResetItemBar() {
    lines.emplace_back("item bar reset");
}

void RecordingReporter::SetItemBarRange(int min, int max) {
    lines.push_back("item bar " + Range(min, max));
}

void RecordingReporter::ShowGroupLine(const std::string& text, int position) {
    lines.push_back("group line " + text + " @" + std::to_string(position));
}

void RecordingReporter::ShowItemLine(const std::string& text, int position) {
    lines.push_back("item line " + text + " @" + std::to_string(position));
}

void RecordingReporter::ReportGroup(const TGroupReport& report) {
    lines.push_back("row " + std::to_string(report.row) + " " + StatusName(report.status));
    reports.push_back(report);
    rows.Apply(report);
}

void RecordingReporter::ReportFileGroup(const TFileGroupReport& report) {
    lines.push_back("files row " + std::to_string(report.row) + " " +
                    std::to_string(report.folders) + "/" + std::to_string(report.found) + "/" +
                    std::to_string(report.downloaded) + " " + StatusName(report.status));
    fileReports.push_back(report);
    fileRows.Apply(report);
}

void RecordingReporter::ShowFinishedState() {
    lines.emplace_back("finished");
}

}  // namespace tessaly::test
