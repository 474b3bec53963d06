#include "archive/SavedPages.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "text/MessageReader.h"

namespace tessaly::archive {

namespace {

bool FactsOf(int dirFd, const char* name, TSavedPageFile& page) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return false;
    page.size = static_cast<std::uint64_t>(st.st_size);
    page.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

}  // namespace

std::vector<TSavedPageFile> ListSavedPages(const std::string& folder, bool withFacts) {
    std::vector<TSavedPageFile> pages;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return pages;
    const int dirFd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const auto number = MessageNumberOfFile(e->d_name);
        if (!number) continue;
        TSavedPageFile page{*number, e->d_name, 0, 0};
        if (!withFacts && e->d_type == DT_REG) {
            pages.push_back(std::move(page));
        } else if (withFacts || e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            if (FactsOf(dirFd, e->d_name, page)) pages.push_back(std::move(page));
        }
    }
    std::sort(pages.begin(), pages.end(),
              [](const TSavedPageFile& a, const TSavedPageFile& b) { return a.number < b.number; });
    // Two files of one number: the one written last counts, so their times are needed.
    if (!withFacts) {
        for (std::size_t i = 0; i + 1 < pages.size(); ++i) {
            if (pages[i].number != pages[i + 1].number) continue;
            for (std::size_t k = i; k < pages.size() && pages[k].number == pages[i].number; ++k) {
                if (pages[k].mtimeNs == 0 && !FactsOf(dirFd, pages[k].file.c_str(), pages[k]))
                    pages[k].mtimeNs = -1;  // gone since: it loses, and reads as unreadable
            }
        }
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

namespace {

// Reads the open file `fd` to its end into `data`, made at least `expected` + 1 long (it is not
// shrunk): a file of the expected size comes in one call, its end shown by that call falling
// short of the buffer (a regular file reads short only at its end). Closes `fd`. Gives the
// length read, or nothing on an error.
std::optional<std::size_t> ReadOpenFile(int fd, std::uint64_t expected, std::string& data) {
    if (data.size() < expected + 1) data.resize(static_cast<std::size_t>(expected) + 1);
    std::size_t have = 0;
    for (;;) {
        const ssize_t n = ::read(fd, data.data() + have, data.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
        if (have == data.size()) {
            data.resize(data.size() * 2);  // it grew: read on to its end
        } else if (have == expected) {
            break;
        }
    }
    ::close(fd);
    return have;
}

std::optional<std::string> ReadOpenFile(int fd, std::uint64_t expected) {
    std::string data;
    const auto have = ReadOpenFile(fd, expected, data);
    if (!have) return std::nullopt;
    data.resize(*have);
    return data;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    const std::uint64_t size =
        ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return ReadOpenFile(fd, size);
}

TPageFolder::TPageFolder(std::string folder) : folder_(std::move(folder)) {
    if (folder_.empty() || folder_.back() != '/') folder_.push_back('/');
    fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

TPageFolder::~TPageFolder() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

// Opens the page `file` of the folder open as `dirFd` (or, when it is not open, by its whole
// path), learning its size and time when the listing did not give them; -1 when it cannot.
int OpenPage(int dirFd, const std::string& folder, TSavedPageFile& file) {
    const int fd = dirFd >= 0 ? ::openat(dirFd, file.file.c_str(), O_RDONLY | O_CLOEXEC)
                              : ::open((folder + file.file).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (file.mtimeNs == 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return -1;
        }
        file.size = static_cast<std::uint64_t>(st.st_size);
        file.mtimeNs =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return fd;
}

}  // namespace

std::optional<std::string> TPageFolder::Read(TSavedPageFile& file) const {
    const int fd = OpenPage(fd_, folder_, file);
    if (fd < 0) return std::nullopt;
    return ReadOpenFile(fd, file.size);
}

std::optional<std::string_view> TPageFolder::Read(TSavedPageFile& file, std::string& buffer) const {
    const int fd = OpenPage(fd_, folder_, file);
    if (fd < 0) return std::nullopt;
    const auto have = ReadOpenFile(fd, file.size, buffer);
    if (!have) return std::nullopt;
    return std::string_view(buffer.data(), *have);
}

}  // namespace tessaly::archive
