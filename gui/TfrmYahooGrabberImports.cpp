// The grabbed groups editor's Utils commands: group names from a text of e-mail addresses or
// from a group list file into the grabbed group names, and the shown list out to a group list
// file.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_set>

#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooGrabber.h"
#include "service/ServiceHosts.h"
#include "settings/GroupListFile.h"
#include "text/GroupMailScanner.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

// The dialog is redrawn and events are served this often while a long import runs; serving
// them after every name would cost more than the import itself on a large file.
constexpr qint64 kPumpIntervalMs = 40;

class TPump {
public:
    TPump() { clock_.start(); }
    // True when it is time to show a status line and serve events.
    [[nodiscard]] bool Due() const { return clock_.elapsed() >= kPumpIntervalMs; }
    void Run() {
        QCoreApplication::processEvents();
        clock_.restart();
    }

private:
    QElapsedTimer clock_;
};

// The whole file, or why it could not be read.
bool ReadWholeFile(const std::string& fileName, std::string& text, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName, ec)) {
        error = fileName + " is not a file that can be read.";
        return false;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        error = "cannot read " + fileName;
        return false;
    }
    return true;
}

std::string ImportedText(int count) {
    return "Successfully imported - " + std::to_string(count) + "  Groups";
}

}  // namespace

std::string TfrmYahooGrabber::ChooseImportFile() {
    if (sources_.empty()) return {};
    SelectSource(0);  // the grabbed group names receive what is imported
    return chooseFile ? chooseFile("Open", false) : std::string();
}

int TfrmYahooGrabber::ImportNames(const std::vector<std::string>& names, bool numbered) {
    std::unordered_set<std::string> listed;
    for (const std::string& entry : Entries()) listed.insert(UpperCase(Trim(entry)));
    std::vector<std::string> added;
    TPump pump;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const std::string& name = names[k];
        if (pump.Due()) {
            Progress().SetStatusText("Processing Group - " + name +
                                     (numbered ? "( " + std::to_string(k + 1) + " of " +
                                                     std::to_string(names.size()) + " )"
                                               : std::string()));
            pump.Run();
        }
        // A name its file cannot keep is no group name the service gives out.
        if (!NameFitsSource(sources_.front(), name)) continue;
        if (listed.insert(UpperCase(Trim(name))).second) added.push_back(name);
    }
    // Into the store before the list: what the list shows is what the next opening shows.
    const TListResult stored =
        added.empty() ? TListResult{} : AddToNameSource(sources_.front(), added);
    ResetProgress();
    if (!stored.Ok()) {
        CommonMessageBox(this,
                         "The imported group names could not be stored; nothing was "
                         "imported.\r\n\r\n" +
                             stored.error,
                         TMessageKind::Error, false);
        return -1;
    }
    QStringList items;
    for (const std::string& name : added) items.append(QString::fromStdString(name));
    lstEntries_->addItems(items);
    return static_cast<int>(added.size());
}

void TfrmYahooGrabber::btImportFromEmailsListClick() {
    const std::string fileName = ChooseImportFile();
    if (fileName.empty()) return;
    Progress().StartProgress("Searching for Group Names in - " + ExtractFileName(fileName), 100);
    std::string text, error;
    if (!ReadWholeFile(fileName, text, error)) {
        ResetProgress();
        CommonMessageBox(this, "The file could not be read; nothing was imported.\r\n\r\n" + error,
                         TMessageKind::Error, false);
        return;
    }
    std::vector<std::string> names;
    TPump pump;
    ScanGroupMailAddresses(text, hosts::kGroupsMailDomain, [&](std::string_view match) {
        std::string name = GroupNameOfAddress(match);
        if (!name.empty()) names.push_back(std::move(name));
        if (pump.Due()) pump.Run();
    });
    const int count = ImportNames(names, false);
    if (count < 0) return;
    CommonMessageBox(this, count == 0 ? "No Groups Found..." : ImportedText(count),
                     TMessageKind::Information, false);
}

void TfrmYahooGrabber::btImportGroupListFromygrpFileClick() {
    const std::string fileName = ChooseImportFile();
    if (fileName.empty()) return;
    Progress().StartProgress("Importing Group Names ...", 100);
    TPump pump;
    const TListResult read =
        ReadGroupList(fileName, kGroupListSection, [this, &pump](const std::string& status) {
            if (!pump.Due()) return;
            Progress().SetStatusText(status);
            pump.Run();
        });
    if (!read.Ok()) {
        ResetProgress();
        CommonMessageBox(
            this, "The group list could not be read; nothing was imported.\r\n\r\n" + read.error,
            TMessageKind::Error, false);
        return;
    }
    const int count = ImportNames(read.names, true);
    if (count < 0) return;
    CommonMessageBox(this,
                     count == 0 ? "Almost all the group in the File are available in your list"
                                : ImportedText(count),
                     TMessageKind::Information, false);
}

void TfrmYahooGrabber::ExportGroupList1Click() {
    const std::string fileName = chooseFile ? chooseFile("Save As", true) : std::string();
    if (fileName.empty()) return;
    Progress().StartProgress("Please wait while the Groups are Exported...", 100);
    Progress().SetCaptionText("Exporting Group Names ...");
    TPump pump;
    const TListResult written = WriteGroupList(
        fileName, kGroupListSection,
        [this, &pump](const std::string& status) {
            if (!pump.Due()) return;
            Progress().SetStatusText(status);
            pump.Run();
        },
        Entries());
    ResetProgress();
    if (!written.Ok()) {
        CommonMessageBox(this, "The group list could not be written.\r\n\r\n" + written.error,
                         TMessageKind::Error, false);
    }
}

}  // namespace tessaly::gui
