#include "archive/MboxWriter.h"

#include <cerrno>
#include <filesystem>

#include "archive/ArchiveLayout.h"
#include "archive/SavedPages.h"
#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly::archive {
namespace {

namespace fs = std::filesystem;

// Where a From header has no usable address: a name under a domain that cannot exist.
constexpr const char* kNoAddress = "unknown@unknown.invalid";

bool IsPlainAscii(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) return false;
    }
    return true;
}

std::string Base64(std::string_view bytes) {
    static const char* kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t v = std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16 |
                                std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8 |
                                std::uint32_t{static_cast<unsigned char>(bytes[i + 2])};
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63],
                kAlphabet[v & 63]};
    }
    if (i + 1 == bytes.size()) {
        const std::uint32_t v = std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16;
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const std::uint32_t v = std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16 |
                                std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
        out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
    }
    return out;
}

// An address a mail program takes: dot-atoms on both sides of one "@".
bool IsAddress(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos)
        return false;
    auto dotAtom = [](std::string_view part) {
        if (part.empty() || part.front() == '.' || part.back() == '.') return false;
        char previous = 0;
        for (char c : part) {
            const bool ok =
                (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                std::string_view("!#$%&'*+-/=?^_`{|}~.").find(c) != std::string_view::npos;
            if (!ok || (c == '.' && previous == '.')) return false;
            previous = c;
        }
        return true;
    };
    return dotAtom(text.substr(0, at)) && dotAtom(text.substr(at + 1));
}

std::string DisplayName(const std::string& name) {
    if (!IsPlainAscii(name)) return HeaderText(name);
    std::string out = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

// The From header's value and the envelope's address, from the author as the page shows it
// ("Alice Walker <ali...@example.com>"; the service hid part of most addresses).
std::pair<std::string, std::string> Sender(const std::optional<std::string>& author) {
    if (!author) return {DisplayName(kUnknownPart) + " <" + kNoAddress + ">", kNoAddress};
    std::string name = *author, address;
    const std::size_t open = author->rfind('<');
    if (open != std::string::npos && author->back() == '>') {
        address = author->substr(open + 1, author->size() - open - 2);
        name = Trim(author->substr(0, open));
    } else if (IsAddress(*author)) {
        address = *author;
        name.clear();
    }
    if (IsAddress(address))
        return {(name.empty() ? "" : DisplayName(name) + " ") + "<" + address + ">", address};
    // Keep the hidden address in the name, where a reader still sees it.
    const std::string shown = address.empty() ? name : name + " (" + address + ")";
    return {DisplayName(shown) + " <" + kNoAddress + ">", kNoAddress};
}

std::string IdPart(const std::string& group) {
    std::string out;
    for (char c : group) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        out.push_back(ok ? LowCase(c) : '-');
    }
    return out.empty() ? "group" : out;
}

}  // namespace

std::string HeaderText(const std::string& text) {
    if (IsPlainAscii(text)) return text;
    // Encoded words of at most 45 bytes (60 in base64, 72 with their frame), cut between
    // characters, on folded lines.
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = std::min(text.size(), i + 45);
        while (end < text.size() && end > i &&
               (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        if (!out.empty()) out += "\n ";
        out += "=?UTF-8?B?" + Base64(std::string_view(text).substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string MboxMessage(const std::string& group, std::int64_t number, const TSavedMessage& m) {
    const auto [from, envelope] = Sender(m.author);
    std::string out = "From " + envelope + " " +
                      (m.date ? m.date->EnvelopeText() : std::string("Thu Jan  1 00:00:00 1970")) +
                      "\n";
    out += "From: " + from + "\n";
    if (m.date) out += "Date: " + m.date->MailText() + "\n";
    out += "Subject: " + HeaderText(m.subject.value_or("")) + "\n";
    out += "Message-ID: <" + std::to_string(number) + "." + IdPart(group) +
           "@archive.tessaly.invalid>\n";
    out += "X-Tessaly-Group: " + HeaderText(group) +
           "\nX-Tessaly-Number: " + std::to_string(number) + "\n";
    out +=
        "MIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
        "Content-Transfer-Encoding: 8bit\n\n";
    const std::string body = m.body.value_or("");
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        const std::string_view line(body.data() + start, end - start);
        std::size_t k = 0;
        while (k < line.size() && line[k] == '>') ++k;
        if (line.substr(k).starts_with("From ")) out.push_back('>');
        out.append(line);
        out.push_back('\n');
        start = end + 1;
    }
    out.push_back('\n');
    return out;
}

TMboxResult WriteGroupMbox(const std::string& outputFolder, const std::string& group,
                           const std::string& file,
                           const std::function<void(const TSiteProgress&)>& progress) {
    TMboxResult result;
    const std::string out = IncludeTrailingDelimiter(outputFolder);
    std::error_code ec;
    if (!fs::is_directory(out, ec)) {
        result.usage = true;
        result.failure = "there is no folder " + out;
        return result;
    }
    const TArchiveGroup* found = nullptr;
    const std::vector<TArchiveGroup> groups = FindArchiveGroups(out);
    for (const auto& g : groups) {
        if (g.name == group) found = &g;
    }
    for (const auto& g : groups) {
        if (found == nullptr && SameText(g.name, group)) found = &g;
    }
    if (found == nullptr || found->messages.empty()) {
        result.usage = true;
        result.failure = "no saved messages of the group \"" + group + "\" in " + out;
        return result;
    }
    result.group = found->name;
    const fs::path target = fs::absolute(file, ec).lexically_normal();
    const std::string messages = fs::path(found->messages).lexically_normal().string();
    if (target.string().starts_with(messages)) {
        result.usage = true;
        result.failure = "the mbox file would go among the saved pages; choose another place";
        return result;
    }
    std::vector<TSavedPageFile> pages = ListSavedPages(found->messages, false);
    try {
        if (target.has_parent_path() && !ForceDirectories(target.parent_path().string()))
            throw EFileError("cannot create the folder", target.parent_path().string(), errno);
        TCompleteFileWriter writer(target.string());
        const TPageFolder folder(found->messages);
        std::int64_t done = 0;
        const auto total = static_cast<std::int64_t>(pages.size());
        for (TSavedPageFile& p : pages) {
            ++done;
            if (progress && (done % 100 == 0 || done == total))
                progress(TSiteProgress{"Writing the messages of " + found->name, done, total});
            const auto page = folder.Read(p);
            if (!page) {
                ++result.unreadable;
                continue;
            }
            const TSavedMessage m = ReadSavedMessage(*page);
            if (m.purged) {
                ++result.purged;
                continue;
            }
            writer.Write(MboxMessage(found->name, p.number, m));
            ++result.messages;
        }
        writer.Commit();
    } catch (const EFileError& e) {
        result.failure = e.what();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace tessaly::archive
