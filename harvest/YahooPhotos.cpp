#include "harvest/YahooPhotos.h"

#include "service/ServiceHosts.h"
#include "text/TextUtils.h"
#include "text/UrlUtils.h"

namespace tessaly {
namespace {

constexpr std::size_t kHeadExtra = 17;  // "HTTP://" + "LST?.DIR=/"

// The text after `name` up to the next "&"; "" when either is missing.
std::string QueryValue(const std::string& link, std::size_t at, std::size_t nameLength) {
    if (at == std::string::npos) return {};
    const std::size_t from = at + nameLength;
    const std::size_t amp = link.find('&', from);
    return amp == std::string::npos ? std::string() : link.substr(from, amp - from);
}

std::string KeyForm(const std::string& text) {
    return UpperCase(ReplaceAllStr(UrlDecode(text), "/", "\\"));
}

}  // namespace

bool TYahooPhotos::InPhotosPrefixList(const std::string& prefix) {
    if (prefix.empty()) return false;
    const std::string wanted = LowerCase(prefix);
    std::string_view list = kPhotosPrefixList;
    while (!list.empty()) {
        const auto end = list.find(';');
        if (list.substr(0, end) == wanted) return true;
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return false;
}

std::string TYahooPhotos::PhotosListURL() const {
    return "http://" + countryPrefix_ + hosts::kPhotos + "/group/" + groupName_ + "/lst";
}

DownloadStatus TYahooPhotos::InitPhotos() {
    if (const DownloadStatus opened = OpenGroup(); opened != dsOk) return opened;
    const bool listed = InPhotosPrefixList(countryPrefix_);
    const std::string url =
        listed ? PhotosListURL()
               : "http://" + std::string(hosts::kPhotos) + "/group/" + groupName_ + "/lst";
    const DownloadStatus status = FetchPage(url, PageBuffer);
    if (status != dsOk) return dsError;
    if (!listed) {
        const std::string host = LowerCase(Trim(UrlHost(owner_.BrowserLocation())));
        const std::string photos = hosts::kPhotos;
        const auto at = host.find(photos);
        countryPrefix_ =
            host == photos || at == std::string::npos ? std::string() : host.substr(0, at);
    }
    return status;
}

std::string TYahooPhotos::ThumbnailLink(const std::vector<std::string>& links) const {
    const std::string mark = UpperCase(std::string(hosts::kPhotos) + "/GROUP/" + groupName_ + "/");
    int thumbnails = 0, lists = 0;
    std::string first;
    for (const auto& link : links) {
        const std::string upper = UpperCase(link);
        if (upper.find(mark) == std::string::npos) continue;
        if (upper.find("VIEW=T") != std::string::npos) {
            ++thumbnails;
            if (first.empty() && upper.find("BEGIN=1") != std::string::npos) first = link;
        }
        if (upper.find("VIEW=L") != std::string::npos) ++lists;
    }
    return thumbnails < lists ? first : std::string();
}

bool TYahooPhotos::FirstPage(std::vector<std::string>& links) {
    TPagePtr page;
    if (FetchPage(PhotosListURL(), page) != dsOk) return false;
    ExtractAbsoluteLinks(page->Source(), "", links);
    const std::string thumbnails = Trim(ThumbnailLink(links));
    if (!thumbnails.empty()) {
        if (FetchPage(thumbnails, page) != dsOk) return false;
        ExtractAbsoluteLinks(page->Source(), "", links);
    }
    SaveDebugPage(page->Source(), "Photos Dir - First--0.html");
    return true;
}

DownloadStatus TYahooPhotos::OpenPage(std::size_t index, std::string& referrer,
                                      const std::vector<std::string>& pageQueue,
                                      std::vector<std::string>& links) {
    if (index >= pageQueue.size()) return dsCompleted;
    referrer = pageQueue[index];
    TPagePtr page;
    const bool fetched = FetchPage(referrer, page) == dsOk;
    if (!fetched || page->Empty()) {
        if (fetched) lastFailure_ = "the page came empty (" + referrer + ")";
        links.clear();
        return dsError;
    }
    ExtractAbsoluteLinks(page->Source(), "", links);
    SaveDebugPage(page->Source(), "Photos Dir -" + std::to_string(index) + ".html");
    return dsOk;
}

TYahooPhotos::TLinkKind TYahooPhotos::KindOf(const std::string& link) const {
    const std::string root = PhotosRootKey();
    const std::string upper = UpperCase(link);
    if (upper.find(root) == std::string::npos) return TLinkKind::Other;
    const std::string head = upper.substr(0, root.size() + kHeadExtra);
    if (head == "HTTP://" + root + "LST?.DIR=/") return TLinkKind::ListA;
    if (head == "HTTP://" + root + "LST?&.DIR=") return TLinkKind::ListB;
    if (head == "HTTP://" + root + "VWP?.DIR=/") return TLinkKind::View;
    return TLinkKind::Other;
}

std::string TYahooPhotos::ListAlbumName(const std::string& link, TLinkKind kind) {
    if (kind != TLinkKind::ListA) return {};
    const std::size_t at = UpperCase(link).find("LST?.DIR=/");
    const std::size_t from = at + 10;
    const std::size_t amp = link.find('&');
    if (amp == std::string::npos || amp < from) return {};
    return link.substr(from, amp - from);
}

int TYahooPhotos::ClassifyLinks(const std::vector<std::string>& links,
                                const std::unordered_set<std::string>& known,
                                std::vector<std::string>& batch,
                                std::vector<std::string>& pageQueue) {
    int passedOver = 0;
    for (const auto& link : links) {
        const TLinkKind kind = KindOf(link);
        if (kind == TLinkKind::ListA || kind == TLinkKind::ListB) {
            if (ContainsText("begin=9999&", link) || ContainsText("view=l", link)) continue;
            const bool album = !ListAlbumName(link, kind).empty();
            const bool laterPage = link.find("&.begin=") != std::string::npos &&
                                   link.find("&.begin=1&") == std::string::npos;
            if ((album || laterPage) && queued_.insert(UpperCase(link)).second)
                pageQueue.push_back(link);
        } else if (kind == TLinkKind::View) {
            if (known.contains(KnownPhotoKey(link))) {
                ++passedOver;
                continue;
            }
            // A photo listed again (on the album's page in another sort order, say) is the same
            // picture: it is downloaded once per group and run.
            if (handedOut_.insert(UpperCase(link)).second) batch.push_back(link);
        }
    }
    return passedOver;
}

std::string TYahooPhotos::AlbumPathOf(const std::string& url) const {
    const TLinkKind kind = KindOf(url);
    if (kind != TLinkKind::ListA && kind != TLinkKind::ListB) return "/";
    if (ContainsText("begin=9999&", url) || ContainsText("view=l", url)) return "/";
    const std::string name = ListAlbumName(url, kind);
    const std::string path = name.empty() ? std::string("/") : "/" + name + "/";
    return ReplaceAllStr(UrlDecode(ReplaceAllStr(path, "\\", "/")), "/", "\\");
}

std::string TYahooPhotos::PhotoName(const std::string& link) {
    return QueryValue(link, UpperCase(link).find("DNM="), 4);
}

std::string TYahooPhotos::AlbumOf(const std::string& link) {
    return QueryValue(link, link.find("dir=/"), 5);
}

std::string TYahooPhotos::KnownPhotoKey(const std::string& viewLink) {
    const std::string album = AlbumOf(viewLink);
    const std::string name = PhotoName(viewLink);
    return KeyForm(album.empty() ? "\\" + name : "\\" + album + "\\" + name);
}

std::string TYahooPhotos::KnownPhotoKey(const std::string& section, const std::string& key) {
    return KeyForm(section == "\\" ? "\\" + key : "\\" + section + "\\" + key);
}

}  // namespace tessaly
