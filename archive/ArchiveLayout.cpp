#include "archive/ArchiveLayout.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "text/TextUtils.h"

namespace tessaly::archive {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSections[] = {"Messages", "Attachments", "Files", "Photos"};

bool IsFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

void Note(TArchiveGroup& g, const std::string& section, const std::string& folder,
          const std::string& rel) {
    auto set = [&](std::string& abs, std::string* relOut) {
        if (!abs.empty()) return;  // the default layout's folder wins
        abs = folder;
        if (relOut != nullptr) *relOut = rel;
    };
    if (section == "Messages") set(g.messages, &g.messagesRel);
    if (section == "Attachments") set(g.attachments, nullptr);
    if (section == "Files") set(g.files, &g.filesRel);
    if (section == "Photos") set(g.photos, &g.photosRel);
}

}  // namespace

std::vector<TArchiveGroup> FindArchiveGroups(const std::string& outputFolder) {
    std::map<std::string, TArchiveGroup> groups;
    const fs::path root(outputFolder);
    auto group = [&](const std::string& name) -> TArchiveGroup& {
        TArchiveGroup& g = groups[name];
        g.name = name;
        return g;
    };
    std::error_code ec;
    for (const char* section : kSections) {
        const fs::path folder = root / section;
        if (!IsFolder(folder)) continue;
        for (const auto& e : fs::directory_iterator(folder, ec)) {
            const std::string name = e.path().filename().string();
            if (name.empty() || name[0] == '.' || !IsFolder(e.path())) continue;
            const std::string rel = std::string(section) + "/" + name + "/";
            Note(group(name), section, outputFolder + rel, rel);
        }
    }
    for (const auto& e : fs::directory_iterator(root, ec)) {
        const std::string name = e.path().filename().string();
        if (name.empty() || name[0] == '.' || name == kSiteFolder || !IsFolder(e.path())) continue;
        if (std::any_of(std::begin(kSections), std::end(kSections),
                        [&](const char* s) { return name == s; }))
            continue;
        for (const char* section : kSections) {
            if (!IsFolder(e.path() / section)) continue;
            const std::string rel = name + "/" + section + "/";
            Note(group(name), section, outputFolder + rel, rel);
        }
    }
    std::vector<TArchiveGroup> out;
    for (auto& [name, g] : groups) out.push_back(std::move(g));
    std::sort(out.begin(), out.end(), [](const TArchiveGroup& a, const TArchiveGroup& b) {
        const int c = CompareText(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return out;
}

}  // namespace tessaly::archive
