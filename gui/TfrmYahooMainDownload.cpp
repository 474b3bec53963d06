// The main window's Start Download command: the chooser, the order dialog and the run of one
// section in the progress window.
#include <QCheckBox>
#include <QLineEdit>
#include <cstring>

#include "browser/PageBrowser.h"
#include "gui/DownloadLaunch.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmYahooBrowser.h"
#include "gui/TfrmYahooChooseOptions.h"
#include "gui/TfrmYahooMain.h"
#include "gui/TfrmYahooProgressXX.h"
#include "gui/TfrmYahooReorder.h"
#include "platform/FileLock.h"
#include "platform/ImageViewer.h"
#include "platform/RunLock.h"
#include "platform/SpecialFolders.h"
#include "registry/GroupCache.h"
#include "session/MemberSession.h"
#include "status/Outcome.h"
#include "text/TextUtils.h"

namespace tessaly::gui {

void TfrmYahooMain::mnuItemStartDownloadClick() {
    std::vector<TTreeEntry> items;
    int current = -1;
    const auto all = tree_->AllItems();
    for (std::size_t i = 0; i < all.size(); ++i) {
        items.push_back({TGroupTree::TextOf(all[i]), TGroupTree::IsChecked(all[i]),
                         TGroupTree::IsFavourite(all[i])});
        if (current < 0 && i > 0 && !currentGroup_.empty() &&
            TGroupTree::TextOf(all[i]) == currentGroup_)
            current = static_cast<int>(i);
    }
    TfrmYahooChooseOptions chooser(this, std::move(items), current);
    chooser.cbIgnorePreviousDownload->setChecked(options_.boolIgnoreDuplicated);
    chooser.cbDebug->setChecked(options_.boolDebugDownloads);
    chooser.txtDir->setText(QString::fromStdString(Trim(options_.strSaveDir)));
    chooser.SetSection(options_.CurrentSection());
    chooser.onOptions = [this] { mnuItemViewOptionsClick(); };
    chooser.onHelp = [this] { mnuItemHelpContentsClick(); };
    const bool start = chooser.exec() == QDialog::Accepted;

    options_.strSaveDir = Trim(chooser.txtDir->text().toStdString());
    options_.boolIgnoreDuplicated = chooser.cbIgnorePreviousDownload->isChecked();
    options_.boolDebugDownloads = chooser.cbDebug->isChecked();
    debugFlag_ = options_.boolDebugDownloads;
    std::uint8_t section = options_.CurrentSection();
    if (start) {
        section = chooser.GetSection();
        SelectSection(section);
    }
    try {
        (void)options_.Save();
    } catch (const EFileError& e) {
        CommonMessageBox(this, std::string("The options could not be saved.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
    }
    if (!start) return;
    const bool reorder = chooser.cbReOrder->isChecked();
    chooser.CollectGroups(downloadList_);
    startList_.Clear();
    endList_.Clear();

    if (OrderDialogWanted(reorder, downloadList_.size(), section)) {
        TfrmYahooReorder order(this, downloadList_, MessagePage(section), session_->UserName());
        if (order.exec() != QDialog::Accepted) return;
        std::vector<std::int64_t> starts, ends;
        order.ReadRows(downloadList_, starts, ends);
        for (auto n : starts) startList_.Add(n);
        for (auto n : ends) endList_.Add(n);
    }
    // The console's window must exist for the run's page requests.
    console_->show();
    console_->hide();
    if (RunDownload(section)) OpenOutputFolder();
    console_->hide();
}

bool TfrmYahooMain::RunDownload(std::uint8_t section) {
    // Held until the run has ended: a second run into the folder, from this program or the
    // command line, is refused meanwhile.
    const std::string folder = IncludeTrailingDelimiter(options_.strSaveDir);
    ForceDirectories(folder);  // one that cannot be made is refused below, as unwritable
    const TRunLock hold(folder);
    if (!hold.MayRun()) {
        CommonMessageBox(this,
                         hold.State() == TRunLock::TState::Busy
                             ? FolderBusyText(folder)
                             : "The output folder " + folder +
                                   " cannot be written: " + std::strerror(hold.Error()),
                         TMessageKind::Error, false);
        return false;
    }
    // The option's time-out bounds every page of the run, as it bounds the files.
    browser_->SetTimeOut(options_.intTimeOut);
    auto progress = std::make_unique<TfrmYahooProgressXX>(this, *session_);
    progress->openUrl = openUrl;
    progress->hideConsole = [this] { console_->hide(); };
    progress->SetRunInputs(downloadList_, options_, endList_, startList_, debugFlag_);
    downloadList_.clear();
    bool made = false;
    switch (section) {
        case TYahooDownloadOptions::kSectionAttachments:
            made = progress->StartAttachmentsRun();
            break;
        case TYahooDownloadOptions::kSectionFiles:
            made = progress->StartFilesRun();
            break;
        case TYahooDownloadOptions::kSectionPhotos:
            made = progress->StartPhotosRun();
            break;
        default:
            made = progress->StartMessagesRun();
            break;
    }
    if (!made) {
        CommonMessageBox(this, "This section cannot be downloaded by this version.",
                         TMessageKind::Error, false);
        return true;
    }
    SaveGroupTree();
    tree_->clear();
    hide();
    if (section != TYahooDownloadOptions::kSectionMessages) StartImageViewer(true);
    progress->StartWorker();
    progress->ShowModal();
    progress.reset();
    // Back before the tree is read again: a store that fails the reading (another program
    // holds it) is told over this window, which the user then has back.
    show();
    FillGroupTree(LoadCachedGroupNames(session_->UserName()));
    return true;
}

void TfrmYahooMain::OpenOutputFolder() {
    if (openUrl)
        openUrl(QUrl::fromLocalFile(
            QString::fromStdString(IncludeTrailingDelimiter(options_.strSaveDir))));
}

}  // namespace tessaly::gui
