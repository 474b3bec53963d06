#include "archive/MediaPages.h"

#include <algorithm>
#include <filesystem>

#include "archive/SiteText.h"
#include "archive/Thumbnails.h"
#include "text/HtmlText.h"
#include "text/TextUtils.h"

namespace tessaly::archive {
namespace {

namespace fs = std::filesystem;

std::int64_t MtimeNs(const fs::path& p) {
    std::error_code ec;
    const auto t = fs::last_write_time(p, ec);
    if (ec) return 0;
    return static_cast<std::int64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
}

void Scan(const fs::path& folder, TMediaFolder& node) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (const auto& e : fs::directory_iterator(folder, ec)) entries.push_back(e);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const std::string x = a.path().filename().string(), y = b.path().filename().string();
        const int c = CompareText(x, y);
        return c != 0 ? c < 0 : x < y;
    });
    for (const auto& e : entries) {
        const std::string name = e.path().filename().string();
        if (name.find(".tessaly-tmp-") != std::string::npos) continue;  // a download under way
        const fs::file_status status = e.symlink_status(ec);
        if (ec) continue;
        if (fs::is_directory(status)) {
            TMediaFolder sub;
            sub.name = name;
            sub.rel = node.rel + name + "/";
            Scan(e.path(), sub);
            node.fileCount += sub.fileCount;
            node.bytes += sub.bytes;
            node.folders.push_back(std::move(sub));
        } else if (fs::is_regular_file(status)) {
            TMediaFile f;
            f.name = name;
            f.rel = node.rel + name;
            f.size = e.file_size(ec);
            f.mtimeNs = MtimeNs(e.path());
            f.picture = IsPictureName(name);
            ++node.fileCount;
            node.bytes += f.size;
            node.files.push_back(std::move(f));
        }
    }
}

std::string ThumbImage(const TGroupSummary& g, const TMediaFile& f, const char* cls) {
    if (f.thumb.empty()) return "";
    return "<img class=\"" + std::string(cls) + "\" src=\"../../thumbs/" + UrlPath(g.name) + "/" +
           f.thumb + "\" alt=\"\">";
}

void FolderList(const TGroupSummary& g, const TMediaFolder& node, const std::string& base,
                std::string& p) {
    p += "<ul class=\"tree\">\n";
    for (const TMediaFolder& sub : node.folders) {
        p += "<li class=\"folder\"><span>" + HtmlEscape(sub.name) +
             "/</span><span class=\"size\">" + std::to_string(sub.fileCount) +
             (sub.fileCount == 1 ? " file, " : " files, ") + SizeText(sub.bytes) + "</span>\n";
        FolderList(g, sub, base, p);
        p += "</li>\n";
    }
    for (const TMediaFile& f : node.files) {
        p += "<li class=\"file\"><a href=\"" + base + UrlPath(f.rel) + "\">" +
             ThumbImage(g, f, "small") + HtmlEscape(f.name) + "</a><span class=\"size\">" +
             SizeText(f.size) + "</span></li>\n";
    }
    p += "</ul>\n";
}

void Album(const TGroupSummary& g, const TMediaFolder& node, const std::string& base,
           std::string& p) {
    if (!node.files.empty()) {
        p += "<h2>" +
             (node.rel.empty() ? std::string("Not in an album")
                               : HtmlEscape(node.rel.substr(0, node.rel.size() - 1))) +
             " <span class=\"size\">" + std::to_string(node.files.size()) +
             (node.files.size() == 1 ? " picture" : " pictures") +
             "</span></h2>\n<div class=\"grid\">\n";
        for (const TMediaFile& f : node.files) {
            p += "<figure class=\"thumb\"><a href=\"" + base + UrlPath(f.rel) + "\">" +
                 (f.thumb.empty() ? "<div class=\"noimage\">no preview</div>"
                                  : ThumbImage(g, f, "thumb")) +
                 "</a><figcaption>" + HtmlEscape(f.name) + "<br><span class=\"size\">" +
                 SizeText(f.size) + "</span></figcaption></figure>\n";
        }
        p += "</div>\n";
    }
    for (const TMediaFolder& sub : node.folders) Album(g, sub, base, p);
}

}  // namespace

TMediaFolder ScanMedia(const std::string& folder) {
    TMediaFolder top;
    std::error_code ec;
    if (!folder.empty() && fs::is_directory(folder, ec)) Scan(folder, top);
    return top;
}

void ForEachFile(TMediaFolder& tree, const std::function<void(TMediaFile&)>& visit) {
    for (TMediaFile& f : tree.files) visit(f);
    for (TMediaFolder& sub : tree.folders) ForEachFile(sub, visit);
}

std::string FilesPage(const TGroupSummary& g, const TMediaFolder& tree,
                      const std::string& sectionRel) {
    std::string p = PageHead(g.name + ": Files", "../../");
    p += "<h1><a href=\"index.html\">" + HtmlEscape(g.name) +
         "</a>: Files</h1>\n<p class=\"summary\">" + std::to_string(tree.fileCount) +
         (tree.fileCount == 1 ? " file, " : " files, ") + SizeText(tree.bytes) +
         ".</p>\n<div id=\"files\">\n";
    FolderList(g, tree, "../../../" + UrlPath(sectionRel), p);
    p += "</div>\n";
    return p + PageFoot();
}

std::string PhotosPage(const TGroupSummary& g, const TMediaFolder& tree,
                       const std::string& sectionRel) {
    std::string p = PageHead(g.name + ": Photos", "../../");
    p += "<h1><a href=\"index.html\">" + HtmlEscape(g.name) +
         "</a>: Photos</h1>\n<p class=\"summary\">" + std::to_string(tree.fileCount) +
         (tree.fileCount == 1 ? " picture, " : " pictures, ") + SizeText(tree.bytes) +
         ".</p>\n<div id=\"photos\">\n";
    Album(g, tree, "../../../" + UrlPath(sectionRel), p);
    p += "</div>\n";
    return p + PageFoot();
}

}  // namespace tessaly::archive
