#include "harvest/TextThread.h"

#include <memory>

#include "harvest/Sounds.h"
#include "platform/RegistryStore.h"
#include "registry/GroupCache.h"
#include "registry/RegistryLayout.h"
#include "settings/DownloadOptions.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

bool IsFailure(DownloadStatus s) {
    return s == dsBlocked || s == dsError || s == dsNetworkError;
}

std::string Num(int n) {
    return std::to_string(n);
}

}  // namespace

std::string TTextThread::ClosingGroupLine(int groups) const {
    return Format("Completed Downloading %d Groups", {Num(groups)});
}

DownloadStatus TTextThread::DownloadMessage(int /*row*/, int number, TYahooAttachmentDownload& site,
                                            std::string& page) {
    if (!site.FetchMessage(number, page)) return dsError;
    // The group names and outside links the page carries are read on the writer, away from
    // the walk.
    std::shared_ptr<const std::vector<std::string>> ignored;
    if (options_.boolGrabOtherURLs)
        ignored = std::make_shared<std::vector<std::string>>(options_.IgnoreEmbbededSites);
    writer_.Add([this, names = options_.boolGrabOtherGroups, ignored,
                 folder = site.MessagesFolder(), dateFormat = options_.boolUseMessageDateFormat,
                 number, page] {
        if (names) {
            for (const auto& name : TYahooAttachmentDownload::GetValidYahooGroupNamesFrom(page))
                RecordGrabbed(reg::kGrabbedGroups, name);
        }
        if (ignored) {
            std::vector<std::string> links;
            TYahooAttachmentDownload::ExtractOtherLinksFrom(page, *ignored, links);
            for (const auto& link : links) RecordGrabbed(reg::kGrabbedURLs, link);
        }
        if (failedAt_ != 0) return;  // the walk is ending; nothing after a lost message
        if (TYahooAttachmentDownload::WriteMessageFile(folder, dateFormat, number, page,
                                                       folder == madeFolder_)) {
            madeFolder_ = folder;
            lastSaved_ = number;
        } else {
            madeFolder_.clear();
            failedAt_ = number;
            writeFailed_ = true;
        }
    });
    return dsCompleted;
}

void TTextThread::RecordGrabbed(const char* key, const std::string& entry) {
    // Value names compare without regard to letter case, so one spelling stands for all.
    if (!grabbed_.insert(std::string(key) + "\\" + UpperCase(entry)).second) return;
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, std::string(reg::kKey) + key, entry,
                                RegValue::String(""));
}

void TTextThread::RecordPosition(const TYahooAttachmentDownload& site, int number, bool final) {
    ++queuedPositions_;
    writer_.Add([this, user = inputs_.userName, group = site.GroupName(), number, final] {
        const bool newerQueued = --queuedPositions_ > 0;
        const auto now = std::chrono::steady_clock::now();
        // Past a message that could not be saved the position stays where it was, so the next
        // run fetches that message again.
        if (failedAt_ != 0) {
            if (final && lastSaved_ > 0) SetLastPosition(user, group, lastSaved_);
            return;
        }
        if (!final && (newerQueued || now - lastPositionWrite_ < kPositionInterval)) return;
        SetLastPosition(user, group, number);
        lastPositionWrite_ = now;
    });
}

void TTextThread::GroupWork(int i, const std::string& group, int chosenFirst, int chosenLast) {
    const int n = static_cast<int>(inputs_.groups.size());
    int found = 0;
    // A group starts with nothing left to write from the one before (a group left early does
    // not wait for its writes), so the writer's state of the group can be reset here.
    writer_.Flush();
    writeFailed_ = false;
    failedAt_ = 0;
    lastSaved_ = 0;
    TYahooAttachmentDownload site(*this, chosenLast, chosenFirst, inputs_.debugPages, options_,
                                  inputs_.password, inputs_.userName, Trim(group));
    ShowItemLine("Getting Group Information.", 0);
    std::vector<std::string> lines;
    BrowserFetch(site.GroupHomeURL(), lines);
    if (ContainsText("adultconf", BrowserLocation()) && !BrowserClick("accept", "", lines)) {
        ReportGroup(i, 0, 0, 0, 0, dsError);
        return;
    }
    const DownloadStatus init = site.InitGroup();
    if (init != dsOk) {
        ReportGroup(i, 0, 0, 0, 0, init);
        return;
    }
    int first = site.FirstMessage();
    int last = site.LastMessage();
    // A range chosen for the group narrows the walk: from the first message at or above the
    // chosen first number to the last one at or below the chosen last number.
    if (chosenFirst > first) {
        // The index page that starts at the chosen number lists the first message at or above it.
        std::vector<std::string> index;
        const std::string url = site.MessagesURL() + Num(chosenFirst);
        const int atOrAbove = BrowserFetch(url, index)
                                  ? site.FirstMessageAtOrAbove(LinesToText(index), chosenFirst)
                                  : -1;
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
    std::string page;
    DownloadStatus result = DownloadMessage(i, current, site, page);
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
        ReportGroup(i, first, last, first, found, result);
        return;
    }
    DownloadStatus status = dsCompleted;
    for (;;) {
        ReportGroup(i, first, last, current, found, dsProgress);
        Pause(1000);
        const int next = site.NextMessageNumber(current, page);
        site.SaveDebugPage(page, Num(next) + ".html");
        if (next == current) {
            status = dsStopped;
            break;
        }
        if (next == -1) {
            site.SaveDebugPage(page, "ErrorWithInvalidNextPage.html");
            status = dsError;
            break;
        }
        if (next > walkLast) {  // past the chosen last number
            status = result;
            break;
        }
        current = next;
        ShowItemLine(Format("Downloading Message %d  of %d", {Num(current), Num(last)}), current);
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
        if (stopped()) break;
        result = DownloadMessage(i, current, site, page);
        Pause(500);
        if (stopped()) break;
        if (IsFailure(result)) {
            PlayErrorSound(options_);
            if (result != dsBlocked) site.SaveDebugPage(page, "UnExpectedErrorPage.html");
            status = result;
            break;
        }
        if (writeFailed_) {  // a message file could not be written: stop losing messages
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
    RecordPosition(site, current, true);
    writer_.Flush();  // the group's files and position are written before its row says so
    if (writeFailed_.exchange(false)) {
        if (status != dsError) PlayErrorSound(options_);
        status = dsError;
        current = failedAt_;
    }

    ReportGroup(i, first, last, current, found, status);
    ShowGroupLine(Format("Completed Group - %s (%d of %d)", {group, Num(i + 1), Num(n)}), i + 1);
    ShowItemLine(Format("Completed Message %d  of %d", {Num(first), Num(last)}), last);
    lastMessageOfRun_ = last;
}

}  // namespace tessaly
