#pragma once
// TPhotoThread: the Photos worker. For each group it finds the photos host, opens the album
// list in thumbnail view and reads the list pages breadth-first, one after another: the top
// list, then every album page and later page of an album in the order its link was first
// seen. The photos of each page are downloaded one at a time (TPDLManager) before the next page
// is read, and every photo that arrives is recorded in the group's Photos index. When the
// member asked to ignore earlier downloads, the photos the index holds are not queued. The
// group's row counts the albums met, the photos found and the photos downloaded; a list page or
// photo that failed ends the group "Error" with the reason, a group where no photo was met ends
// "Not Available", a stop ends it "Skipped".

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "harvest/DownloadWorker.h"

namespace tessaly {

class TYahooPhotos;
class TDownloaderPool;

class TPhotoThread : public TDownloadWorker {
public:
    using TDownloadWorker::TDownloadWorker;
    ~TPhotoThread() override;

protected:
    void GroupWork(int index, const std::string& group, int first, int last) override;
    [[nodiscard]] bool FileRows() const override { return true; }
    [[nodiscard]] std::string ClosingGroupLine(int groups) const override;
    [[nodiscard]] std::string ClosingItemLine() const override {
        return "Finished with all Photos";
    }

private:
    // What one group's walk needs and counts.
    struct TGroupWalk {
        int row = 0;
        TYahooPhotos* site = nullptr;
        TDownloaderPool* pool = nullptr;
        std::string photosFolder;  // ends with "/"
        std::string indexPath;
        std::unordered_set<std::string> known;  // keys of photos not to be queued
        std::vector<std::string> albums;        // album paths met ("Dirs Found")
        int found = 0;                          // photos queued
        int downloaded = 0;                     // photos that arrived
        int passedOver = 0;                     // photos the index holds, not queued
        int failedPhotos = 0;
        std::string firstFailedPhoto;  // why the first of them failed
        int lockedPhotos = 0;
        std::string firstLocked;
        std::vector<std::string> failures;  // list pages, the index
    };

    // The page loop from the top list's links on; dsSkipped when a stop request ended it.
    DownloadStatus WalkPages(TGroupWalk& walk, std::vector<std::string> links);
    // Downloads a page's photos; false when a stop request ended the batch.
    bool DownloadBatch(TGroupWalk& walk, const std::string& referrer, const std::string& album,
                       std::vector<std::string> photos);
    void ReadKnownPhotos(TGroupWalk& walk);
    void Report(const TGroupWalk& walk, DownloadStatus status, std::string reason = {});
    [[nodiscard]] bool Stopping() const { return StopCurrent() || StopAll(); }
};

}  // namespace tessaly
