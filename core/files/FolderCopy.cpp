#include "files/FolderCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "platform/TemporaryFiles.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

std::string KindOf(fs::file_type type) {
    switch (type) {
        case fs::file_type::symlink:
            return "a symbolic link";
        case fs::file_type::block:
        case fs::file_type::character:
            return "a device";
        case fs::file_type::fifo:
            return "a pipe";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "not a regular file or folder";
    }
}

class TreeCopy {
public:
    TreeCopy(TFolderCopyReport& report, const std::vector<std::string>& keepAway)
        : report_(report) {
        for (const auto& file : keepAway) keepAway_.push_back(Resolved(file));
    }

    // Copies into `target`, created here when missing. Only the top target (the folder the user
    // chose) may be reached through a link; below it no link is followed.
    void Folder(const fs::path& source, const fs::path& target,
                const std::vector<std::string>& leaveOut, bool top) {
        std::error_code ec;
        const fs::file_status targetStatus =
            top ? fs::status(target, ec) : fs::symlink_status(target, ec);
        if (targetStatus.type() == fs::file_type::not_found) {
            if (!fs::create_directories(target, ec) && ec) {
                report_.failures.push_back("cannot create the folder " + target.string() + ": " +
                                           ec.message());
                return;
            }
        } else if (targetStatus.type() != fs::file_type::directory) {
            report_.failures.push_back("cannot copy into " + target.string() + ": it is " +
                                       (targetStatus.type() == fs::file_type::regular
                                            ? std::string("a file")
                                            : KindOf(targetStatus.type())));
            return;
        }
        // What a killed copy left here (a copy writes through temporaries beside the names).
        RemoveStaleTemporaries(target.string());
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(*it);
        if (ec) {
            report_.failures.push_back("cannot list the folder " + source.string() + ": " +
                                       ec.message());
            return;
        }
        // Files first, then folders, each in name order: the same copy whatever order the disk
        // lists them in.
        std::sort(entries.begin(), entries.end(),
                  [](const fs::directory_entry& a, const fs::directory_entry& b) {
                      return a.path().filename() < b.path().filename();
                  });
        std::vector<fs::path> folders;
        for (const auto& entry : entries) {
            const std::string name = entry.path().filename().string();
            if (std::find(leaveOut.begin(), leaveOut.end(), name) != leaveOut.end()) continue;
            // A temporary of the program (being written, or left by a kill) is no file to copy.
            if (IsOwnTemporaryName(name)) continue;
            const fs::file_type type = entry.symlink_status(ec).type();
            if (ec) {
                report_.failures.push_back("cannot read " + entry.path().string() + ": " +
                                           ec.message());
                continue;
            }
            if (type == fs::file_type::regular) {
                File(entry.path(), target / entry.path().filename());
            } else if (type == fs::file_type::directory) {
                folders.push_back(entry.path());
            } else {
                report_.skipped.push_back(entry.path().string() + ": " + KindOf(type));
            }
        }
        for (const auto& folder : folders) Folder(folder, target / folder.filename(), {}, false);
    }

private:
    // The path with its links and dots resolved as far as it exists.
    static fs::path Resolved(const fs::path& path) {
        std::error_code ec;
        fs::path resolved = fs::weakly_canonical(path, ec);
        return ec ? path.lexically_normal() : resolved;
    }
    bool KeptAway(const fs::path& path) const {
        if (keepAway_.empty()) return false;
        return std::find(keepAway_.begin(), keepAway_.end(), Resolved(path)) != keepAway_.end();
    }

    void File(const fs::path& source, const fs::path& target) {
        if (KeptAway(source) || KeptAway(target)) return;
        std::error_code ec;
        const fs::file_type existing = fs::symlink_status(target, ec).type();
        if (existing != fs::file_type::not_found && existing != fs::file_type::regular) {
            report_.failures.push_back(
                "cannot copy " + source.string() + " to " + target.string() + ": the target is " +
                (existing == fs::file_type::directory ? std::string("a folder")
                                                      : KindOf(existing)));
            return;
        }
        try {
            CopyContent(source.string(), target.string());
        } catch (const EFileError& e) {
            report_.failures.push_back(
                "cannot copy " + source.string() + " to " + target.string() + ": " +
                std::error_code(e.Error(), std::generic_category()).message());
            return;
        }
        ++report_.filesCopied;
    }

    // The copy appears under the target's name only when complete, replacing the old file in
    // one step: a copy that is killed or fails leaves the old file (or none) there, never a
    // part of the new one. It gets the source's permissions (less the umask).
    static void CopyContent(const std::string& source, const std::string& target) {
        const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) throw EFileError("cannot read", source, errno);
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        struct stat st {};
        if (::fstat(fd, &st) != 0) throw EFileError("cannot read", source, errno);
        if (!S_ISREG(st.st_mode)) throw EFileError("cannot read", source, EINVAL);
        TCompleteFileWriter writer(target, st.st_mode & 0777);
        std::string buffer(std::size_t{1} << 20, '\0');
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw EFileError("cannot read", source, errno);
            if (n == 0) break;
            writer.Write(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        }
        writer.Commit();
    }

    TFolderCopyReport& report_;
    std::vector<fs::path> keepAway_;
};

}  // namespace

TFolderCopyReport CopyFolderTree(const std::string& source, const std::string& target,
                                 const std::vector<std::string>& leaveOut,
                                 const std::vector<std::string>& keepAway) {
    TFolderCopyReport report;
    std::error_code ec;
    const fs::file_type type = fs::status(source, ec).type();
    if (type == fs::file_type::not_found) return report;
    if (type != fs::file_type::directory) {
        report.failures.push_back("cannot copy " + source + ": it is not a folder");
        return report;
    }
    TreeCopy(report, keepAway).Folder(source, target, leaveOut, true);
    return report;
}

}  // namespace tessaly
