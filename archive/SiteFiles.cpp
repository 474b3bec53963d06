#include "archive/SiteFiles.h"

#include <cerrno>
#include <filesystem>

#include "archive/SavedPages.h"
#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly::archive {

namespace fs = std::filesystem;

void TSiteFiles::Write(const std::string& rel, std::string_view content) {
    const std::string path = site_ + rel;
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && size == content.size()) {
        const auto old = ReadWholeFile(path);
        if (old && *old == content) return;
    }
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (!ForceDirectories(folder)) throw EFileError("cannot create the folder", folder, errno);
    WriteCompleteFile(path, content);
    ++written_;
}

bool TSiteFiles::Exists(const std::string& rel) const {
    std::error_code ec;
    return fs::exists(site_ + rel, ec);
}

void TSiteFiles::Prune(const std::string& rel, const std::string& suffix,
                       const std::set<std::string>& keep) {
    std::error_code ec;
    if (!fs::is_directory(site_ + rel, ec)) return;
    for (const auto& e : fs::directory_iterator(site_ + rel, ec)) {
        const std::string name = e.path().filename().string();
        if (!name.ends_with(suffix) || keep.count(name) != 0) continue;
        if (fs::remove(e.path(), ec)) ++removed_;
    }
}

void TSiteFiles::Remove(const std::string& rel) {
    if (rel.empty() || rel.find("..") != std::string::npos) return;
    std::error_code ec;
    const auto n = fs::remove_all(site_ + rel, ec);
    if (!ec && n != static_cast<std::uintmax_t>(-1)) removed_ += static_cast<std::int64_t>(n);
}

}  // namespace tessaly::archive
