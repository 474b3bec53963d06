#pragma once
// Builds the browsable site of an output folder: the top page, each group's lists by number and
// by month, its Files and Photos pages with thumbnails, and the search page with its index.
// The site lives in its own folder beside the sections and no saved file is ever written.
// A build keeps what it learnt of each saved page in the site's cache, so the next build reads
// only the pages that are new or changed and writes only the site files whose content changed.
//
// This is what a front end calls to show the archive ("View Archive"): run it on a worker
// thread, show its progress, then open TSiteResult::topPage.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tessaly::archive {

struct TSiteProgress {
    std::string step;  // "Reading the messages of DemoGroup", ...
    std::int64_t done = 0, total = 0;
};

struct TSiteOptions {
    // Told how far the build is, on the building thread, at most about every thousandth of
    // the work and at every new step.
    std::function<void(const TSiteProgress&)> progress;
    // Set (from any thread) to end the build early; the site then holds what was done so far
    // and the next build finishes it.
    const std::atomic<bool>* stop = nullptr;
};

struct TSiteResult {
    bool ok = false;
    bool stopped = false;
    bool usage = false;   // the folder is missing or its site folder is not ours: nothing done
    std::string failure;  // why the build failed, when it did
    std::string topPage;  // the site's top page (absolute path)
    int groups = 0;
    std::int64_t messages = 0;
    std::int64_t pagesRead = 0;     // saved message pages read by this build
    std::int64_t unreadable = 0;    // saved pages that could not be read (left out)
    std::int64_t filesWritten = 0;  // site files written because their content changed
    std::int64_t filesRemoved = 0;  // site files of messages, groups or pictures now gone
    int thumbnailsMade = 0;
};

// Builds or updates the site of `outputFolder` in its "Archive" folder. Fails, touching
// nothing, when the folder is missing or its "Archive" folder holds something this program did
// not write.
[[nodiscard]] TSiteResult BuildArchiveSite(const std::string& outputFolder,
                                           const TSiteOptions& options = {});

}  // namespace tessaly::archive
