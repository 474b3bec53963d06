#include "registry/NameSources.h"

#include <functional>

#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "registry/GroupCache.h"
#include "registry/RegistryLayout.h"
#include "settings/SettingsFile.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

std::string CacheUser(const TNameSource& source) {
    return Trim(source.user);
}

// Runs a change of a file source and writes the file; the failure, if any.
TListResult ChangeFile(const TNameSource& source,
                       const std::function<void(TSettingsFile&)>& change) {
    TListResult result;
    const std::string fileName = NameSourceFileName(source.kind);
    try {
        if (!ForceDirectories(SettingsFolder()))
            throw EFileError("cannot create the folder of", fileName, errno);
        TSettingsFile file(fileName);
        change(file);
        file.UpdateFile();
    } catch (const EFileError& e) {
        result.error = e.what();
    }
    return result;
}

// Runs a change of a member's cache; the failure, if any.
TListResult ChangeCache(const std::function<void()>& change) {
    TListResult result;
    try {
        change();
    } catch (const ERegistryException& e) {
        result.error = e.what();
    }
    return result;
}

}  // namespace

std::string TNameSource::Caption() const {
    switch (kind) {
        case TNameSourceKind::GrabbedGroups:
            return kGrabbedGroupsSource;
        case TNameSourceKind::GrabbedURLs:
            return kGrabbedURLsSource;
        case TNameSourceKind::GroupCache:
            break;
    }
    return user;
}

std::vector<TNameSource> ListNameSources() {
    std::vector<TNameSource> sources{{TNameSourceKind::GrabbedGroups, {}},
                                     {TNameSourceKind::GrabbedURLs, {}}};
    for (std::string& user : ThreadRegistry().SubKeyNames(RegRoot::CurrentUser,
                                                          std::string(reg::kKey) + reg::kProfiles))
        sources.push_back({TNameSourceKind::GroupCache, std::move(user)});
    return sources;
}

std::string NameSourceFileName(TNameSourceKind kind) {
    return SettingsFolder() +
           (kind == TNameSourceKind::GrabbedURLs ? kGrabbedURLsFile : kGrabbedGroupsFile);
}

TListResult ReadNameSource(const TNameSource& source) {
    TListResult result;
    if (!source.IsFile()) {
        try {
            result.names = LoadCachedGroupNames(CacheUser(source));
        } catch (const ERegistryException& e) {
            result.error = e.what();
        }
        return result;
    }
    try {
        const TSettingsFile file(NameSourceFileName(source.kind));
        file.ReadSection(kNameListSection, result.names);
    } catch (const EFileError& e) {
        result.error = e.what();
    }
    return result;
}

TListResult AddToNameSource(const TNameSource& source, const std::vector<std::string>& names) {
    if (source.IsFile()) {
        return ChangeFile(source, [&names](TSettingsFile& file) {
            for (const std::string& name : names) file.WriteString(kNameListSection, name, "y");
        });
    }
    return ChangeCache([&] {
        for (const std::string& name : names) WriteGroupState(CacheUser(source), name, "");
    });
}

TListResult RenameInNameSource(const TNameSource& source, const std::string& oldName,
                               const std::string& newName) {
    if (source.IsFile()) {
        return ChangeFile(source, [&](TSettingsFile& file) {
            file.DeleteKey(kNameListSection, oldName);
            file.WriteString(kNameListSection, newName, "y");
        });
    }
    // One replacement of the whole key: the entry keeps its place, and a failure leaves the old
    // name rather than neither.
    return ChangeCache([&] {
        TRegistryStore& store = ThreadRegistry();
        const std::string key = GroupCacheKey(CacheUser(source));
        auto values = store.Values(RegRoot::CurrentUser, key);
        bool found = false;
        for (auto& [name, value] : values) {
            if (SameText(name, oldName)) {
                name = newName;
                value = RegValue::String("");
                found = true;
            }
        }
        if (!found) values.emplace_back(newName, RegValue::String(""));
        store.ReplaceValues(RegRoot::CurrentUser, key, values);
    });
}

TListResult RemoveFromNameSource(const TNameSource& source, const std::string& name) {
    if (source.IsFile()) {
        return ChangeFile(source,
                          [&name](TSettingsFile& file) { file.DeleteKey(kNameListSection, name); });
    }
    return ChangeCache([&] { DeleteCachedGroup(CacheUser(source), name); });
}

bool NameFitsSource(const TNameSource& source, const std::string& name) {
    return !source.IsFile() ||
           (name.find('=') == std::string::npos && name.size() + 2 <= TSettingsFile::kMaxLine);
}

}  // namespace tessaly
