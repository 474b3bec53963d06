#include "harvest/FileThread.h"

#include <algorithm>

#include "files/SafeNames.h"
#include "harvest/FDLManager.h"
#include "harvest/FilesIndex.h"
#include "harvest/ItemDownloads.h"
#include "harvest/Sounds.h"
#include "harvest/YahooAttach.h"
#include "harvest/YahooFiles.h"
#include "registry/ProgramRegistry.h"
#include "settings/DownloadOptions.h"
#include "status/Outcome.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {
namespace {

std::string Num(int n) {
    return std::to_string(n);
}

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& part : parts) out += (out.empty() ? "" : "; ") + part;
    return out;
}

}  // namespace

TFileThread::~TFileThread() {
    Wait();
}

std::string TFileThread::ClosingGroupLine(int /*groups*/) const {
    return "Finished with all groups";
}

void TFileThread::Report(const TGroupWalk& walk, DownloadStatus status, std::string reason) {
    ReportFileGroup(walk.row, walk.folders, status, walk.downloaded, walk.found, std::move(reason));
}

void TFileThread::GroupWork(int index, const std::string& group, int /*first*/, int /*last*/) {
    const std::string name = Trim(group);
    TGroupWalk walk;
    walk.row = index;
    DownloadStatus status = dsCompleted;
    std::string reason;
    {
        TYahooFiles site(*this, name, inputs_.userName, inputs_.password, options_,
                         inputs_.debugPages);
        walk.site = &site;
        ResetItemBar();
        ShowItemLine(Format("Getting Information about Group - %s", {name}), 0);
        if (!EnterGroup(site, reason)) {
            status = dsError;
        } else {
            // Learns the country prefix and the service's spelling of the group name; the walk
            // itself tells whether the Files pages can be had.
            (void)site.OpenGroup();
            walk.filesFolder = SectionFolder(options_.strSaveDir, "Files",
                                             SafeSegment(site.GroupName()), ReadOldFormat());
            walk.indexPath = TFilesIndex::PathFor(inputs_.userName, site.GroupName());
            TFilesIndex::RemoveKilledWrites(walk.indexPath);
            if (options_.boolIgnoreDuplicated) {
                walk.index = std::make_unique<TFilesIndex>(walk.indexPath);
                if (!walk.index->Failure().empty())
                    walk.failures.push_back("the Files index could not be read: " +
                                            walk.index->Failure());
            }
            // Every downloader of the group has ended when the pool goes, before the row is
            // final.
            TDownloaderPool pool(options_.intThreadCount);
            walk.pool = &pool;
            ShowItemLine(Format("Trying to Download Dir - %s", {"/"}), 0);
            status = WalkFolder(walk, "/");
            walk.pool = nullptr;
        }
        walk.site = nullptr;
    }
    if (status == dsSkipped || StopCurrent() || StopAll()) {
        status = dsSkipped;
        reason.clear();
    } else if (status != dsError) {
        std::vector<std::string> failures = walk.failures;
        if (walk.failedFiles > 0) {
            failures.push_back(Num(walk.failedFiles) + " of " + Num(walk.attempted) +
                               " files could not be downloaded: " + walk.firstFailedFile);
        }
        status = failures.empty() ? dsCompleted : dsError;
        reason = Join(failures);
        if (walk.lockedFiles > 0) {
            reason = Join(
                {reason, Num(walk.lockedFiles) +
                             " files skipped, held open by another program: " + walk.firstLocked});
        }
    }
    ClearStopCurrent();
    if (IsFailure(status)) PlayErrorSound(options_);
    ShowItemLine(Format("Finished with all Files in %s", {group}), 0);
    Report(walk, status, reason);
}

DownloadStatus TFileThread::WalkFolder(TGroupWalk& walk, const std::string& folderPath) {
    if (folderPath.empty()) return dsCompleted;
    Report(walk, dsProgress);
    std::vector<std::string> folders, files;
    if (!walk.site->ListFolder(folderPath, folders, files)) {
        if (Stopping()) return dsSkipped;  // stopped while the page was throttled
        // The group ends "Error" with the reason; the walk goes on with the folder's siblings.
        walk.failures.push_back(walk.site->LastFailure());
        return dsCompleted;
    }
    walk.site->FilterLinksByExtension(files);
    ++walk.folders;
    Report(walk, dsProgress);
    const std::size_t found = files.size();
    const bool whole = DownloadBatch(walk, folderPath, std::move(files));
    walk.found += static_cast<int>(found);
    if (!whole || Stopping()) return dsSkipped;
    for (const auto& url : folders) {
        if (Stopping()) return dsSkipped;
        const std::string path = walk.site->FolderPathFromURL(url);
        ResetItemBar();
        ShowItemLine(Format("Trying to Download Directory - %s", {UrlDecode(path)}), 0);
        if (WalkFolder(walk, path) == dsSkipped || Stopping()) return dsSkipped;
    }
    return dsCompleted;
}

bool TFileThread::DownloadBatch(TGroupWalk& walk, const std::string& folderPath,
                                std::vector<std::string> files) {
    // Files the index holds for this folder were downloaded by an earlier run.
    if (walk.index) {
        std::erase_if(files,
                      [&](const std::string& url) { return walk.index->Has(folderPath, url); });
    }
    walk.attempted += static_cast<int>(files.size());
    TFDLManager::TBatch batch;
    batch.urls = std::move(files);
    batch.folderPath = folderPath;
    batch.filesFolder = walk.filesFolder;
    batch.referrer = walk.site->FilesURL(folderPath);
    batch.indexPath = walk.indexPath;
    batch.timeOut = options_.intTimeOut;
    const int total = static_cast<int>(batch.urls.size());
    TFDLManager manager(*walk.pool, options_.intThreadCount, std::move(batch));
    manager.Start();
    ResetItemBar();
    SetItemBarRange(0, total);
    const std::string shown = UrlDecode(folderPath);
    bool stopped = false;
    int lastShown = -1;
    while (!manager.Finished()) {
        if (Stopping()) {
            // Nothing new starts and the running transfers end now; their files stay as they
            // were.
            manager.Stop();
            stopped = true;
            break;
        }
        const TItemManager::TCounts counts = manager.Counts();
        if (counts.started != lastShown) {
            lastShown = counts.started;
            ShowItemLine(Format("Downloading File %d of %d From - %s",
                                {Num(counts.started), Num(counts.total), shown}),
                         std::max(0, counts.started - 1));
        }
        manager.WaitForChange(500);
    }
    manager.Join();
    const TFDLManager::TOutcome outcome = manager.Outcome();
    walk.downloaded += outcome.saved;
    walk.failedFiles += outcome.failed;
    if (walk.firstFailedFile.empty()) walk.firstFailedFile = outcome.firstFailure;
    walk.lockedFiles += static_cast<int>(outcome.locked.size());
    if (walk.firstLocked.empty() && !outcome.locked.empty()) walk.firstLocked = outcome.locked[0];
    if (!outcome.indexFailure.empty()) walk.failures.push_back(outcome.indexFailure);
    ShowItemLine(Format("Completed Downloads from  - %s - Trying Next Dir.", {shown}), 0);
    return !stopped;
}

}  // namespace tessaly
