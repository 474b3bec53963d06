#include "harvest/FilesIndex.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "files/SafeNames.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "platform/TemporaryFiles.h"
#include "settings/SettingsFileEx.h"
#include "text/TextUtils.h"

namespace tessaly {

namespace {

// A line of the index holds at most TSettingsFile::kMaxLine characters: a longer key or section
// name keeps its start and ends with a hash of the whole, so it still reads back as itself.
std::string FitLine(std::string text, std::size_t room) {
    if (text.size() <= room) return text;
    std::uint64_t h = 1469598103934665603ull;
    for (char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char tail[24];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(h));
    text.resize(room - std::strlen(tail));
    return text + tail;
}

}  // namespace

std::string TFilesIndex::PathFor(const std::string& user, const std::string& group) {
    return PathFor("Files", user, group);
}

std::string TFilesIndex::PathFor(const std::string& section, const std::string& user,
                                 const std::string& group) {
    return SettingsFolder() + section + "/" + SafeSegment(user) + "/" +
           SafeSegment(Trim(group) + ".ini");
}

void TFilesIndex::RemoveKilledWrites(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos) RemoveStaleTemporaries(path.substr(0, slash));
}

std::string TFilesIndex::KeyOf(const std::string& url) {
    std::string path = SlashToBackslash(url);
    while (!path.empty() && path.back() == '\\') path.pop_back();  // as the file's save name
    const auto slash = path.rfind('\\');
    return EncodeKey(Trim(slash == std::string::npos ? path : path.substr(slash + 1)));
}

std::string TFilesIndex::EncodeKey(std::string_view last) {
    std::string key;
    key.reserve(last.size());
    for (char c : last) {
        if (c == '=') {
            key += "%3D";
        } else if (c == '\r') {
            key += "%0D";
        } else if (c == '\n') {
            key += "%0A";
        } else {
            key += c;
        }
    }
    return FitLine(std::move(key), TSettingsFile::kMaxLine - 2);  // "=Y" follows
}

std::string TFilesIndex::SectionOf(const std::string& folderPath) {
    return FitLine(Trim(folderPath), TSettingsFile::kMaxLine - 2);  // inside "[" and "]"
}

TFilesIndex::TFilesIndex(std::string path) {
    try {
        file_ = std::make_unique<TSettingsFileEx>(std::move(path));
    } catch (const EFileError& e) {
        failure_ = e.what();
        file_ = std::make_unique<TSettingsFileEx>();
    }
}

TFilesIndex::~TFilesIndex() = default;

bool TFilesIndex::Has(const std::string& folderPath, const std::string& url) const {
    return file_->ValueExists(SectionOf(folderPath), KeyOf(url));
}

std::vector<std::pair<std::string, std::string>> TFilesIndex::Entries() const {
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> sections, keys;
    file_->ReadSections(sections);
    for (const auto& section : sections) {
        file_->ReadSection(section, keys);
        for (const auto& key : keys) entries.emplace_back(section, key);
    }
    return entries;
}

std::string TFilesIndex::Record(const std::string& path, const std::string& folderPath,
                                const std::vector<std::string>& urls) {
    std::vector<std::pair<std::string, std::string>> entries;
    const std::string section = SectionOf(folderPath);
    for (const auto& url : urls) entries.emplace_back(section, KeyOf(url));
    return Record(path, entries);
}

std::string TFilesIndex::Record(const std::string& path,
                                const std::vector<std::pair<std::string, std::string>>& entries) {
    if (entries.empty()) return {};
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && !ForceDirectories(path.substr(0, slash)))
        return "cannot create the folder of the index " + path;
    try {
        TSettingsFileEx index(path);
        for (const auto& [section, key] : entries) index.WriteString(section, key, "Y");
        index.UpdateFile();
    } catch (const EFileError& e) {
        return "the index " + path + " could not be written: " + e.what();
    }
    return {};
}

}  // namespace tessaly
