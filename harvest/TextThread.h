#pragma once
// TTextThread: the message worker. For each group it opens the group, learns the first and last
// message numbers and walks the archive from message to message by the link to the next higher
// number, saving every page; it records the position reached in the member's group cache and,
// when asked, the group names and outside links the messages carry.

#include <atomic>
#include <chrono>
#include <set>
#include <string>

#include "harvest/BackgroundWriter.h"
#include "harvest/DownloadWorker.h"
#include "harvest/YahooAttach.h"

namespace tessaly {

class TTextThread : public TDownloadWorker {
public:
    using TDownloadWorker::TDownloadWorker;
    ~TTextThread() override { Wait(); }

    DownloadStatus DownloadMessage(int row, int number, TYahooAttachmentDownload& site,
                                   std::string& page);

protected:
    void GroupWork(int index, const std::string& group, int first, int last) override;
    [[nodiscard]] std::string ClosingGroupLine(int groups) const override;
    [[nodiscard]] std::string ClosingItemLine() const override {
        return "Completed all Message Downloads";
    }
    [[nodiscard]] int ClosingItemPosition() const override { return lastMessageOfRun_; }
    // Records the position reached in the group. When messages come faster than
    // kPositionInterval, the writes in between are left out (a later one is queued, or the last
    // write is recent); `final` always writes. Runs on the background writer, after the message
    // files handed over before it, so a stored position never runs ahead of the files.
    void RecordPosition(const TYahooAttachmentDownload& site, int number, bool final = false);
    static constexpr std::chrono::milliseconds kPositionInterval{250};

private:
    // On the background writer: records a grabbed group name or link once per run.
    void RecordGrabbed(const char* key, const std::string& entry);

    int lastMessageOfRun_ = 0;
    // Touched on the background writer only (its tasks run one after another), and by the
    // worker at the start of a group, when the writer is idle.
    std::chrono::steady_clock::time_point lastPositionWrite_{};
    std::set<std::string> grabbed_;  // "key\ENTRY" already written in this run
    std::string madeFolder_;         // the folder the last message file went to
    int failedAt_ = 0;               // the first message of the group whose file failed
    int lastSaved_ = 0;              // the last message of the group whose file was written
    // Set by the writer when a message file could not be written; the walk then ends "Error".
    std::atomic<bool> writeFailed_{false};
    std::atomic<int> queuedPositions_{0};
    // Saving a message and recording its position overlap the fetch of the next one. Last, so
    // it is destroyed (running what is left to write) while the state its tasks use still lives.
    TBackgroundWriter writer_;
};

}  // namespace tessaly
