#pragma once
// TYahooFiles: the site access object of the Files section for one group and run. It lists one
// folder page of the group's Files tree at a time, tells its subfolders (pages on the groups
// host) from its files (links on the file store, or other links of the tree), and remembers
// every folder and file it has handed out, so each is taken once per group and run however
// many pages link to it.

#include <string>
#include <unordered_set>
#include <vector>

#include "harvest/YahooBase.h"

namespace tessaly {

class TYahooFiles : public TYahooBase {
public:
    using TYahooBase::TYahooBase;

    // Fetches the folder page of `folderPath` ("/", "/Minutes/", ...) and fills the subfolder
    // URLs and file URLs not handed out before, in page order; false when the page could not be
    // fetched (LastFailure says why).
    bool ListFolder(const std::string& folderPath, std::vector<std::string>& folders,
                    std::vector<std::string>& files);
    // The folder path of a folder URL of this group ("/Minutes/2004/", as the service spells
    // it), or "" for any other URL.
    [[nodiscard]] std::string FolderPathFromURL(const std::string& url) const;
    // Sorts the absolute links of a folder page into subfolders and files (what ListFolder does
    // once the page is in).
    void SortLinks(const std::vector<std::string>& links, std::vector<std::string>& folders,
                   std::vector<std::string>& files);

private:
    // Upper-cased URLs already handed out (the lists compare without regard to letter case).
    std::unordered_set<std::string> foldersSeen_;
    std::unordered_set<std::string> filesSeen_;
};

}  // namespace tessaly
