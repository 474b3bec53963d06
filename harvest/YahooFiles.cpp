#include "harvest/YahooFiles.h"

#include "service/ServiceHosts.h"
#include "text/TextUtils.h"

namespace tessaly {

bool TYahooFiles::ListFolder(const std::string& folderPath, std::vector<std::string>& folders,
                             std::vector<std::string>& files) {
    TPagePtr page;
    if (FetchPage(FilesURL(folderPath), page) != dsOk) return false;
    SaveDebugPage(page->Source(), "Files.html");
    folders.clear();
    files.clear();
    std::vector<std::string> links;
    links.reserve(page->Links().size());
    for (const auto& link : page->Links()) links.push_back(Absolute(link));
    SortLinks(links, folders, files);
    return true;
}

void TYahooFiles::SortLinks(const std::vector<std::string>& links,
                            std::vector<std::string>& folders, std::vector<std::string>& files) {
    const std::string base = FilesRootKey();
    const std::string folderPrefix = "HTTP://" + base;
    const std::string fileStore = UpperCase(std::string(hosts::kFileStore) + "/");
    const std::string top = Trim(UpperCase(FilesURL("/")));
    for (const auto& link : links) {
        const std::string upper = UpperCase(link);
        const bool onFileStore = upper.find(fileStore) != std::string::npos;
        if (!onFileStore && upper.find(base) == std::string::npos) continue;
        if (!onFileStore) {
            if (Trim(upper) == top) continue;  // the link back to the top folder
            // Another view of a folder page (a sort order: "/files/?sort=date") is no file.
            const auto query = upper.find('?');
            if (query != std::string::npos && query > 0 && upper[query - 1] == '/') continue;
        }
        const bool isFolder =
            !onFileStore && StartsStr(folderPrefix, upper) && !link.empty() && link.back() == '/';
        auto& seen = isFolder ? foldersSeen_ : filesSeen_;
        if (!seen.insert(upper).second) continue;
        (isFolder ? folders : files).push_back(link);
    }
}

std::string TYahooFiles::FolderPathFromURL(const std::string& url) const {
    const std::string prefix = "HTTP://" + FilesRootKey();
    if (url.size() < prefix.size() || UpperCase(url.substr(0, prefix.size())) != prefix ||
        url.back() != '/')
        return {};
    return url.substr(prefix.size() - 1);  // from the "/" that closes the root
}

}  // namespace tessaly
