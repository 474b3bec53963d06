#include "harvest/FilesIndex.h"

#include "files/SafeNames.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "settings/SettingsFileEx.h"
#include "text/TextUtils.h"

namespace tessaly {

std::string TFilesIndex::PathFor(const std::string& user, const std::string& group) {
    return SettingsFolder() + "Files/" + SafeSegment(user) + "/" +
           SafeSegment(Trim(group) + ".ini");
}

std::string TFilesIndex::KeyOf(const std::string& url) {
    const std::string path = SlashToBackslash(url);
    const auto slash = path.rfind('\\');
    const std::string last = Trim(slash == std::string::npos ? path : path.substr(slash + 1));
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
    return key;
}

std::string TFilesIndex::SectionOf(const std::string& folderPath) {
    return Trim(folderPath);
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

std::string TFilesIndex::Record(const std::string& path, const std::string& folderPath,
                                const std::vector<std::string>& urls) {
    if (urls.empty()) return {};
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && !ForceDirectories(path.substr(0, slash)))
        return "cannot create the folder of the Files index " + path;
    try {
        TSettingsFileEx index(path);
        const std::string section = SectionOf(folderPath);
        for (const auto& url : urls) index.WriteString(section, KeyOf(url), "Y");
        index.UpdateFile();
    } catch (const EFileError& e) {
        return std::string("the Files index could not be written: ") + e.what();
    }
    return {};
}

}  // namespace tessaly
