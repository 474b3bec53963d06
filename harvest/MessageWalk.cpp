#include "harvest/MessageWalk.h"

#include <exception>

#include "harvest/Sounds.h"
#include "platform/RegistryStore.h"
#include "platform/TemporaryFiles.h"
#include "registry/GroupCache.h"
#include "registry/RegistryLayout.h"
#include "settings/DownloadOptions.h"
#include "status/Outcome.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::string Num(int n) {
    return std::to_string(n);
}

}  // namespace

std::string TMessageWalkWorker::ClosingGroupLine(int groups) const {
    return Format("Completed Downloading %d Groups", {Num(groups)});
}

std::function<void()> TMessageWalkWorker::GrabTask(const TPagePtr& page) {
    const bool names = options_.boolGrabOtherGroups;
    if (!names && !options_.boolGrabOtherURLs) return {};
    std::shared_ptr<const std::vector<std::string>> ignored;
    if (options_.boolGrabOtherURLs)
        ignored = std::make_shared<std::vector<std::string>>(options_.IgnoreEmbbededSites);
    // Read on the writer, away from the walk; the page's links were read once, for the walk.
    return [this, names, ignored, page] {
        if (names) {
            for (const auto& name :
                 TYahooAttachmentDownload::GetValidYahooGroupNamesFrom(page->Source()))
                RecordGrabbed(reg::kGrabbedGroups, name);
        }
        if (ignored) {
            std::vector<std::string> links;
            TYahooAttachmentDownload::OtherLinksOf(page->Links(), *ignored, links);
            for (const auto& link : links) RecordGrabbed(reg::kGrabbedURLs, link);
        }
    };
}

void TMessageWalkWorker::NotSaved(int number, const std::string& why) {
    if (failedAt_ == 0) {
        failedAt_ = number;
        saveFailure_ = why;
    }
    writeFailed_ = true;
}

void TMessageWalkWorker::ItemsFailed(int number, std::string why) {
    if (itemsFailedAt_ == 0 || number < itemsFailedAt_) itemsFailedAt_ = number;
    itemsFailure_ = std::move(why);
}

void TMessageWalkWorker::RecordGrabbed(const char* key, const std::string& entry) {
    // Value names compare without regard to letter case, so one spelling stands for all.
    if (!grabbed_.insert(std::string(key) + "\\" + UpperCase(entry)).second) return;
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, std::string(reg::kKey) + key, entry,
                                RegValue::String(""));
}

void TMessageWalkWorker::RecordPosition(const TYahooAttachmentDownload& site, int number,
                                        bool final, bool failed) {
    // Past a message whose items failed the position stays at that message.
    if (itemsFailedAt_ != 0 && number >= itemsFailedAt_) {
        number = itemsFailedAt_;
        failed = true;
    }
    writer_.Add([this, user = inputs_.userName, group = site.GroupName(), number, final, failed] {
        const auto now = std::chrono::steady_clock::now();
        // Past a message that could not be saved the position stays at that message, so the
        // next run fetches it again.
        if (failedAt_ != 0) {
            if (final)
                SetLastPosition(user, group, std::max<std::int64_t>(failedAt_, startPosition_));
            return;
        }
        // At most one write per interval, however far the writer is behind: a run killed in
        // the middle of a long group still finds a recent position.
        if (!final && now - lastPositionWrite_ < kPositionInterval) return;
        // A walk that a failure ended leaves the position at least where the group started: an
        // earlier run may have gone further, and the walk's own progress does not count then.
        SetLastPosition(user, group,
                        failed ? std::max<std::int64_t>(number, startPosition_) : number);
        lastPositionWrite_ = now;
    });
}

void TMessageWalkWorker::GroupWork(int i, const std::string& group, int chosenFirst,
                                   int chosenLast) {
    std::exception_ptr failure;
    try {
        Walk(i, group, chosenFirst, chosenLast);
    } catch (...) {
        failure = std::current_exception();
    }
    // Whichever way the walk ended (a stop request right after the first message, a failure),
    // what it handed to the writer is written before the group is over: the section's writer
    // tasks use the worker's state, and the next group resets it or the worker goes. A failure
    // of the walk itself is the one the group reports; the writer's, when both failed, came
    // from it.
    try {
        writer_.Flush();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
}

void TMessageWalkWorker::EndRun() {
    // Whatever the run left to write (it ended outside a group's work) is written now, while the
    // worker and its state still live; a failure of it is the run's.
    writer_.Flush();
}

void TMessageWalkWorker::Walk(int i, const std::string& group, int chosenFirst, int chosenLast) {
    const int n = static_cast<int>(inputs_.groups.size());
    const TWalkPauses pauses = Pauses();
    int found = 0;
    // The group before left nothing to write, so the writer's state of the group is reset here.
    writeFailed_ = false;
    failedAt_ = 0;
    lastSaved_ = 0;
    itemsFailedAt_ = 0;
    itemsFailure_.clear();
    TYahooAttachmentDownload site(*this, chosenLast, chosenFirst, inputs_.debugPages, options_,
                                  inputs_.password, inputs_.userName, Trim(group));
    ShowItemLine("Getting Group Information.", 0);
    // A group page that could not be fetched ends the group with the reason; one the user
    // stopped meanwhile (waiting out a throttled answer) is skipped.
    auto failedBeforeWalk = [&](DownloadStatus status, std::string reason) {
        if (StopCurrent() || StopAll()) {
            if (StopCurrent()) ClearStopCurrent();
            ReportGroup(i, 0, 0, 0, 0, dsSkipped);
            return;
        }
        if (IsFailure(status)) PlayErrorSound(options_);
        ReportGroup(i, 0, 0, 0, 0, status, std::move(reason));
    };
    if (std::string reason; !EnterGroup(site, reason)) {
        failedBeforeWalk(dsError, std::move(reason));
        return;
    }
    const DownloadStatus init = site.InitGroup();
    if (init != dsOk) {
        failedBeforeWalk(init, init == dsError ? site.LastFailure() : std::string());
        return;
    }
    startPosition_ = site.GetLastPosition();  // (the writer is idle: the group before flushed)
    RemoveStaleTemporaries(site.MessagesFolder());  // left by a run that was killed
    int first = site.FirstMessage();
    int last = site.LastMessage();
    // A range chosen for the group narrows the walk: from the first message at or above the
    // chosen first number to the last one at or below the chosen last number.
    if (chosenFirst > first) {
        // The index page that starts at the chosen number lists the first message at or above it.
        TPagePtr index;
        if (site.FetchPage(site.MessagesURL() + Num(chosenFirst), index) != dsOk) {
            failedBeforeWalk(dsError, site.LastFailure());
            return;
        }
        const int atOrAbove = site.FirstMessageAtOrAbove(*index, chosenFirst);
        first = atOrAbove > 0 ? atOrAbove : chosenFirst;
    }
    const int walkLast = chosenLast > 0 ? std::min(last, chosenLast) : last;
    if (first > walkLast) {
        ReportGroup(i, 0, 0, 0, 0, dsNotAvailable);
        return;
    }
    SetItemBarRange(first, last);
    ReportGroup(i, first, last, first, found, dsProgress);
    ShowItemLine(Format("Downloading Message %d  of %d", {Num(first), Num(last)}), first);

    int current = first;
    TPagePtr page = TPage::None();
    int saved = 0;
    DownloadStatus result = DownloadOne(i, current, site, page, saved);
    found += saved;
    if (StopCurrent()) {
        ReportGroup(i, 0, 0, 0, 0, dsSkipped);
        ClearStopCurrent();
        return;
    }
    if (StopAll()) {
        ReportGroup(i, 0, 0, 0, 0, dsSkipped);
        return;
    }
    if (IsFailure(result)) {
        PlayErrorSound(options_);
        ReportGroup(i, first, last, first, found, result, site.LastFailure());
        return;
    }
    DownloadStatus status = dsCompleted;
    std::string reason;
    auto stopped = [&] {
        if (StopCurrent()) {
            ClearStopCurrent();
            status = dsSkipped;
            return true;
        }
        if (StopAll()) {
            ReportGroup(i, 0, 0, 0, 0, dsSkipped);
            status = dsSkipped;
            return true;
        }
        return false;
    };
    for (;;) {
        ReportGroup(i, first, last, current, found, dsProgress);
        Pause(pauses.beforeNextMs);
        const int next = site.NextMessageNumber(current, *page);
        site.SaveDebugPage(page->Source(), Num(next) + ".html");
        if (next == current) {
            status = dsStopped;
            break;
        }
        if (next == -1) {
            site.SaveDebugPage(page->Source(), "ErrorWithInvalidNextPage.html");
            status = dsError;
            reason = "the page of message " + Num(current) + " is empty";
            break;
        }
        if (next > walkLast) {  // past the chosen last number
            status = result;
            break;
        }
        current = next;
        ShowItemLine(Format("Downloading Message %d  of %d", {Num(current), Num(last)}), current);
        if (stopped()) break;
        result = DownloadOne(i, current, site, page, saved);
        found += saved;
        Pause(pauses.afterFetchMs);
        if (stopped()) break;
        if (IsFailure(result)) {
            PlayErrorSound(options_);
            if (result != dsBlocked) site.SaveDebugPage(page->Source(), "UnExpectedErrorPage.html");
            status = result;
            reason = site.LastFailure();
            break;
        }
        if (writeFailed_) {  // a message could not be saved: stop losing messages
            PlayErrorSound(options_);
            status = dsError;
            break;
        }
        if (current == walkLast) {
            status = result;
            break;
        }
        RecordPosition(site, current);
    }
    // A failure stores the message at which it failed: the next run offered it starts there.
    RecordPosition(site, current, true, IsFailure(status));
    writer_.Flush();  // the group's files and position are written before its row says so
    if (writeFailed_.exchange(false)) {
        if (status != dsError) PlayErrorSound(options_);
        status = dsError;
        current = failedAt_;
        reason = "message " + Num(failedAt_) + " could not be saved: " + saveFailure_;
    }
    if (itemsFailedAt_ != 0) {
        if (IsFailure(status)) {
            reason += "; before that, " + itemsFailure_;
        } else {
            if (status != dsSkipped) {
                PlayErrorSound(options_);
                status = dsError;
            }
            reason = itemsFailure_;
        }
    }

    if (reason.empty()) reason = WalkNote();
    ReportGroup(i, first, last, current, found, status, reason);
    ShowGroupLine(Format("Completed Group - %s (%d of %d)", {group, Num(i + 1), Num(n)}), i + 1);
    ShowItemLine(Format("Completed Message %d  of %d", {Num(first), Num(last)}), last);
    lastMessageOfRun_ = last;
}

}  // namespace tessaly
