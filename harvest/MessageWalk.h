#pragma once
// TMessageWalkWorker: the walk through a group's message archive that the message worker and the
// attachment worker share. For each group it opens the group, learns the first and last message
// numbers, narrows them to a chosen range, and walks from message to message by the link to the
// next higher number, handing each message to the section (DownloadOne). It records the position
// reached in the member's group cache and, when asked, the group names and outside links the
// messages carry. Saving runs on a background writer, overlapping the fetch of the next message;
// a stored position never runs ahead of what was saved.

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>

#include "harvest/BackgroundWriter.h"
#include "harvest/DownloadWorker.h"
#include "harvest/YahooAttach.h"

namespace tessaly {

class TMessageWalkWorker : public TDownloadWorker {
public:
    using TDownloadWorker::TDownloadWorker;
    ~TMessageWalkWorker() override { Wait(); }

protected:
    // The section's work for one message: fetch it (the page it delivered goes to `page`) and
    // do with it what the section does; `saved` counts what it saved for the row's Files Found.
    virtual DownloadStatus DownloadOne(int row, int number, TYahooAttachmentDownload& site,
                                       TPagePtr& page, int& saved) = 0;
    // The designed pauses of the walk: before the next message's link is read, after a fetch.
    struct TWalkPauses {
        int beforeNextMs = 1000;
        int afterFetchMs = 500;
    };
    [[nodiscard]] virtual TWalkPauses Pauses() const { return {}; }
    // A line for the group's final row when the walk ended without a failure to tell: what the
    // section left out on the way ("" when nothing).
    [[nodiscard]] virtual std::string WalkNote() const { return {}; }

    void GroupWork(int index, const std::string& group, int first, int last) override;
    [[nodiscard]] std::string ClosingGroupLine(int groups) const override;
    [[nodiscard]] std::string ClosingItemLine() const override {
        return "Completed all Message Downloads";
    }
    [[nodiscard]] int ClosingItemPosition() const override { return lastMessageOfRun_; }
    void EndRun() override;

    // The recording of the group names and outside links of the page, as the options ask: a
    // task for the writer (empty when the options ask for none). Run it in the section's own
    // writer task, so a message costs the writer one hand-over.
    [[nodiscard]] std::function<void()> GrabTask(const TPagePtr& page);
    // Hands a task to the writer; tasks run in order, after the ones handed over before.
    void QueueWrite(std::function<void()> task) { writer_.Add(std::move(task)); }
    // For the section's writer tasks: whether an earlier message of the group could not be
    // saved (nothing after it is saved), and the outcome of saving message `number`.
    [[nodiscard]] bool SavingStopped() const { return failedAt_ != 0; }
    void Saved(int number) { lastSaved_ = number; }
    void NotSaved(int number, const std::string& why);
    // For a section whose items of a message can fail without ending the walk (attachments):
    // items of message `number` failed, `why` tells what failed so far in the group. The walk
    // goes on to its last message; the group then ends Error with `why`, and its stored position
    // does not pass the first such message, so the next run offered that number fetches it again.
    void ItemsFailed(int number, std::string why);
    // Records the position reached in the group. When messages come faster than
    // kPositionInterval, the writes in between are left out; `final` always writes. Runs on the
    // writer, after the work handed over before it, so a stored position never runs ahead of the
    // files. A `failed` walk stores the message at which it failed (the next run starts there),
    // but never moves the stored position back.
    void RecordPosition(const TYahooAttachmentDownload& site, int number, bool final = false,
                        bool failed = false);
    static constexpr std::chrono::milliseconds kPositionInterval{250};

private:
    // The walk of one group; ends with the group's row reported.
    void Walk(int index, const std::string& group, int first, int last);
    // On the writer: records a grabbed group name or link once per run.
    void RecordGrabbed(const char* key, const std::string& entry);

    int lastMessageOfRun_ = 0;
    // Touched on the writer only (its tasks run one after another), and by the worker at the
    // start of a group, when the writer is idle.
    std::chrono::steady_clock::time_point lastPositionWrite_{};
    std::set<std::string> grabbed_;    // "key\ENTRY" already written in this run
    int failedAt_ = 0;                 // the first message of the group that could not be saved
    std::string saveFailure_;          // why it could not be saved
    int lastSaved_ = 0;                // the last message of the group that was saved
    std::int64_t startPosition_ = -1;  // the group's stored position when its walk began
    int itemsFailedAt_ = 0;            // the first message whose items failed (worker thread)
    std::string itemsFailure_;         // what failed, for the group's row
    // Set on the writer when a message could not be saved; the walk then ends "Error".
    std::atomic<bool> writeFailed_{false};
    // Last, so it is destroyed (running what is left to write) while the state its tasks use
    // still lives.
    TBackgroundWriter writer_;
};

}  // namespace tessaly
