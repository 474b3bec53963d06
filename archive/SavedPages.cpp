#include "archive/SavedPages.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "text/MessageReader.h"

namespace tessaly::archive {

std::vector<TSavedPageFile> ListSavedPages(const std::string& folder) {
    std::vector<TSavedPageFile> pages;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return pages;
    const int dirFd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const auto number = MessageNumberOfFile(name);
        if (!number) continue;
        struct stat st {};
        if (::fstatat(dirFd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        pages.push_back(TSavedPageFile{
            *number, name, static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    ::closedir(dir);
    std::sort(pages.begin(), pages.end(), [](const TSavedPageFile& a, const TSavedPageFile& b) {
        if (a.number != b.number) return a.number < b.number;
        if (a.mtimeNs != b.mtimeNs) return a.mtimeNs > b.mtimeNs;
        return a.file < b.file;
    });
    pages.erase(std::unique(pages.begin(), pages.end(),
                            [](const TSavedPageFile& a, const TSavedPageFile& b) {
                                return a.number == b.number;
                            }),
                pages.end());
    return pages;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::string data;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

}  // namespace tessaly::archive
