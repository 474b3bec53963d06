#pragma once
// TGeneralUtils: saves diagnostic text lists (pages, link lists) into the debug folder when the
// user asked for debug downloads.

#include <string>
#include <vector>

namespace tessaly {

class TYahooDownloadOptions;

class TGeneralUtils {
public:
    explicit TGeneralUtils(const TYahooDownloadOptions& options) : options_(options) {}

    // Does nothing unless boolDebugDownloads is on; otherwise writes the lines (CR LF after each)
    // to the debug folder under `fileName`, creating the folder first. Failures are ignored:
    // debugging output must never break a download. A name that tries to leave the debug
    // folder is reduced to its last part.
    void SaveDebugList(const std::string& fileName, const std::vector<std::string>& lines) const;

private:
    const TYahooDownloadOptions& options_;
};

}  // namespace tessaly
