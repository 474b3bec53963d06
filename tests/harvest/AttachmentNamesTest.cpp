// The names of saved attachments and the file links of a message page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/SafeNames.h"
#include "harvest/AttachmentIndex.h"
#include "harvest/AttachmentNames.h"
#include "harvest/YahooAttach.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "settings/DownloadOptions.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

TEST(AttachmentNames, ItemStringsSplitAtTheFirstTwoMarks) {
    struct Case {
        const char* item;
        int message, index;
        const char* url;
    };
    const Case cases[] = {
        {"1234<0<http://h/a<b.jpg", 1234, 0, "http://h/a<b.jpg"},
        {"12a<3<u", 0, 3, "u"},
        {"<<u", 0, 0, "u"},
        {"99999999999<1<u", 0, 1, "u"},
        {"7<x", 7, 0, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        const TAttachmentItem item = ParseAttachmentItem(c.item);
        EXPECT_EQ(item.message, c.message);
        EXPECT_EQ(item.index, c.index);
        EXPECT_EQ(item.url, c.url);
    }
    EXPECT_EQ(MakeAttachmentItem(57, 2, "http://h/f.jpg"), "57<2<http://h/f.jpg");
}

TEST(AttachmentNames, TheFiveSchemes) {
    const std::string url = "http://groups.yahoo.com/group/g/attach/57/holiday.jpg";
    const std::string folder = "/out/Attachments/g/";
    EXPECT_EQ(AttachmentPath(folder, 0, url, 57, 2), folder + "57_2.jpg");
    EXPECT_EQ(AttachmentPath(folder, 1, url, 57, 2), folder + "holiday.jpg");
    EXPECT_EQ(AttachmentPath(folder, 2, url, 57, 2), folder + "57/holiday.jpg");
    EXPECT_EQ(AttachmentPath(folder, 3, url, 57, 2), folder + "holiday_0000057.jpg");
    EXPECT_EQ(AttachmentPath(folder, 4, url, 57, 2), folder + "0000057_holiday.jpg");
    EXPECT_EQ(AttachmentPath(folder, 9, url, 57, 2), folder + "57_2.jpg");  // unknown: as 0
    EXPECT_EQ(AttachmentPath(folder, 4, "http://h/12345678/readme", 12345678, 0),
              folder + "12345678_readme");
}

// Whatever the last segment of a link holds, its name is one segment that stays in the folder,
// under every scheme, and no longer than a file system takes.
TEST(AttachmentNames, ServiceNamesStayInTheFolder) {
    struct Case {
        const char* segment;
        const char* name;  // "" when only the rules are checked
    };
    const std::string longName(300, 'a');
    const Case cases[] = {
        {"a%3Ab%3F.gif", "a_b%3F.gif"},
        {"..%5Cup.txt", "__up.txt"},
        {"x%00y.jpg", "x_y.jpg"},
        {"%2E%2E", "_"},
        {"", "_"},
        {"%20%20", "_"},
        {"..%2F..%2Fetc%2Fpasswd", ""},
        {"..", ""},
        {"%C3%A9t%C3%A9.png", "\xC3\xA9t\xC3\xA9.png"},
    };
    std::vector<std::string> segments;
    for (const Case& c : cases) segments.emplace_back(c.segment);
    segments.push_back(longName + ".jpg");
    segments.push_back(std::string(200, 'b') + "." + std::string(100, 'c'));
    for (const Case& c : cases) {
        if (*c.name != '\0') {
            EXPECT_EQ(AttachmentName(std::string("http://h/x/") + c.segment), c.name) << c.segment;
        }
    }
    const std::string folder = "/out/Attachments/g/";
    for (const auto& segment : segments) {
        for (int scheme = 0; scheme <= 4; ++scheme) {
            SCOPED_TRACE(segment + " scheme " + std::to_string(scheme));
            const std::string path =
                AttachmentPath(folder, scheme, "http://h/x/" + segment, 1234567, 3);
            ASSERT_EQ(path.compare(0, folder.size(), folder), 0);
            std::string rest = path.substr(folder.size());
            if (scheme == 2) {
                ASSERT_EQ(rest.compare(0, 8, "1234567/"), 0);
                rest = rest.substr(8);
            }
            EXPECT_EQ(rest.find_first_of(std::string("/\\\0", 3)), std::string::npos);
            EXPECT_EQ(rest.find(".."), std::string::npos);
            EXPECT_FALSE(rest.empty());
            EXPECT_LE(rest.size(), kMaxNameBytes);
        }
    }
    // A long name keeps its extension and the scheme's number.
    const std::string cut = AttachmentPath(folder, 3, "http://h/x/" + longName + ".jpg", 57, 0);
    EXPECT_EQ(cut.substr(cut.size() - 12), "_0000057.jpg");
}

// The first attachment to claim a path keeps it; later ones get their index, then a count,
// even where the name had to be cut to fit. The same attachment claiming again gets its path.
TEST(AttachmentNames, ClaimsKeepDifferentFilesApart) {
    TAttachmentNames names;
    auto item = [](int message, int index) {
        return TAttachmentItem{message, index, "http://h/" + std::to_string(message) + "/f"};
    };
    EXPECT_EQ(names.Claim("/o/notes.txt", item(1, 0)), "/o/notes.txt");
    EXPECT_EQ(names.Claim("/o/notes.txt", item(1, 1)), "/o/notes_1.txt");
    EXPECT_EQ(names.Claim("/o/notes.txt", item(2, 0)), "/o/notes_0.txt");
    EXPECT_EQ(names.Claim("/o/notes.txt", item(3, 0)), "/o/notes_0_2.txt");
    EXPECT_EQ(names.Claim("/o/notes.txt", item(2, 0)), "/o/notes_0.txt");
    EXPECT_EQ(names.Claim("/o/readme", item(1, 0)), "/o/readme");
    EXPECT_EQ(names.Claim("/o/readme", item(1, 4)), "/o/readme_4");
    EXPECT_EQ(names.Claim("/o/1/readme", item(1, 4)), "/o/1/readme");  // another folder
    const std::string longPath = "/o/" + std::string(251, 'a') + ".jpg";
    EXPECT_EQ(names.Claim(longPath, item(1, 0)), longPath);
    const std::string second = names.Claim(longPath, item(1, 1));
    const std::string third = names.Claim(longPath, item(2, 1));
    EXPECT_NE(second, third);
    for (const auto& path : {second, third}) {
        EXPECT_LE(path.size() - 3, kMaxNameBytes);
        EXPECT_EQ(path.substr(path.size() - 4), ".jpg");
    }
}

class AttachmentIndexTest : public test::TempHomeTest {};

// What the index holds comes back as it was written, whatever the names and addresses hold
// (tabs, line breaks, "%", "#"); lines that are not entries are passed over; a missing index is
// empty, and one that cannot be read is an error, not an empty index.
TEST_F(AttachmentIndexTest, EntriesComeBackAsWritten) {
    const std::string path = AttachmentIndexPath("demo/member", "../Group");
    EXPECT_EQ(path.compare(0, SettingsFolder().size(), SettingsFolder()), 0);
    EXPECT_EQ(path.find(".."), std::string::npos);
    EXPECT_TRUE(ReadAttachmentIndex(path).empty());
    const TAttachmentIndex index{
        {"notes.txt", {1, 0, "http://h/attach/1/notes.txt"}},
        {"2/#a\tb%25\nc\rd.txt", {2, 3, "http://h/x?a=%20#frag\tand\nmore"}},
        {"12345678_readme", {12345678, 0, "http://h/12345678/readme"}},
    };
    WriteAttachmentIndex(path, index);
    EXPECT_EQ(ReadAttachmentIndex(path), index);

    WriteFile(path, ReadFile(path) + "garbage\nx\t1\t2\n\n#c\t1\t2\tu\nname\tx\t0\tu\n");
    EXPECT_EQ(ReadAttachmentIndex(path), index);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    if (::access(path.c_str(), R_OK) != 0) {  // (not when the tests run with every right)
        EXPECT_THROW((void)ReadAttachmentIndex(path), EFileError);
    }
}

// Paths claimed by earlier runs hold: a run that covers other messages, in any order, never
// gives an attachment's path to another one, and an attachment gets its path again.
TEST_F(AttachmentIndexTest, ClaimsHoldFromRunToRun) {
    const std::string index = AttachmentIndexPath("u", "g");
    const std::string folder = Dir() + "Attachments/g/";
    const TAttachmentItem a{1, 0, "http://h/1/notes.txt"}, b{2, 0, "http://h/2/notes.txt"};
    {
        TAttachmentNames run(index, folder);
        EXPECT_EQ(run.Claim(folder + "notes.txt", b), folder + "notes.txt");
        run.Save();
    }
    TAttachmentNames later(index, folder);
    EXPECT_EQ(later.Claim(folder + "notes.txt", a), folder + "notes_0.txt");
    EXPECT_EQ(later.Claim(folder + "notes.txt", b), folder + "notes.txt");
}

class NoOwner : public ISiteOwner {
public:
    TFetch BrowserFetch(const std::string&) override { return {}; }
    bool BrowserClickElement(const std::string&, const std::string&) override { return false; }
    std::string BrowserLocation() override { return {}; }
    bool WaitThrottled(int) override { return false; }
};

class MessageFileLinksTest : public test::TempHomeTest {};

// The files of a message, in page order and each once: group attachments (also on a prefixed
// host, and in a group whose name holds "attach"), stored files, embedded pictures from other
// sites; not the group's other pages, outside links, mail links, or pictures of ignored sites.
TEST_F(MessageFileLinksTest, AttachedAndEmbeddedFilesInPageOrder) {
    TYahooDownloadOptions options;
    NoOwner owner;
    TYahooAttachmentDownload site(owner, 0, 0, false, options, "", "u", "AttachGroup");
    const std::string fs = "http://f1.grp.yahoofs.com/v1/T/.attach/3/";
    const std::string page =
        "<img src=\"http://us.i1.yimg.com/us.yimg.com/i/yg/img/logo.gif\">"
        "<a href=\"/group/AttachGroup/members?group=sub\">Members</a>"
        "<a href=\"/group/AttachGroup/attach/3/a.jpg\">a</a>"
        "<a href=\"" +
        fs +
        "b.pdf\">b</a>"
        "<a href=\"http://www.example.org/trails/c.jpg\">outside</a>"
        "<img src=\"http://www.example.org/d.png\">"
        "<IMG SRC=\"" +
        fs +
        "e.gif\">"
        "<a href=\"" +
        fs +
        "b.pdf\">b again</a>"
        "<a href=\"mailto:AttachGroup@yahoogroups.com\">mail</a>"
        "<a href=\"http://uk.groups.yahoo.com/group/AttachGroup/attach/3/f.doc\">f</a>"
        "<img src=\"http://rd.yahoo.com/ad.gif\">";
    const auto kept = MakePage("", 200, page);
    EXPECT_EQ(
        site.MessageFileLinks(*kept),
        (std::vector<std::string>{"http://groups.yahoo.com/group/AttachGroup/attach/3/a.jpg",
                                  fs + "b.pdf", "http://www.example.org/d.png", fs + "e.gif",
                                  "http://uk.groups.yahoo.com/group/AttachGroup/attach/3/f.doc"}));
}

}  // namespace
}  // namespace tessaly
