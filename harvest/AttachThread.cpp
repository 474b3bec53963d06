#include "harvest/AttachThread.h"

#include <algorithm>

#include "harvest/AttachManager.h"
#include "harvest/AttachmentIndex.h"
#include "platform/FileLock.h"
#include "settings/DownloadOptions.h"
#include "status/Outcome.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::string Num(int n) {
    return std::to_string(n);
}

}  // namespace

void TAttachThread::GroupWork(int index, const std::string& group, int first, int last) {
    inUse_.clear();
    failedFiles_ = 0;
    firstFailedAt_ = 0;
    firstFailure_.clear();
    names_.reset();  // read for the group's spelling on the site, with its first files
    pool_ = std::make_unique<TDownloaderPool>(std::clamp(options_.intThreadCount, 1, 9));
    TMessageWalkWorker::GroupWork(index, group, first, last);
    pool_.reset();
    names_.reset();
}

std::string TAttachThread::WalkNote() const {
    if (inUse_.empty()) return {};
    return Num(static_cast<int>(inUse_.size())) +
           (inUse_.size() == 1 ? " attachment" : " attachments") +
           " skipped, in use by another program: " + inUse_.front() +
           (inUse_.size() > 1 ? ", ..." : "");
}

DownloadStatus TAttachThread::DownloadAttachments(int /*row*/, int number,
                                                  TYahooAttachmentDownload& site, TPagePtr& page,
                                                  int& saved) {
    saved = 0;
    if (!site.FetchMessage(number, page)) return dsError;
    if (auto grab = GrabTask(page)) QueueWrite(std::move(grab));

    std::vector<std::string> links = site.MessageFileLinks(*page);
    site.FilterLinksByExtension(links);
    if (links.empty()) return dsCompleted;
    std::vector<std::string> items;
    items.reserve(links.size());
    for (std::size_t k = 0; k < links.size(); ++k)
        items.push_back(MakeAttachmentItem(number, static_cast<int>(k), Trim(links[k])));

    TADLManager::TSettings settings;
    const int scheme = options_.fileNameFormatObj;
    settings.scheme = scheme >= 1 && scheme <= 4 ? scheme : 0;
    settings.maxRunning = options_.intThreadCount;
    settings.delayEnabled = options_.boolEnableDownloadDelay;
    settings.delaySeconds = options_.intDownloadDelay;
    settings.timeOut = options_.intTimeOut;
    if (!names_) {
        try {
            names_ = std::make_unique<TAttachmentNames>(
                AttachmentIndexPath(inputs_.userName, site.GroupName()), site.AttachmentsFolder());
        } catch (const EFileError& e) {
            site.NoteFailure(std::string("the attachment index could not be read: ") + e.what());
            return dsError;
        }
    }
    TADLManager batch(*pool_, site, items, site.AttachmentsFolder(), *names_, settings);
    // The names are on record before any of their files is written: a file under a name is
    // always one the index knows, whenever the run ends.
    try {
        names_->Save();
    } catch (const EFileError& e) {
        site.NoteFailure(std::string("the attachment index could not be written: ") + e.what());
        return dsError;
    }
    batch.Start();
    const int last = site.LastMessage();
    while (!batch.Finished()) {
        const TItemManager::TCounts counts = batch.Counts();
        ShowItemLine(Format("Downloading Attachment %d  of %d (Message - %d of %d)",
                            {Num(counts.started), Num(counts.total), Num(number), Num(last)}),
                     number);
        batch.WaitForChange(500);
    }
    batch.Join();
    saved = batch.Counts().ok;
    for (auto& path : batch.InUse()) inUse_.push_back(std::move(path));
    const DownloadStatus status = batch.Overall();
    if (status == dsBlocked) {  // the service refuses the group's files: no use going on
        site.NoteFailure(batch.Failure());
        return dsBlocked;
    }
    if (IsFailure(status)) {
        if (failedFiles_ == 0) {
            firstFailure_ = batch.Failure();
            firstFailedAt_ = number;
        }
        failedFiles_ += batch.FailedCount();
        ItemsFailed(number, Num(failedFiles_) +
                                (failedFiles_ == 1 ? " attachment" : " attachments") +
                                " failed, the first in message " + Num(firstFailedAt_) + ": " +
                                firstFailure_);
    }
    return dsCompleted;
}

}  // namespace tessaly
