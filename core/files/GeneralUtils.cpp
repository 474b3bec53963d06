#include "files/GeneralUtils.h"

#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "settings/DownloadOptions.h"
#include "text/TextUtils.h"

namespace tessaly {

void TGeneralUtils::SaveDebugList(const std::string& fileName,
                                  const std::vector<std::string>& lines) const {
    if (!options_.boolDebugDownloads) return;
    // Page names come from the service; only the last path segment is used as a file name.
    std::string name = ExtractFileName(fileName);
    if (name.empty() || name == "." || name == "..") return;
    const std::string folder = DebugFolder();
    if (!ForceDirectories(folder)) return;
    std::string text;
    for (const auto& line : lines) text.append(line).append("\r\n");
    try {
        SaveFileAtomically(folder + name, text);
    } catch (const EFileError&) {
        // Debug output is best effort by design.
    }
}

}  // namespace tessaly
