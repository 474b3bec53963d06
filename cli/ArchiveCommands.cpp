#include "cli/ArchiveCommands.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>

#include "archive/MboxWriter.h"
#include "archive/SiteBuilder.h"
#include "cli/ExitCodes.h"

namespace tessaly::cli {
namespace {

std::atomic<bool> stopAsked{false};

void OnStop(int) {
    stopAsked.store(true);
}

// A bar redrawn in place on a terminal, at most every 100 ms; nothing elsewhere.
class TProgressBar {
public:
    TProgressBar() : live_(::isatty(STDOUT_FILENO) != 0) {}
    ~TProgressBar() { Clear(); }
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    void Show(const archive::TSiteProgress& p) {
        if (!live_) return;
        const auto now = std::chrono::steady_clock::now();
        if (p.step == step_ && now - last_ < std::chrono::milliseconds(100) && p.done != p.total)
            return;
        last_ = now;
        step_ = p.step;
        constexpr int kWidth = 30;
        const double part =
            p.total > 0 ? static_cast<double>(p.done) / static_cast<double>(p.total) : 0.0;
        const int filled = static_cast<int>(part * kWidth);
        std::string line = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                           std::string(static_cast<std::size_t>(kWidth - filled), ' ') + "] " +
                           std::to_string(static_cast<int>(part * 100)) + "% " + p.step;
        if (line.size() > 100) line.resize(100);
        std::cout << line << "\x1b[K" << std::flush;
        shown_ = true;
    }
    void Clear() {
        if (shown_) std::cout << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

private:
    bool live_;
    bool shown_ = false;
    std::string step_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace

int RunArchiveBuild(const std::string& folder) {
    signal(SIGINT, OnStop);
    signal(SIGTERM, OnStop);
    TProgressBar bar;
    archive::TSiteOptions options;
    options.progress = [&bar](const archive::TSiteProgress& p) { bar.Show(p); };
    options.stop = &stopAsked;
    const archive::TSiteResult r = archive::BuildArchiveSite(folder, options);
    bar.Clear();
    if (r.stopped) {
        std::cerr << "tessaly-cli: stopped; the next build finishes the site\n";
        return kExitStopped;
    }
    if (!r.ok) {
        std::cerr << "tessaly-cli: the archive was not built: " << r.failure << "\n";
        return r.usage ? kExitUsage : kExitOutputFolder;
    }
    std::cout << "Archive: " << r.topPage << "\n  " << r.groups << " groups, " << r.messages
              << " messages; " << r.pagesRead << " saved pages read, " << r.filesWritten
              << " site files written, " << r.filesRemoved << " removed, " << r.thumbnailsMade
              << " thumbnails made\n";
    if (r.unreadable > 0)
        std::cerr << "tessaly-cli: " << r.unreadable
                  << " saved pages could not be read and are not listed\n";
    return kExitOk;
}

int RunArchiveMbox(const std::string& folder, const std::string& group, const std::string& file) {
    TProgressBar bar;
    const archive::TMboxResult r = archive::WriteGroupMbox(
        folder, group, file, [&bar](const archive::TSiteProgress& p) { bar.Show(p); });
    bar.Clear();
    if (!r.ok) {
        std::cerr << "tessaly-cli: no mbox file written: " << r.failure << "\n";
        return r.usage ? kExitUsage : kExitOutputFolder;
    }
    std::cout << "Mbox: " << file << "\n  " << r.messages << " messages of " << r.group;
    if (r.purged > 0) std::cout << "; " << r.purged << " deleted from the group left out";
    std::cout << "\n";
    if (r.unreadable > 0)
        std::cerr << "tessaly-cli: " << r.unreadable
                  << " saved pages could not be read and are left out\n";
    return kExitOk;
}

}  // namespace tessaly::cli
