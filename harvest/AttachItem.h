#pragma once
// TADLItem: the download of one attachment into its file, run by a downloader of the pool with
// that downloader's HTTP client. The file appears under its name only when it is complete; a
// failed download leaves what was under the name before as it was, and the item never deletes
// a file. A file that another program holds open (locked) is neither downloaded nor replaced.

#include <string>

#include "status/DownloadStatus.h"

namespace tessaly {

class THttpClient;

class TADLItem {
public:
    // `timeOut`: the seconds the service may stay silent.
    TADLItem(std::string url, std::string path, std::string referrer, int timeOut);

    // dsCompleted when the file arrived (it is then announced to the picture viewer and the
    // companion viewer); dsBlocked when the service refuses a group attachment or a stored file
    // (403); dsSkipped when the file is held by another program or the run was stopped; dsError
    // for any other failure, an answer that is plainly not the file included (ItemCheck.h).
    DownloadStatus Run(THttpClient& client);
    // Why the item failed or was skipped, in one line ("" when it completed).
    [[nodiscard]] const std::string& Failure() const { return failure_; }

private:
    std::string url_;
    std::string path_;
    std::string referrer_;
    int timeOut_;
    std::string failure_;
};

}  // namespace tessaly
