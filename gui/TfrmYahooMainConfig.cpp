// The main window's configuration commands: export and import of the whole configuration (the
// registry key and the configuration folder), run on the transfer's own thread while this
// window keeps serving events.
#include <QCoreApplication>
#include <QStatusBar>

#include "config/ConfigExportImport.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooMain.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "registry/ProgramRegistry.h"
#include "session/MemberSession.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

// A box stays readable: a tree of thousands of skipped links is summed up after these.
constexpr std::size_t kMaxReportLines = 15;

std::string ReportText(const std::string& heading, const TConfigTransferReport& report) {
    std::string text = heading + "\r\n";
    const std::vector<std::string> lines = report.Lines();
    for (std::size_t i = 0; i < lines.size() && i < kMaxReportLines; ++i) text += "\r\n" + lines[i];
    if (lines.size() > kMaxReportLines)
        text += "\r\n... and " + std::to_string(lines.size() - kMaxReportLines) + " more.";
    return text;
}

}  // namespace

void TfrmYahooMain::RunConfigTransfer(TConfigDirection direction, const std::string& folder) {
    const bool exporting = direction == TConfigDirection::Export;
    progress_->StartProgress(exporting ? kExportProgressCaption : kImportProgressCaption, 100);
    progress_->SetStatusText(exporting ? kExportProgressStatus : kImportProgressStatus);
    transferRunning_ = true;
    TConfigTransferReport report;
    {
        // The transfer's end wakes this loop; the waker outlives the transfer's thread.
        QObject waker;
        TYahooConfigExportImport transfer(exporting ? ConfigurationFolder() : folder, direction,
                                          exporting ? folder : ConfigurationFolder());
        transfer.OnTerminate = [&waker] {
            QMetaObject::invokeMethod(
                &waker, [] {}, Qt::QueuedConnection);
        };
        transfer.Start();
        while (!transfer.Done())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        transfer.Wait();
        report = transfer.Report();
    }
    transferRunning_ = false;
    ResetProgressDialog();
    if (!exporting) ReloadSettings();
    const std::string where = IncludeTrailingDelimiter(folder);
    if (!report.Complete()) {
        CommonMessageBox(this,
                         ReportText(exporting ? "The configuration was not exported completely "
                                                "to " +
                                                    where + ":"
                                              : "The configuration was not imported completely "
                                                "from " +
                                                    where + ":",
                                    report),
                         TMessageKind::Error, false);
    } else {
        statusBar()->showMessage(
            QString::fromStdString((exporting ? "Exported the configuration to "
                                              : "Imported the configuration from ") +
                                   where + " (" + std::to_string(report.filesCopied) +
                                   " files copied)"),
            10000);
    }
}

void TfrmYahooMain::mnuItemExportConfigurationDataClick() {
    if (transferRunning_) return;
    const std::string folder = chooseFolder ? chooseFolder(kExportFolderCaption) : std::string();
    if (Trim(folder).empty()) return;
    // The registry is to hold what this window shows: the marks of the tree and the section.
    SaveGroupTree();
    SaveSectionMode();
    RunConfigTransfer(TConfigDirection::Export, folder);
}

void TfrmYahooMain::mnuItemImportConfigurationDataClick() {
    if (transferRunning_) return;
    const std::string folder = chooseFolder ? chooseFolder(kImportFolderCaption) : std::string();
    if (Trim(folder).empty()) return;
    // A folder that holds no export would only scatter its files into the configuration.
    if (!HoldsExportedConfiguration(folder)) {
        CommonMessageBox(this,
                         IncludeTrailingDelimiter(folder) + " holds no exported configuration (" +
                             TYahooConfigExportImport::kRegistryFileName +
                             " is missing).\r\n\r\nNothing was imported.",
                         TMessageKind::Error, false);
        return;
    }
    RunConfigTransfer(TConfigDirection::Import, folder);
}

void TfrmYahooMain::ReloadSettings() {
    try {
        (void)options_.Load();
    } catch (const EFileError& e) {
        CommonMessageBox(this, std::string("The options could not be read.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
    }
    SelectSection(ReadDLMode());
    const std::string user = session_->UserName();
    // A signed-in session keeps its member; otherwise the imported stored login is the one.
    if (!loggedIn_) session_->LoadStoredLogin();
    if (tree_->Root() == nullptr) return;
    if (session_->UserName() != user) {
        // The tree belongs to another member now: saving it later would give that member's
        // marks to the new one.
        tree_->clear();
        return;
    }
    std::vector<std::string> names;
    for (QTreeWidgetItem* item : tree_->GroupItems()) names.push_back(TGroupTree::TextOf(item));
    FillGroupTree(names);
}

}  // namespace tessaly::gui
