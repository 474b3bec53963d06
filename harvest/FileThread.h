#pragma once
// TFileThread: the Files worker. For each group it walks the group's Files tree depth-first, one
// folder page at a time, and downloads each folder's files (filtered by extension, and without
// the ones the Files index already holds when the member asked to ignore them) in parallel on a
// pool of downloaders, before it goes down into the folder's subfolders. Every file that
// arrives is recorded in the group's Files index. The group's row counts the folders listed,
// the files found and the files downloaded; a folder page that could not be fetched or a file
// that could not be downloaded ends the group "Error" with the reason, a stop ends it
// "Skipped" once every transfer it started has ended.

#include <memory>
#include <string>
#include <vector>

#include "harvest/DownloadWorker.h"

namespace tessaly {

class TYahooFiles;
class TDownloaderPool;
class TFilesIndex;

class TFileThread : public TDownloadWorker {
public:
    using TDownloadWorker::TDownloadWorker;
    ~TFileThread() override;

protected:
    void GroupWork(int index, const std::string& group, int first, int last) override;
    [[nodiscard]] bool FileRows() const override { return true; }
    [[nodiscard]] std::string ClosingGroupLine(int groups) const override;
    [[nodiscard]] std::string ClosingItemLine() const override { return "Finished with all Files"; }

private:
    // What one group's walk needs and counts.
    struct TGroupWalk {
        int row = 0;
        TYahooFiles* site = nullptr;
        TDownloaderPool* pool = nullptr;
        std::string filesFolder;  // ends with "/"
        std::string indexPath;
        std::unique_ptr<TFilesIndex> index;  // read at the start, for the files to ignore
        int folders = 0;                     // folder pages listed
        int found = 0;                       // files left by the extension filter
        int downloaded = 0;                  // files that arrived
        int attempted = 0;                   // files handed to the downloaders
        int failedFiles = 0;
        std::string firstFailedFile;  // why the first of them failed
        int lockedFiles = 0;
        std::string firstLocked;
        std::vector<std::string> failures;  // folder pages, the first failed file, the index
    };

    // Walks the folder and, depth-first, its subfolders; dsSkipped when a stop request ended it.
    DownloadStatus WalkFolder(TGroupWalk& walk, const std::string& folderPath);
    // Downloads the folder's files; false when a stop request ended the batch.
    bool DownloadBatch(TGroupWalk& walk, const std::string& folderPath,
                       std::vector<std::string> files);
    void Report(const TGroupWalk& walk, DownloadStatus status, std::string reason = {});
    [[nodiscard]] bool Stopping() const { return StopCurrent() || StopAll(); }
};

}  // namespace tessaly
