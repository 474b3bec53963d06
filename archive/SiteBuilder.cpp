#include "archive/SiteBuilder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "archive/ArchiveLayout.h"
#include "archive/MediaPages.h"
#include "archive/MessageCatalog.h"
#include "archive/SavedPages.h"
#include "archive/SearchBlock.h"
#include "archive/SiteAssets.h"
#include "archive/SiteFiles.h"
#include "archive/SitePages.h"
#include "archive/SiteText.h"
#include "archive/Thumbnails.h"
#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"

namespace tessaly::archive {
namespace {

namespace fs = std::filesystem;

// What one group needs done, found before any work so the progress has its total.
struct TGroupPlan {
    TArchiveGroup group;
    std::vector<TCatalogEntry> cached;   // from the last build, by number
    std::vector<TSavedPageFile> pages;   // on disk now, by number
    std::set<std::int64_t> dirtyBlocks;  // blocks whose pages must be read again
    std::int64_t pagesToRead = 0;
    TMediaFolder files, photos;
    std::int64_t picturesToMake = 0;
};

class TBuild {
public:
    TBuild(std::string out, const TSiteOptions& options)
        : out_(std::move(out)), site_(out_ + kSiteFolder + "/"), files_(site_), options_(options) {}

    TSiteResult Run() {
        TSiteResult result;
        result.topPage = site_ + "index.html";
        std::error_code ec;
        if (!fs::is_directory(out_, ec)) {
            result.usage = true;
            result.failure = "there is no folder " + out_;
            return result;
        }
        if (fs::exists(site_, ec) && !fs::exists(site_ + kSiteMarker, ec)) {
            result.usage = true;
            result.failure = site_ + " holds something this program did not write (no " +
                             kSiteMarker + " in it); it was left alone";
            return result;
        }
        try {
            Plan();
            if (!ForceDirectories(site_))
                throw EFileError("cannot create the folder", site_, errno);
            files_.Write(kSiteMarker, "A site made by Tessaly from the saved pages beside it.\n");
            std::vector<TGroupSummary> summaries;
            for (TGroupPlan& plan : plans_) {
                summaries.push_back(BuildGroup(plan, result));
                if (Stopped()) {
                    result.stopped = true;
                    break;
                }
            }
            if (!result.stopped) {
                WriteCommon(summaries);
                RemoveGoneGroups();
            }
        } catch (const EFileError& e) {
            result.failure = e.what();
            return result;
        }
        Report("Done", done_);
        result.ok = !result.stopped;
        result.groups = static_cast<int>(plans_.size());
        result.filesWritten = files_.Written();
        result.filesRemoved = files_.Removed();
        return result;
    }

private:
    bool Stopped() const { return options_.stop != nullptr && options_.stop->load(); }

    void Report(const std::string& step, std::int64_t done) {
        done_ = done;
        if (!options_.progress) return;
        const std::int64_t every = std::max<std::int64_t>(1, total_ / 1000);
        if (step == lastStep_ && done < reported_ + every && done != total_) return;
        lastStep_ = step;
        reported_ = done;
        options_.progress(TSiteProgress{step, done, total_});
    }

    static std::string CacheName(const std::string& group) {
        return ".cache/" + group + ".catalog";
    }

    void Plan() {
        Report("Looking at the saved pages", 0);
        for (TArchiveGroup& g : FindArchiveGroups(out_)) {
            TGroupPlan plan;
            plan.group = std::move(g);
            const std::string dir = "groups/" + plan.group.name + "/";
            if (files_.Exists(dir + "index.html"))
                plan.cached = LoadCatalog(site_ + CacheName(plan.group.name));
            // With nothing cached to compare them with, the pages' sizes and times are learnt as
            // they are read.
            if (!plan.group.messages.empty())
                plan.pages = ListSavedPages(plan.group.messages, !plan.cached.empty());
            // Both lists are sorted by number; a cached entry no page matches any more marks its
            // block too.
            std::vector<bool> matched(plan.cached.size(), false);
            std::set<std::int64_t> blocks;
            for (const TSavedPageFile& p : plan.pages) {
                blocks.insert(BlockOf(p.number));
                const auto it = std::lower_bound(
                    plan.cached.begin(), plan.cached.end(), p.number,
                    [](const TCatalogEntry& e, std::int64_t n) { return e.number < n; });
                TCatalogEntry now;
                now.file = p.file;
                now.size = p.size;
                now.mtimeNs = p.mtimeNs;
                if (it == plan.cached.end() || it->number != p.number || !it->SameFile(now)) {
                    plan.dirtyBlocks.insert(BlockOf(p.number));
                }
                if (it != plan.cached.end() && it->number == p.number)
                    matched[static_cast<std::size_t>(it - plan.cached.begin())] = true;
            }
            for (std::size_t k = 0; k < plan.cached.size(); ++k) {
                if (!matched[k]) plan.dirtyBlocks.insert(BlockOf(plan.cached[k].number));
            }
            // A page of the site that went missing is made again.
            for (const std::int64_t b : blocks) {
                if (!files_.Exists(dir + NumberPageName(b)) ||
                    !files_.Exists("search/" + plan.group.name + "/" + std::to_string(b) + ".js"))
                    plan.dirtyBlocks.insert(b);
            }
            for (const TSavedPageFile& p : plan.pages) {
                if (plan.dirtyBlocks.count(BlockOf(p.number)) != 0) ++plan.pagesToRead;
            }
            plan.files = ScanMedia(plan.group.files);
            plan.photos = ScanMedia(plan.group.photos);
            TThumbnailCache thumbs(site_ + "thumbs/" + plan.group.name + "/");
            auto count = [&](const std::string& sectionRel) {
                return [&, sectionRel](TMediaFile& f) {
                    if (f.picture &&
                        thumbs.Stale({sectionRel + f.rel, std::string(), f.size, f.mtimeNs}))
                        ++plan.picturesToMake;
                };
            };
            ForEachFile(plan.files, count(plan.group.filesRel));
            ForEachFile(plan.photos, count(plan.group.photosRel));
            total_ += plan.pagesToRead + plan.picturesToMake;
            plans_.push_back(std::move(plan));
        }
    }

    // What one saved page gives: its entry and the texts its words are cut from; nothing when
    // it cannot be read.
    struct TPageRead {
        bool read = false;
        TCatalogEntry entry;
        std::string text;
    };

    static TPageRead ReadPage(const TPageFolder& folder, TSavedPageFile& file,
                              std::string& buffer) {
        TPageRead r;
        const auto page = folder.Read(file, buffer);
        if (!page) return r;
        r.read = true;
        // Only the body's words are kept, so it is not tidied into lines.
        TSavedMessage m = ReadSavedMessage(*page, TBodyUse::Words);
        r.entry = EntryOf(std::move(m));
        r.entry.number = file.number;  // the file's name is what the walk saved it as
        r.entry.file = file.file;
        r.entry.size = file.size;
        r.entry.mtimeNs = file.mtimeNs;
        if (m.body) r.text = std::move(*m.body);
        for (const auto* part : {&r.entry.subject, &r.entry.author}) {
            if (!*part) continue;
            r.text.push_back('\n');
            r.text += **part;
        }
        return r;
    }

    // Reads the pages of one block (a second thread takes every other page: reading is most of
    // a build, and no page depends on another), writes its search script and appends the
    // entries read to `fresh`.
    void ReadBlock(TGroupPlan& plan, std::int64_t block, std::vector<TSavedPageFile>::iterator from,
                   std::vector<TSavedPageFile>::iterator to, std::vector<TCatalogEntry>& fresh,
                   TSiteResult& result) {
        const std::string step = "Reading the messages of " + plan.group.name;
        const auto count = static_cast<std::size_t>(to - from);
        std::vector<TPageRead> pages(count);
        const TPageFolder folder(plan.group.messages);
        std::thread helper([&pages, &folder, from, count] {
            std::string buffer;
            for (std::size_t k = 1; k < count; k += 2)
                pages[k] = ReadPage(folder, *(from + static_cast<std::ptrdiff_t>(k)), buffer);
        });
        const std::int64_t base = done_;
        for (std::size_t k = 0; k < count; k += 2) {
            pages[k] = ReadPage(folder, *(from + static_cast<std::ptrdiff_t>(k)), readBuffer_);
            Report(step, base + static_cast<std::int64_t>(std::min(k + 2, count)));
        }
        helper.join();
        const std::size_t start = fresh.size();
        std::vector<std::string> texts;
        for (TPageRead& p : pages) {
            if (!p.read) {
                ++result.unreadable;
                continue;
            }
            ++result.pagesRead;
            fresh.push_back(std::move(p.entry));
            texts.push_back(std::move(p.text));
        }
        pages = {};
        Report(step, base + static_cast<std::int64_t>(count));
        std::vector<TBlockMessage> messages;
        for (std::size_t i = start; i < fresh.size(); ++i)
            messages.push_back(TBlockMessage{&fresh[i], std::move(texts[i - start])});
        const std::string script =
            "search/" + plan.group.name + "/" + std::to_string(block) + ".js";
        if (messages.empty())
            files_.Remove(script);
        else
            files_.Write(script, SearchBlockScript(plan.group.name, block, messages));
    }

    TGroupSummary BuildGroup(TGroupPlan& plan, TSiteResult& result) {
        const std::string& name = plan.group.name;
        const std::string dir = "groups/" + name + "/";
        // What the cache knows of the blocks that did not change is kept as it is.
        std::set<std::string> dirtyMonths;
        std::vector<TCatalogEntry> list = std::move(plan.cached);
        std::erase_if(list, [&](const TCatalogEntry& e) {
            if (plan.dirtyBlocks.count(BlockOf(e.number)) == 0) return false;
            dirtyMonths.insert(e.MonthKey());
            return true;
        });
        std::vector<TCatalogEntry> fresh;
        fresh.reserve(static_cast<std::size_t>(plan.pagesToRead));
        // The pages of the dirty blocks, block by block, so only one block's words are held.
        std::set<std::int64_t> readBlocks;
        auto it = plan.pages.begin();
        while (it != plan.pages.end()) {
            const std::int64_t block = BlockOf(it->number);
            auto end = it;
            while (end != plan.pages.end() && BlockOf(end->number) == block) ++end;
            if (plan.dirtyBlocks.count(block) != 0) {
                const std::size_t before = fresh.size();
                ReadBlock(plan, block, it, end, fresh, result);
                for (std::size_t k = before; k < fresh.size(); ++k)
                    dirtyMonths.insert(fresh[k].MonthKey());
                readBlocks.insert(block);
                plan.dirtyBlocks.erase(block);
            }
            it = end;
            if (Stopped()) return {};
        }
        plan.pages = {};
        const bool changed =
            !readBlocks.empty() || !plan.dirtyBlocks.empty() || !files_.Exists(CacheName(name));
        // Blocks whose every page went away.
        for (const std::int64_t b : plan.dirtyBlocks)
            files_.Remove("search/" + name + "/" + std::to_string(b) + ".js");

        // The blocks read and those kept hold no number twice.
        if (list.empty()) {
            list = std::move(fresh);
        } else {
            list.insert(list.end(), std::make_move_iterator(fresh.begin()),
                        std::make_move_iterator(fresh.end()));
            fresh = {};
        }
        std::sort(list.begin(), list.end(), [](const TCatalogEntry& a, const TCatalogEntry& b) {
            return a.number < b.number;
        });
        TGroupSummary summary = Summarize(name, plan.group.messagesRel, list);
        result.messages += summary.messages;

        // The lists by number and by month that changed.
        std::map<std::int64_t, std::vector<const TCatalogEntry*>> byBlock;
        std::map<std::string, std::vector<const TCatalogEntry*>> byMonth;
        for (const TCatalogEntry& e : list) {
            byBlock[BlockOf(e.number)].push_back(&e);
            if (!e.purged) byMonth[e.MonthKey()].push_back(&e);
        }
        std::set<std::string> keep{"index.html", "files.html", "photos.html"};
        std::set<std::string> keepScripts;
        for (const auto& [block, rows] : byBlock) {
            const std::string page = NumberPageName(block);
            keep.insert(page);
            keepScripts.insert(std::to_string(block) + ".js");
            if (readBlocks.count(block) != 0 || !files_.Exists(dir + page))
                files_.Write(dir + page,
                             ListPage(summary,
                                      "messages " + std::to_string(rows.front()->number) + " to " +
                                          std::to_string(rows.back()->number),
                                      rows));
        }
        for (const auto& [month, rows] : byMonth) {
            const std::string page = MonthPageName(month);
            keep.insert(page);
            if (dirtyMonths.count(month) != 0 || !files_.Exists(dir + page))
                files_.Write(dir + page, ListPage(summary, MonthTitle(month), rows));
        }
        files_.Prune(dir, ".html", keep);
        files_.Prune("search/" + name + "/", ".js", keepScripts);

        MediaPages(plan, summary, result);
        files_.Write(dir + "index.html", GroupPage(summary));
        if (!fs::exists(site_ + ".cache", ec_) && !ForceDirectories(site_ + ".cache"))
            throw EFileError("cannot create the folder", site_ + ".cache", errno);
        if (changed) SaveCatalog(site_ + CacheName(name), list);
        return summary;
    }

    void MediaPages(TGroupPlan& plan, TGroupSummary& summary, TSiteResult& result) {
        const std::string dir = "groups/" + plan.group.name + "/";
        TThumbnailCache thumbs(site_ + "thumbs/" + plan.group.name + "/");
        auto fill = [&](const std::string& sectionRel) {
            return [&, sectionRel](TMediaFile& f) {
                if (!f.picture) return;
                const TThumbnailCache::TPicture picture{
                    sectionRel + f.rel, out_ + sectionRel + f.rel, f.size, f.mtimeNs};
                const bool stale = thumbs.Stale(picture);
                f.thumb = thumbs.Thumbnail(picture);
                if (stale) Report("Making the thumbnails of " + plan.group.name, done_ + 1);
            };
        };
        ForEachFile(plan.files, fill(plan.group.filesRel));
        ForEachFile(plan.photos, fill(plan.group.photosRel));
        thumbs.Finish();
        result.thumbnailsMade += thumbs.Made();
        summary.files = plan.files.fileCount;
        summary.fileBytes = plan.files.bytes;
        summary.photos = plan.photos.fileCount;
        summary.photoBytes = plan.photos.bytes;
        if (summary.files > 0)
            files_.Write(dir + "files.html", FilesPage(summary, plan.files, plan.group.filesRel));
        if (summary.photos > 0)
            files_.Write(dir + "photos.html",
                         PhotosPage(summary, plan.photos, plan.group.photosRel));
        plan.files = {};
        plan.photos = {};
    }

    void WriteCommon(const std::vector<TGroupSummary>& groups) {
        Report("Writing the top page", done_);
        files_.Write("style.css", StyleSheet());
        files_.Write("search.html", SearchPage());
        files_.Write("search.js", SearchScript());
        std::string manifest = "TS.groups([\n";
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const TGroupSummary& g = groups[i];
            manifest += "{name:" + JsString(g.name) + ",dir:" + JsString(UrlPath(g.name)) +
                        ",messages:" + JsString("../" + UrlPath(g.messagesRel)) + ",blocks:[";
            for (std::size_t k = 0; k < g.blocks.size(); ++k)
                manifest += (k > 0 ? "," : "") + std::to_string(g.blocks[k].block);
            manifest += "]}";
            manifest += i + 1 < groups.size() ? ",\n" : "\n";
        }
        manifest += "]);\n";
        files_.Write("search/groups.js", manifest);
        files_.Write("index.html", TopPage(groups));
    }

    // The site's folders of groups that have no saved section any more.
    void RemoveGoneGroups() {
        std::set<std::string> names;
        for (const TGroupPlan& p : plans_) names.insert(p.group.name);
        for (const char* folder : {"groups", "search", "thumbs"}) {
            for (const auto& e : fs::directory_iterator(site_ + folder, ec_)) {
                const std::string name = e.path().filename().string();
                if (e.is_directory(ec_) && names.count(name) == 0)
                    files_.Remove(std::string(folder) + "/" + name);
            }
        }
        for (const auto& e : fs::directory_iterator(site_ + ".cache", ec_)) {
            const std::string name = e.path().filename().string();
            if (name.ends_with(".catalog") && names.count(name.substr(0, name.size() - 8)) == 0)
                files_.Remove(".cache/" + name);
        }
    }

    std::string out_, site_;
    TSiteFiles files_;
    const TSiteOptions& options_;
    std::vector<TGroupPlan> plans_;
    std::int64_t total_ = 0, done_ = 0;
    std::string lastStep_;
    std::int64_t reported_ = 0;  // the last `done` told
    std::error_code ec_;
    std::string readBuffer_;  // the page being read, on the building thread
};

}  // namespace

TSiteResult BuildArchiveSite(const std::string& outputFolder, const TSiteOptions& options) {
    std::error_code ec;
    std::string out = fs::absolute(outputFolder, ec).lexically_normal().string();
    if (ec) out = outputFolder;
    TBuild build(IncludeTrailingDelimiter(out), options);
    return build.Run();
}

}  // namespace tessaly::archive
