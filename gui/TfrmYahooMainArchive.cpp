// The main window's "View Archive" command: the browsable site of the output folder is built (or
// brought up to date) on a thread of its own while the progress dialog tells how far it is, and
// its top page is opened in the desktop's browser.
#include <QCoreApplication>
#include <QPointer>
#include <QUrl>
#include <atomic>
#include <thread>

#include "archive/SiteBuilder.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooMain.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly::gui {

archive::TSiteResult TfrmYahooMain::BuildArchive(const std::string& outputFolder) {
    progress_->StartProgress("Building the archive", 100);
    progress_->SetStatusText("Looking at the saved pages");
    transferRunning_ = true;
    archive::TSiteResult result;
    {
        // Reports and the end are posted to this object; what is still queued when it goes is
        // dropped with it.
        QObject waker;
        std::atomic<bool> done{false};
        QPointer<TfrmProgress> progress = progress_.get();
        std::thread builder([&] {
            archive::TSiteOptions o;
            o.progress = [&waker, progress](const archive::TSiteProgress& p) {
                std::string text = p.step;
                if (p.total > 0) text += "  " + std::to_string(p.done * 100 / p.total) + " %";
                QMetaObject::invokeMethod(
                    &waker,
                    [progress, text] {
                        if (progress) progress->SetStatusText(text);
                    },
                    Qt::QueuedConnection);
            };
            o.stop = &archiveStop_;
            result = archive::BuildArchiveSite(outputFolder, o);
            done = true;
            QMetaObject::invokeMethod(
                &waker, [] {}, Qt::QueuedConnection);
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        builder.join();
    }
    transferRunning_ = false;
    ResetProgressDialog();
    return result;
}

void TfrmYahooMain::mnuItemViewArchiveClick() {
    if (transferRunning_) return;
    archiveStop_ = false;
    const std::string out = IncludeTrailingDelimiter(options_.strSaveDir);
    const archive::TSiteResult result = BuildArchive(out);
    if (!result.ok) {
        CommonMessageBox(
            this,
            "The archive of " + out + " could not be built.\r\n\r\n" +
                (result.failure.empty() ? std::string("The build was stopped.") : result.failure),
            TMessageKind::Error, false);
        return;
    }
    if (openUrl) openUrl(QUrl::fromLocalFile(QString::fromStdString(result.topPage)));
}

}  // namespace tessaly::gui
