#include "harvest/AttachmentIndex.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "files/SafeNames.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "platform/TemporaryFiles.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

constexpr char kHeader[] =
    "# Tessaly attachment names: saved name, message, position, address (tab-separated)\n";

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '%':
                out += "%25";
                break;
            case '\t':
                out += "%09";
                break;
            case '\n':
                out += "%0A";
                break;
            case '\r':
                out += "%0D";
                break;
            case '#':
                out += "%23";
                break;
            default:
                out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t from = 0;;) {
        const auto tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string_view::npos ? line.npos : tab - from));
        if (tab == std::string_view::npos) return fields;
        from = tab + 1;
    }
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string AttachmentIndexPath(const std::string& user, const std::string& group) {
    return SettingsFolder() + "Attachments/" + SafeSegment(user) + "/" +
           SafeSegment(Trim(group) + ".txt");
}

TAttachmentIndex ReadAttachmentIndex(const std::string& path) {
    TAttachmentIndex index;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return index;
        throw EFileError("cannot open", path, errno);
    }
    std::string text;
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            throw EFileError("cannot read", path, e);
        }
        if (n == 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    // A killed save leaves its temporary beside the index; the index itself is whole.
    RemoveStaleTemporaries(FolderOf(path));

    std::string_view rest = text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        const auto fields = Fields(line);
        if (fields.size() != 4 || fields[0].empty() || fields[3].empty() ||
            !IsAllDigits(fields[1]) || !IsAllDigits(fields[2]))
            continue;
        const TAttachmentItem item =
            ParseAttachmentItem(std::string(fields[1]) + "<" + std::string(fields[2]) + "<");
        index[Unescaped(fields[0])] = {item.message, item.index, Unescaped(fields[3])};
    }
    return index;
}

void WriteAttachmentIndex(const std::string& path, const TAttachmentIndex& index) {
    const std::string folder = FolderOf(path);
    if (!ForceDirectories(folder)) throw EFileError("cannot create the folder of", path, errno);
    std::string text = kHeader;
    for (const auto& [name, item] : index) {
        text += Escaped(name);
        text += '\t';
        text += std::to_string(item.message);
        text += '\t';
        text += std::to_string(item.index);
        text += '\t';
        text += Escaped(item.url);
        text += '\n';
    }
    SaveFileAtomically(path, text);
}

}  // namespace tessaly
