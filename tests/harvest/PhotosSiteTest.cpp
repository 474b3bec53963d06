// The Photos section's rules that need no service: the country prefixes of the photos host, how
// a list page's links are sorted into list pages and photos, the album shown for a list page,
// the thumbnail switch, the keys of known photos, the retry time-outs and the save path.
#include <gtest/gtest.h>

#include "harvest/PDLItem.h"
#include "harvest/PDLManager.h"
#include "harvest/YahooPhotos.h"
#include "settings/DownloadOptions.h"
#include "support/NoSiteOwner.h"
#include "support/TestEnv.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

class PhotosSiteTest : public test::TempHomeTest {
protected:
    TYahooDownloadOptions options_;
    test::NoSiteOwner owner_;
};

const std::string kRoot = "http://photos.groups.yahoo.com/group/DemoGroup/";

// Whole entries only: a prefix that is the tail of a listed one is not listed.
TEST_F(PhotosSiteTest, PrefixListMatchesWholeEntries) {
    const std::pair<const char*, bool> cases[] = {
        {"uk.", true}, {"UK.", true}, {"de.", true},  {"espanol.", true}, {"ct.", true},
        {"e.", false}, {"s.", false}, {"", false},    {"sports.", false}, {"uk", false},
        {"k.", false}, {";", false},  {"uk.;", false}};
    for (const auto& [prefix, listed] : cases)
        EXPECT_EQ(TYahooPhotos::InPhotosPrefixList(prefix), listed) << prefix;
}

TEST_F(PhotosSiteTest, UrlHostIsTheHostPart) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://uk.photos.groups.yahoo.com/group/x/lst?.dir=/", "uk.photos.groups.yahoo.com"},
        {"https://user@host.example:8080/a", "host.example"},
        {"http://host.example?x=1", "host.example"},
        {"host.example/path", ""},
        {"", ""}};
    for (const auto& [url, host] : cases) EXPECT_EQ(TYahooBase::UrlHost(url), host) << url;
}

// List links of either form join the queue once (in any letter case); the last-page link, list
// views, the top list and the first page of a list do not; view links form the batch once per
// run and page, without the known ones; links of another group or host are nothing.
TEST_F(PhotosSiteTest, LinksSortIntoPagesAndPhotos) {
    TYahooPhotos site(owner_, "DemoGroup", "u", "p", options_, false);
    const std::string album = kRoot + "lst?.dir=/Summer+Walk&.src=gr&.order=&.view=t";
    const std::string later = kRoot + "lst?&.dir=/Summer+Walk&.src=gr&.begin=13&.view=t&.order=";
    const std::string view1 = kRoot + "vwp?.dir=/Summer+Walk&.dnm=walk01.jpg&.src=gr&.view=t";
    const std::string view2 = kRoot + "vwp?.dir=/Summer+Walk&.dnm=walk02.jpg&.src=gr&.view=t";
    const std::string top = kRoot + "vwp?.dir=/&.dnm=top.jpg&.src=gr&.view=t";
    std::vector<std::string> queue, batch;
    const std::unordered_set<std::string> known{"\\SUMMER WALK\\WALK02.JPG"};
    const int passed =
        site.ClassifyLinks({album, later, UpperCase(album),
                            kRoot + "lst?&.dir=/Summer+Walk&.src=gr&.begin=1&.view=t&.order=",
                            kRoot + "lst?&.dir=/Summer+Walk&.src=gr&.begin=9999&.view=t",
                            kRoot + "lst?.dir=/Club+Dinner&.src=gr&.order=&.view=l",
                            kRoot + "lst?.dir=/&.src=gr&.view=t", view1, view1, view2, top,
                            "http://photos.groups.yahoo.com/group/Other/vwp?.dir=/&.dnm=x&",
                            "http://www.example.org/" + view1},
                           known, batch, queue);
    EXPECT_EQ(queue, (std::vector<std::string>{album, later}));
    EXPECT_EQ(batch, (std::vector<std::string>{view1, top}));
    EXPECT_EQ(passed, 1);
    // The next page: nothing queued twice, no photo handed out twice.
    batch.clear();
    site.ClassifyLinks({later, view1, kRoot + "lst?.dir=/Club+Dinner&.src=gr&.view=t"}, {}, batch,
                       queue);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(queue.size(), 3u);

    EXPECT_EQ(site.AlbumPathOf(album), "\\Summer Walk\\");
    EXPECT_EQ(site.AlbumPathOf(later), "\\");
    EXPECT_EQ(site.AlbumPathOf(kRoot + "lst?.dir=/a%2Fb&.view=t"), "\\a\\b\\");
    EXPECT_EQ(site.AlbumPathOf(kRoot + "lst?.dir=/X&.begin=9999&.view=t"), "/");
    EXPECT_EQ(site.AlbumPathOf("http://www.example.org/lst?.dir=/X&"), "/");
}

// The list view (more list links than thumbnail links) switches to the thumbnail view's first
// page; a page already in thumbnail view does not.
TEST_F(PhotosSiteTest, ThumbnailSwitch) {
    TYahooPhotos site(owner_, "DemoGroup", "u", "p", options_, false);
    const std::string thumbs = kRoot + "lst?.dir=/&.src=gr&.view=t&.begin=1";
    const std::string listA = kRoot + "lst?.dir=/A&.src=gr&.order=&.view=l";
    EXPECT_EQ(site.ThumbnailLink({kRoot + "lst?.dir=/B&.view=t", thumbs, listA, listA, listA}),
              thumbs);
    EXPECT_EQ(site.ThumbnailLink({thumbs, listA}), "");
    EXPECT_EQ(site.ThumbnailLink({listA, "http://photos.groups.yahoo.com/group/Other/?view=t"}),
              "");
}

// A photo's index entry reads back as the key of its view link, at the top level too, and a
// name holding "=" keeps its line.
TEST_F(PhotosSiteTest, IndexEntriesGiveTheKnownPhotoKeys) {
    for (const std::string& link :
         {kRoot + "vwp?.dir=/Summer+Walk&.dnm=walk%2001.jpg&.src=gr",
          kRoot + "vwp?.dir=/&.dnm=top.jpg&.view=t", kRoot + "vwp?.dir=/a/b&.DNM=x=y.jpg&.hires=t",
          kRoot + "vwp?.dir=/%2E%2E&.dnm=..%5Cup.jpg&"}) {
        const auto [section, key] = TPDLManager::IndexEntry(link);
        EXPECT_EQ(TYahooPhotos::KnownPhotoKey(section, key), TYahooPhotos::KnownPhotoKey(link))
            << link;
        EXPECT_EQ(key.find('='), std::string::npos) << key;
    }
    EXPECT_EQ(TPDLManager::IndexEntry(kRoot + "vwp?.dir=/&.dnm=top.jpg&.view=t"),
              std::make_pair(std::string("\\"), std::string("top.jpg")));
    EXPECT_EQ(TYahooPhotos::KnownPhotoKey(kRoot + "vwp?.dir=/a/b&.dnm=c%20d.jpg&"),
              "\\A\\B\\C D.JPG");
    EXPECT_EQ(TYahooPhotos::PhotoName(kRoot + "vwp?.dir=/&.dnm=last"), "");  // no "&" after it
}

TEST_F(PhotosSiteTest, RetryTimeOutsGrowByTwentySeconds) {
    EXPECT_EQ(TPDLItem::RetryTimeOuts(60), (std::array<int, 6>{60, 80, 100, 120, 140, 160}));
}

// Albums and names from the service are single safe segments inside the Photos folder.
TEST_F(PhotosSiteTest, SavePathsStayInThePhotosFolder) {
    const std::string base = "/out/Photos/G/";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"walk01.jpg", "Summer+Walk", "Summer Walk/walk01.jpg"},
        {"top.jpg", "", "top.jpg"},
        {"x.jpg", "a/b", "a_b/x.jpg"},
        {"..%5C..%5Cevil.jpg", "..%5C..%5Cup", "____up/____evil.jpg"},
        {"a%2Fb.jpg", "%2E%2E", "_/a_b.jpg"},
        {"..", "..%2F..", "___/_"},
        {"what%3F.jpg", "q", "q/what%3F.jpg"}};
    for (const auto& [name, album, path] : cases)
        EXPECT_EQ(TPDLItem::GetLinkFileName(name, album, base), base + path) << name << album;
    // A name too long for its temporary beside it is cut, keeping its extension.
    const std::string longName =
        TPDLItem::GetLinkFileName(std::string(300, 'n') + ".jpg", "", base).substr(base.size());
    EXPECT_LT(longName.size(), 240u);
    EXPECT_TRUE(longName.ends_with("nnn.jpg")) << longName;
}

}  // namespace
}  // namespace tessaly
