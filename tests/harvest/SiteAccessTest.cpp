#include <gtest/gtest.h>

#include <deque>

#include "harvest/ProgressReports.h"
#include "harvest/YahooAttach.h"
#include "settings/DownloadOptions.h"
#include "support/TestEnv.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

// A site owner that serves fixed pages and reports a fixed browser location.
class FakeOwner : public ISiteOwner {
public:
    TFetch BrowserFetch(const std::string& url) override {
        fetched.push_back(url);
        if (!answers.empty()) {
            TFetch next = answers.front();
            answers.pop_front();
            return next;
        }
        return {true, MakePage(location, 200, page)};
    }
    std::deque<TFetch> answers;  // served first, in order
    bool BrowserClickElement(const std::string&, const std::string&) override { return true; }
    std::string BrowserLocation() override { return location; }
    bool WaitThrottled(int seconds) override {
        waits.push_back(seconds);
        return true;
    }
    std::vector<int> waits;
    std::string page;
    std::string location;
    std::vector<std::string> fetched;
};

// A page with the given source.
const TPage& P(const std::string& source) {
    static std::vector<TPagePtr> kept;  // alive for the test's assertions
    kept.push_back(MakePage("", 200, source));
    return *kept.back();
}

class SiteAccessTest : public test::TempHomeTest {
protected:
    TYahooDownloadOptions options_;
    FakeOwner owner_;
};

TEST_F(SiteAccessTest, MessageLinksPrefixAndNameCase) {
    TYahooBase site(owner_, "mygroup", "u", "p", options_, false);
    owner_.location = "http://uk.groups.yahoo.com/group/mygroup/messages/1";
    site.DetectCountryPrefix();
    EXPECT_EQ(site.CountryPrefix(), "uk.");
    owner_.location = "http://groups.yahoo.com";
    site.DetectCountryPrefix();
    EXPECT_EQ(site.CountryPrefix(), "");

    const std::string page =
        "<a href=\"/group/MyGroup/message/12\">x</a><a href=\"/group/mygroup/message/5\">y</a>"
        "<a href=\"/group/mygroup/message/12?x=1\">q</a>"
        "<a href=\"http://groups.yahoo.com/group/mygroup/message/9\">z</a>";
    site.FixGroupNameCase(P(page));
    EXPECT_EQ(site.GroupName(), "MyGroup");
    site.FindFirstMessage(P(page));
    site.FindLastMessage(P(page));
    EXPECT_EQ(site.FirstMessage(), 5);
    EXPECT_EQ(site.LastMessage(), 12);
    EXPECT_EQ(site.MessageURL(7), "http://groups.yahoo.com/group/MyGroup/message/7");
    EXPECT_EQ(site.FilesRootKey(), "GROUPS.YAHOO.COM/GROUP/MYGROUP/FILES/");

    const std::string links =
        "<a href=\"/group/MyGroup/message/5\">a</a><a href=\"/group/MyGroup/message/9\">b</a>"
        "<a href=\"/group/MyGroup/message/12\">c</a><a href=\"/group/MyGroup/message/40\">d</a>";
    EXPECT_EQ(site.NextMessageNumber(9, P(links)), 12);
    EXPECT_EQ(site.NextMessageNumber(9, P("<a href=\"/group/MyGroup/message/5\">a</a>")), 9);
    EXPECT_EQ(site.NextMessageNumber(9, P("")), -1);
    EXPECT_TRUE(site.PageLinksToMessage(40, P(links)));
    EXPECT_FALSE(site.PageLinksToMessage(41, P(links)));
}

// Every written form of a link, made absolute against the group's host, is read for a message
// number; a message link to the page itself marks an intermediate page.
TEST_F(SiteAccessTest, MessageLinksInEveryWrittenForm) {
    struct Case {
        const char* href;
        int number;       // the message number it gives, -1 for none
        bool linksToSix;  // whether it is the address of message 6
    };
    const Case cases[] = {
        {"/group/MyGroup/message/6", 6, true},
        {"group/mygroup/MESSAGE/6", 6, true},  // relative, any letter case
        {"http://GROUPS.yahoo.com/group/MyGroup/message/6", 6, true},
        {"http://uk.groups.yahoo.com/group/MyGroup/message/6", -1, false},  // another site
        {"/group/MyGroup/message/6?x=1", -1, false},
        {"/group/MyGroup/message/", -1, false},
        {"/redirect?to=http://groups.yahoo.com/group/MyGroup/message/8", 8, false},
        {"/group/OtherGroup/message/6", -1, false},
        {"/", -1, false},
        {"", -1, false},
    };
    TYahooBase site(owner_, "MyGroup", "u", "p", options_, false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.href);
        const std::string page = std::string("<a href=\"") + c.href + "\">x</a>";
        site.FindFirstMessage(P(page));
        EXPECT_EQ(site.FirstMessage(), c.number);
        EXPECT_EQ(site.PageLinksToMessage(6, P(page)), c.linksToSix);
    }
}

TEST_F(SiteAccessTest, LinkFilters) {
    TYahooBase site(owner_, "g", "u", "p", options_, false);
    std::vector<std::string> links{"a/b.jpg", "a/c.unknown", "a/d.exe"};
    site.FilterLinksByExtension(links);
    EXPECT_EQ(links, (std::vector<std::string>{"a/b.jpg", "a/c.unknown"}));
    options_.boolDownloadAllFiles = false;
    links = {"a/b.jpg", "a/c.unknown", "a/d.exe"};
    site.FilterLinksByExtension(links);
    EXPECT_EQ(links, std::vector<std::string>{"a/b.jpg"});
    for (const char* blocked : {"x/file.Exe", "x/file.", "x/page.HTM"})
        EXPECT_TRUE(TYahooBase::IsBlockedFileType(blocked)) << blocked;
    for (const char* fine : {"x/file", "x/file.zip"})
        EXPECT_FALSE(TYahooBase::IsBlockedFileType(fine)) << fine;
    EXPECT_TRUE(TYahooBase::HasExtension("jpg", "x/a.JPG"));
}

TEST_F(SiteAccessTest, DatePrefixes) {
    struct Case {
        const char* page;
        const char* prefix;
    };
    for (const Case& c : {Case{"x Date:</b>Tue Dec 14, 2004 9:05 pm<br>", "_12__14__2004_9_05_PM_"},
                          Case{"Date:<b>Mon Jan 3, 2005 10:23 am</b>", "_01__03__2005_10_23_AM_"},
                          Case{"Date:</b><br>", "___"}, Case{"Date:</b>Someday soon<br>", "___"},
                          Case{"no date here", ""}}) {
        EXPECT_EQ(TYahooAttachmentDownload::MessageDatePrefix(c.page), c.prefix) << c.page;
    }
}

TEST_F(SiteAccessTest, GroupNamesFromMailAddresses) {
    const std::string page =
        "mygroup-owner@yahoogroups.com, my-group-unsubscribe@yahoogroups.com "
        "post: Hikers.Club@yahoogroups.com; x@yahoogroups_com ; @yahoogroups.com; "
        "<b>CAPS@YAHOOGROUPS.COM</b> mygroup@yahoogroups.com";
    EXPECT_EQ(TYahooAttachmentDownload::GetValidYahooGroupNamesFrom(page),
              (std::vector<std::string>{"mygroup", "my-group", "Hikers.Club", "x", "mygroup"}));
    // A large page with no address at all is a linear scan.
    EXPECT_TRUE(
        TYahooAttachmentDownload::GetValidYahooGroupNamesFrom(std::string(2000000, 'a') + "@")
            .empty());
}

TEST_F(SiteAccessTest, OutsideLinksSkipIgnoredSites) {
    TYahooAttachmentDownload site(owner_, 0, 0, false, options_, "p", "u", "g");
    std::vector<std::string> links;
    site.ExtractOtherLinks(
        "<a href=\"/local\">a</a><a href=\"MAILTO:x@y.z\">b</a>"
        "<a href=\"http://RD.YAHOO.COM/x\">c</a><a href=\"http://www.example.org/\">d</a>",
        links);
    EXPECT_EQ(links, std::vector<std::string>{"http://www.example.org/"});
}

// A throttled answer is waited out with growing waits and never taken for the page; an error
// answer or a failed load is a failure that says why.
TEST_F(SiteAccessTest, ThrottledErrorAndFailedFetches) {
    TYahooBase site(owner_, "g", "u", "p", options_, false);
    const std::string title =
        "<html><head><title>Yahoo! - 999 Unable to process request at "
        "this time -- error 999</title></head></html>";
    const TFetch by999{true, MakePage("", 999, title)};
    const TFetch byTitle{true, MakePage("", 200, title)};
    const TFetch good{true, MakePage("", 200, "the page")};
    TPagePtr page;

    owner_.answers = {by999, byTitle, good};
    EXPECT_EQ(site.FetchPage("http://h/p", page), dsOk);
    EXPECT_EQ(page->Source(), "the page");
    EXPECT_EQ(owner_.waits, (std::vector<int>{60, 120}));

    owner_.waits.clear();
    owner_.fetched.clear();
    owner_.answers = {by999, by999, by999, by999, by999, by999, good};
    EXPECT_EQ(site.FetchPage("http://h/p", page), dsError);
    EXPECT_EQ(owner_.fetched.size(), 6u);
    EXPECT_EQ(owner_.waits, (std::vector<int>{60, 120, 240, 480, 960}));
    EXPECT_EQ(site.LastFailure(), "throttled by the service 6 times in a row (http://h/p)");

    // A message that talks about the error is a message.
    owner_.answers = {{true, MakePage("", 200, "<title>Re: error 999 Unable to process</title>")}};
    EXPECT_EQ(site.FetchPage("http://h/p", page), dsOk);

    owner_.answers = {{true, MakePage("", 503, "busy")}};
    EXPECT_EQ(site.FetchPage("http://h/p", page), dsError);
    EXPECT_EQ(site.LastFailure(), "the service answered 503 (http://h/p)");
    owner_.answers = {{false, MakePage("", 0, "x", "no answer from the service within 9 s")}};
    EXPECT_EQ(site.FetchPage("http://h/p", page), dsError);
    EXPECT_EQ(site.LastFailure(), "no answer from the service within 9 s (http://h/p)");
}

TEST(MessageRows, ReportRules) {
    TMessageRows rows({"a", "b"});
    rows.Apply(TGroupReport{1, 0, 0, 0, 0, 0, dsStarting, {}});
    EXPECT_EQ(rows.Rows()[1].from, "unknown");
    EXPECT_EQ(rows.Rows()[1].position, "0");
    EXPECT_EQ(rows.Rows()[1].picture, 3);
    rows.Apply(TGroupReport{1, 5, 9, 7, 3, 0, dsCompleted, {}});
    EXPECT_EQ(rows.Rows()[1].filesFound, "3");
    rows.Apply(TGroupReport{1, 5, 9, 9, -1, 0, dsWrongPassword, {}});
    EXPECT_EQ(rows.Rows()[1].filesFound, "3");  // -1 keeps the cell
    EXPECT_EQ(rows.Rows()[1].picture, 1);       // and this status keeps the picture
    EXPECT_EQ(rows.Rows()[1].status, "Wrong Password");
    rows.Apply(TGroupReport{0, 1, 2, 1, 0, 0, dsError, "the service answered 503"});
    EXPECT_EQ(rows.Rows()[0].reason, "the service answered 503");
    rows.Apply(TGroupReport{0, 1, 2, 1, 0, 0, dsNotAvailable, {}});
    EXPECT_EQ(rows.Rows()[0].reason, "");  // a reason belongs to the report that gave it
    EXPECT_EQ(rows.Rows()[0].picture, 2);
    EXPECT_EQ(rows.Current(), 0);
}

}  // namespace
}  // namespace tessaly
