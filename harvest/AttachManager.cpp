#include "harvest/AttachManager.h"

#include <algorithm>

#include "harvest/YahooAttach.h"
#include "status/Outcome.h"

namespace tessaly {

TADLManager::TADLManager(TDownloaderPool& pool, const TYahooAttachmentDownload& site,
                         const std::vector<std::string>& items, const std::string& folder,
                         TAttachmentNames& names, const TSettings& settings)
    : TItemManager(pool, static_cast<int>(items.size()), settings.maxRunning),
      timeOut_(settings.timeOut) {
    if (settings.delayEnabled)
        pauseAfterStartMs_ = std::clamp(settings.delaySeconds, 10, 500) * 1000;
    jobs_.reserve(items.size());
    for (const auto& text : items) {
        TJob job;
        job.item = ParseAttachmentItem(text);
        job.skip = TYahooBase::IsBlockedFileType(text);
        if (!job.skip) {
            job.path = names.Claim(AttachmentPath(folder, settings.scheme, job.item.url,
                                                  job.item.message, job.item.index),
                                   job.item);
            job.referrer = site.MessageURL(job.item.message);
        }
        jobs_.push_back(std::move(job));
    }
}

TADLManager::~TADLManager() {
    // The items use this object's jobs: the batch ends before they go. One that is over leaves
    // the pool as it was, for the group's next message.
    if (!Finished()) Stop();
    Join();
}

bool TADLManager::SkipItem(int index) {
    return jobs_.at(Slot(index)).skip;
}

DownloadStatus TADLManager::RunItem(int index, THttpClient& client) {
    TJob& job = jobs_.at(Slot(index));
    TADLItem item(job.item.url, job.path, job.referrer, timeOut_);
    const DownloadStatus status = item.Run(client);
    job.failure = item.Failure();
    return status;
}

void TADLManager::ItemEnded(int index, DownloadStatus status) {
    const TJob& job = jobs_.at(Slot(index));
    std::lock_guard lock(mutex_);
    if (status == dsSkipped) {
        if (!job.failure.empty()) inUse_.push_back(job.path);  // (not a cancelled one)
        return;
    }
    if (!IsFailure(status)) return;
    const std::string why = !job.failure.empty()
                                ? job.failure
                                : "attachment " + std::to_string(job.item.index) + " of message " +
                                      std::to_string(job.item.message) + " failed (" +
                                      job.item.url + ")";
    ++failed_;
    // A refused file decides the message's status; the first failure of that kind tells why.
    if (status == dsBlocked) {
        if (overall_ != dsBlocked) failure_ = why;
        overall_ = dsBlocked;
    } else if (overall_ != dsBlocked) {
        if (!IsFailure(overall_)) failure_ = why;
        overall_ = status;
    }
}

void TADLManager::ItemRaised(int index, const std::string& why) {
    TJob& job = jobs_.at(Slot(index));
    job.failure = "attachment " + std::to_string(job.item.index) + " of message " +
                  std::to_string(job.item.message) + " failed (" + job.item.url + "): " + why;
}

DownloadStatus TADLManager::Overall() const {
    std::lock_guard lock(mutex_);
    return overall_;
}

std::string TADLManager::Failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

int TADLManager::FailedCount() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

std::vector<std::string> TADLManager::InUse() const {
    std::lock_guard lock(mutex_);
    return inUse_;
}

}  // namespace tessaly
