#pragma once
// TYahooPhotos: the site access object of the Photos section for one group and run. It finds
// the photos host of the group (with its country prefix, from a list of known prefixes or from
// where the unprefixed host sends the member), opens the album list in thumbnail view, reads
// the list pages one after another and sorts their links: further list pages (albums and
// their later pages) join the page queue, photo view links form the batch of the page.
//
// Link kinds, with P = PhotosRootKey() and the head of a link its first (length of P + 17)
// characters, upper-cased:
//   list link       head "HTTP://" + P + "LST?.DIR=/" (an album) or "HTTP://" + P + "LST?&.DIR="
//                   (a later page of a list);
//   photo view link head "HTTP://" + P + "VWP?.DIR=/".
// A query value is the text after its name up to the next "&" (no "&" after it: empty); "DNM="
// (the photo's name) is looked for without regard to case, "dir=/" (the album) as written.

#include <string>
#include <unordered_set>
#include <vector>

#include "harvest/YahooBase.h"

namespace tessaly {

class TYahooPhotos : public TYahooBase {
public:
    using TYahooBase::TYahooBase;

    // The country prefixes the photos host is known to carry, ";" after each.
    static constexpr const char* kPhotosPrefixList =
        "espanol.;chinese.;mx.;ca.;br.;ar.;tw.;sg.;kr.;jp.;in.;hk.;cn.;au.;asia.;uk.;se.;es.;no.;"
        "it.;de.;fr.;dk.;ct.;";
    // Whether the prefix is one whole entry of kPhotosPrefixList (any letter case; "" never).
    [[nodiscard]] static bool InPhotosPrefixList(const std::string& prefix);

    // OpenGroup, then the photos host's country prefix: a listed prefix is taken as it is;
    // otherwise the unprefixed list is fetched and the prefix is read off the host it ends on.
    DownloadStatus InitPhotos();
    // The group's top album list ("http://" + prefix + photos host + "/group/NAME/lst").
    [[nodiscard]] std::string PhotosListURL() const;
    // Opens the top list, switching to its thumbnail view when it shows the list view; false
    // when a page could not be fetched (LastFailure says why).
    bool FirstPage(std::vector<std::string>& links);
    // Opens list page `index` of the queue: dsCompleted past its end, dsError when the page
    // could not be fetched or came empty (the links are then empty), else dsOk with its links;
    // `referrer` becomes the page's URL.
    DownloadStatus OpenPage(std::size_t index, std::string& referrer,
                            const std::vector<std::string>& pageQueue,
                            std::vector<std::string>& links);
    // Sorts a page's links: list pages not queued before join the queue, photo view links whose
    // key is not among `known` and that were not handed out before in this run form `batch`.
    // Returns how many view links were passed over because `known` holds them.
    int ClassifyLinks(const std::vector<std::string>& links,
                      const std::unordered_set<std::string>& known, std::vector<std::string>& batch,
                      std::vector<std::string>& pageQueue);
    // The album a list page shows, for the progress lines: "\Summer Walk\", "\" for the top.
    [[nodiscard]] std::string AlbumPathOf(const std::string& url) const;
    // The thumbnail view of the top list when the links are those of its list view, else "".
    [[nodiscard]] std::string ThumbnailLink(const std::vector<std::string>& links) const;

    // Query values of a link, as described above.
    [[nodiscard]] static std::string PhotoName(const std::string& link);  // "DNM="
    [[nodiscard]] static std::string AlbumOf(const std::string& link);    // "dir=/"
    // The key by which a photo is known: "\" + album + "\" + name (or "\" + name at the top),
    // URL-decoded, "/" read as "\", upper-cased.
    [[nodiscard]] static std::string KnownPhotoKey(const std::string& viewLink);
    // The same key from an entry of the Photos index (section "\" for the top level).
    [[nodiscard]] static std::string KnownPhotoKey(const std::string& section,
                                                   const std::string& key);

private:
    enum class TLinkKind { Other, ListA, ListB, View };
    [[nodiscard]] TLinkKind KindOf(const std::string& link) const;
    // The album name of a list link: for a list link of the first form the text after
    // "LST?.DIR=/" up to the first "&"; "" for the other form.
    [[nodiscard]] static std::string ListAlbumName(const std::string& link, TLinkKind kind);

    std::unordered_set<std::string> queued_;     // upper-cased page queue entries
    std::unordered_set<std::string> handedOut_;  // upper-cased view links of this run
};

}  // namespace tessaly
