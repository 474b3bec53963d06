#include "harvest/PhotoThread.h"

#include <algorithm>

#include "files/SafeNames.h"
#include "harvest/FilesIndex.h"
#include "harvest/ItemDownloads.h"
#include "harvest/PDLManager.h"
#include "harvest/Sounds.h"
#include "harvest/YahooAttach.h"
#include "harvest/YahooPhotos.h"
#include "registry/ProgramRegistry.h"
#include "settings/DownloadOptions.h"
#include "status/Outcome.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::string Num(int n) {
    return std::to_string(n);
}

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& part : parts) {
        if (!part.empty()) out += (out.empty() ? "" : "; ") + part;
    }
    return out;
}

}  // namespace

TPhotoThread::~TPhotoThread() {
    Wait();
}

std::string TPhotoThread::ClosingGroupLine(int /*groups*/) const {
    return "Finished with all groups";
}

void TPhotoThread::Report(const TGroupWalk& walk, DownloadStatus status, std::string reason) {
    ReportFileGroup(walk.row, static_cast<int>(walk.albums.size()), status, walk.downloaded,
                    walk.found, std::move(reason));
}

void TPhotoThread::ReadKnownPhotos(TGroupWalk& walk) {
    const TFilesIndex index(walk.indexPath);
    if (!index.Failure().empty())
        walk.failures.push_back("the Photos index could not be read: " + index.Failure());
    for (const auto& [section, key] : index.Entries())
        walk.known.insert(TYahooPhotos::KnownPhotoKey(section, key));
}

void TPhotoThread::GroupWork(int index, const std::string& group, int /*first*/, int /*last*/) {
    const std::string name = Trim(group);
    TGroupWalk walk;
    walk.row = index;
    DownloadStatus status = dsCompleted;
    std::string reason;
    {
        TYahooPhotos site(*this, name, inputs_.userName, inputs_.password, options_,
                          inputs_.debugPages);
        walk.site = &site;
        ResetItemBar();
        ShowItemLine(Format("Getting Information about Group - %s", {name}), 0);
        std::vector<std::string> links;
        if (!EnterGroup(site, reason)) {
            status = dsError;
        } else {
            // The photos host and its prefix are known after InitPhotos, however it ended; the
            // top list tells whether the Photos pages can be had.
            (void)site.InitPhotos();
            if (!site.FirstPage(links)) {
                status = dsError;
                reason = site.LastFailure();
            } else {
                walk.photosFolder = SectionFolder(options_.strSaveDir, "Photos",
                                                  SafeSegment(site.GroupName()), ReadOldFormat());
                walk.indexPath = TFilesIndex::PathFor("Photos", inputs_.userName, site.GroupName());
                TFilesIndex::RemoveKilledWrites(walk.indexPath);
                if (options_.boolIgnoreDuplicated) ReadKnownPhotos(walk);
                // One photo at a time unless the run asks for more; the downloaders have
                // ended when the pool goes.
                TDownloaderPool pool(std::clamp(inputs_.photoItems, 1, 9));
                walk.pool = &pool;
                status = WalkPages(walk, std::move(links));
                walk.pool = nullptr;
            }
        }
        walk.site = nullptr;
    }
    if (status == dsSkipped || Stopping()) {
        status = dsSkipped;
        reason.clear();
    } else if (status != dsError) {
        std::vector<std::string> failures = walk.failures;
        if (walk.failedPhotos > 0) {
            failures.push_back(Num(walk.failedPhotos) + " of " + Num(walk.found) +
                               " photos could not be downloaded: " + walk.firstFailedPhoto);
        }
        status = failures.empty() ? dsCompleted : dsError;
        reason = Join(failures);
        if (walk.lockedPhotos > 0) {
            reason = Join(
                {reason, Num(walk.lockedPhotos) +
                             " photos skipped, held open by another program: " + walk.firstLocked});
        }
    }
    // A group where the walk met no photo at all has no Photos to speak of; a failed or
    // stopped walk keeps saying so.
    if (status == dsCompleted && walk.found == 0 && walk.downloaded == 0 && walk.passedOver == 0)
        status = dsNotAvailable;
    ClearStopCurrent();
    if (IsFailure(status)) PlayErrorSound(options_);
    ShowItemLine(Format("Finished with all Photos in %s", {name}), 0);
    Report(walk, status, reason);
}

DownloadStatus TPhotoThread::WalkPages(TGroupWalk& walk, std::vector<std::string> links) {
    std::vector<std::string> pageQueue;
    std::string referrer = walk.site->PhotosListURL();
    std::string album = "/";
    for (std::size_t page = 0;; ++page) {
        if (Stopping()) return dsSkipped;
        Report(walk, dsProgress);
        if (std::find(walk.albums.begin(), walk.albums.end(), album) == walk.albums.end())
            walk.albums.push_back(album);
        ShowItemLine(Format("Getting File List From  - %s", {album}), 0);
        std::vector<std::string> photos;
        walk.passedOver += walk.site->ClassifyLinks(links, walk.known, photos, pageQueue);
        if (!photos.empty() && !DownloadBatch(walk, referrer, album, std::move(photos)))
            return dsSkipped;
        if (Stopping()) return dsSkipped;
        ShowItemLine(Format("Trying to Download Dir - %s", {album}), 0);
        Report(walk, dsProgress);
        const DownloadStatus status = walk.site->OpenPage(page, referrer, pageQueue, links);
        if (page < pageQueue.size()) album = walk.site->AlbumPathOf(pageQueue[page]);
        if (status == dsCompleted) return dsCompleted;
        if (status == dsError) {
            if (Stopping()) return dsSkipped;  // stopped while the page was throttled
            // The group ends "Error" with the reason; the pages already queued are still read.
            walk.failures.push_back(walk.site->LastFailure());
        }
    }
}

bool TPhotoThread::DownloadBatch(TGroupWalk& walk, const std::string& referrer,
                                 const std::string& album, std::vector<std::string> photos) {
    const int total = static_cast<int>(photos.size());
    TPDLManager::TBatch batch;
    batch.urls = std::move(photos);
    batch.referrer = referrer;
    batch.photosFolder = walk.photosFolder;
    batch.indexPath = walk.indexPath;
    batch.timeOut = options_.intTimeOut;
    batch.maxRunning = std::clamp(inputs_.photoItems, 1, 9);
    walk.found += total;
    TPDLManager manager(*walk.pool, std::move(batch));
    manager.Start();
    ResetItemBar();
    SetItemBarRange(0, total);
    bool stopped = false;
    int lastShown = -1;
    while (!manager.Finished()) {
        if (Stopping()) {
            // Nothing new starts and the running transfer ends now; its file stays as it was.
            manager.Stop();
            stopped = true;
            break;
        }
        const TItemManager::TCounts counts = manager.Counts();
        if (counts.started != lastShown) {
            lastShown = counts.started;
            ShowItemLine(Format("Downloading Files  %d of %d  From  - %s",
                                {Num(counts.started), Num(total), album}),
                         std::max(0, counts.started - 1));
        }
        manager.WaitForChange(500);
    }
    manager.Join();
    const TPDLManager::TOutcome outcome = manager.Outcome();
    walk.downloaded += outcome.saved;
    walk.failedPhotos += outcome.failed;
    if (walk.firstFailedPhoto.empty()) walk.firstFailedPhoto = outcome.firstFailure;
    walk.lockedPhotos += static_cast<int>(outcome.locked.size());
    if (walk.firstLocked.empty() && !outcome.locked.empty()) walk.firstLocked = outcome.locked[0];
    if (!outcome.indexFailure.empty()) walk.failures.push_back(outcome.indexFailure);
    return !stopped;
}

}  // namespace tessaly
