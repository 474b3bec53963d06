// The Files section's rules that need no service: how a folder page's links are sorted into
// subfolders and files, the extension filter, the save path of a file, and the Files index.
#include <gtest/gtest.h>

#include <filesystem>

#include "harvest/FDLItem.h"
#include "harvest/FilesIndex.h"
#include "harvest/YahooFiles.h"
#include "platform/SpecialFolders.h"
#include "settings/DownloadOptions.h"
#include "support/NoSiteOwner.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class FilesSiteTest : public test::TempHomeTest {
protected:
    TYahooDownloadOptions options_;
    test::NoSiteOwner owner_;
};

// The group is spelled in mixed case, as the service spells it: its subfolders are folders.
// A folder or file is taken once however it is spelled; the link back to the top folder and a
// sorted view of a folder page are neither; a link on the file store is a file even when it
// ends with "/", and folders lie on the groups host only.
TEST_F(FilesSiteTest, LinksSortIntoFoldersAndFilesOncePerRun) {
    TYahooFiles site(owner_, "MixedCaseGroup", "u", "p", options_, false);
    const std::string files = "http://groups.yahoo.com/group/MixedCaseGroup/files/";
    const std::string store = "http://f1.grp.yahoofs.com/v1/T/";
    std::vector<std::string> folders, found;
    site.SortLinks({files + "Sub%20Folder/", files, files + "?sort=date",
                    "http://GROUPS.yahoo.com/group/mixedcasegroup/files/sub%20folder/",
                    store + "readme.pdf", store + "README.PDF", store + "trailing/",
                    files + "notes", "http://www.example.org/group/MixedCaseGroup/files/x/",
                    "http://groups.yahoo.com/group/OtherGroup/files/Sub/"},
                   folders, found);
    EXPECT_EQ(folders, std::vector<std::string>{files + "Sub%20Folder/"});
    EXPECT_EQ(found, (std::vector<std::string>{store + "readme.pdf", store + "trailing/",
                                               files + "notes"}));
    // The lists live as long as the site object: a later page's links to them are dropped.
    site.SortLinks({files + "SUB%20FOLDER/", store + "readme.pdf", files + "Deeper/"}, folders,
                   found);
    EXPECT_EQ(folders, (std::vector<std::string>{files + "Sub%20Folder/", files + "Deeper/"}));

    EXPECT_EQ(site.FolderPathFromURL(files + "Sub%20Folder/Deeper/"), "/Sub%20Folder/Deeper/");
    EXPECT_EQ(site.FolderPathFromURL("http://groups.yahoo.com/group/mixedcasegroup/files/A/"),
              "/A/");
    EXPECT_EQ(site.FolderPathFromURL(files + "a.pdf"), "");
    EXPECT_EQ(site.FolderPathFromURL("http://uk.groups.yahoo.com/group/MixedCaseGroup/files/A/"),
              "");
}

TEST_F(FilesSiteTest, ExtensionFilter) {
    struct Case {
        const char* link;
        bool allFiles;  // boolDownloadAllFiles
        bool kept;
    };
    const Case cases[] = {
        {"http://f1.grp.yahoofs.com/v1/T/setup.EXE", true, false},  // checked in the exclude list
        {"http://f1.grp.yahoofs.com/v1/T/notes", true, true},       // no extension
        {"http://f1.grp.yahoofs.com/v1/T/notes", false, false},
        {"http://f1.grp.yahoofs.com/v1/T/map.gpx", true, true},
        {"http://f1.grp.yahoofs.com/v1/T/map.gpx", false, false},
        {"http://f1.grp.yahoofs.com/v1/T/report.pdf", false, true},       // checked to include
        {"http://f1.grp.yahoofs.com/v1/T/report.pdf?x=1", false, false},  // "PDF?X=1"
        {"http://f1.grp.yahoofs.com/v1/T/report.pdf?x=1", true, true},
        {"http://f1.grp.yahoofs.com/v1/T/minutes.doc", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.link) + (c.allFiles ? " all" : " listed"));
        options_.boolDownloadAllFiles = c.allFiles;
        TYahooFiles site(owner_, "g", "u", "p", options_, false);
        std::vector<std::string> links{c.link};
        site.FilterLinksByExtension(links);
        EXPECT_EQ(links.size(), c.kept ? 1u : 0u);
    }
}

// Whatever the service or the member names, the save path stays inside the group's Files
// folder and every segment is one a file system takes.
TEST_F(FilesSiteTest, SavePathsAreSafeSegments) {
    const std::string root = "/out/Files/g/";
    const std::string store = "http://f1.grp.yahoofs.com/v1/T/";
    struct Case {
        const char* name;    // the URL's last segment
        const char* folder;  // the folder path
        const char* path;    // under root
    };
    const Case cases[] = {
        {"a%3Ab%3F.txt", "/", "a_b%3F.txt"},
        {"a.doc", "/x*y/", "x%2Ay/a.doc"},
        {"a.doc", "/Minutes/", "Minutes/a.doc"},
        {"annual%20report.pdf", "/Maps%20%26%20Routes/", "Maps & Routes/annual report.pdf"},
        {"..%2F..%2Fescape.jpg", "/", "____escape.jpg"},
        {"%2E%2E", "/%2E%2E/", "_/_"},
        {"..%5C..%5Cback.jpg", "/..%5C..%5Cup/", "____up/____back.jpg"},
        {"nul%00byte.jpg", "/", "nul_byte.jpg"},
        {"trailing/", "/", "trailing"},
        {"report.pdf?x=1", "/../../etc/", "_/_/etc/report.pdf%3Fx=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TFDLItem::GetLinkFileName(store + c.name, c.folder, root),
                  root + std::string(c.path));
    }
    const std::string longName =
        TFDLItem::GetLinkFileName(store + std::string(300, 'n') + ".jpg", "/", root);
    // Room is left for the temporary written beside it: "." + name + ".tessaly-tmp-XXXXXX".
    EXPECT_EQ(fs::path(longName).filename().string().size(), 255u - 20u);
    EXPECT_TRUE(longName.ends_with(".jpg"));
}

// The index keeps one key per file and folder, reads back keys with "=" and keys too long for
// a line, and stays inside the settings folder whatever the member and group are called.
TEST_F(FilesSiteTest, IndexRecordsAndReadsBackEveryKey) {
    const std::string path = TFilesIndex::PathFor("demo_member", "DemoGroup");
    EXPECT_EQ(path, SettingsFolder() + "Files/demo_member/DemoGroup.ini");
    for (const auto& [user, group] : std::vector<std::pair<std::string, std::string>>{
             {"../..", "../../x"}, {"a/b", ".."}, {std::string(1, '\0'), std::string(400, 'g')}}) {
        const fs::path p = fs::path(TFilesIndex::PathFor(user, group)).lexically_normal();
        EXPECT_TRUE(p.string().starts_with(SettingsFolder() + "Files/")) << p;
        EXPECT_EQ(p.parent_path().parent_path().string() + "/", SettingsFolder() + "Files/");
        EXPECT_LE(p.filename().string().size(), 255u);
    }

    const std::string store = "http://f1.grp.yahoofs.com/v1/T/Odd%20Names/";
    const std::vector<std::string> urls{store + "report.pdf?x=1", store + "a.jpg",
                                        store + std::string(300, 'n') + ".jpg",
                                        store + "a.jpg"};  // twice: one entry
    EXPECT_EQ(TFilesIndex::KeyOf(urls[0]), "report.pdf?x%3D1");
    ASSERT_EQ(TFilesIndex::Record(path, "/Odd%20Names/", urls), "");
    ASSERT_EQ(TFilesIndex::Record(path, "/", {store + "top.pdf"}), "");
    TFilesIndex index(path);
    EXPECT_EQ(index.Failure(), "");
    for (const auto& url : urls) EXPECT_TRUE(index.Has("/Odd%20Names/", url)) << url;
    EXPECT_TRUE(index.Has("/", store + "top.pdf"));
    EXPECT_FALSE(index.Has("/", store + "a.jpg"));  // another folder
    EXPECT_FALSE(index.Has("/Odd%20Names/", store + "report.pdf?x=2"));
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("[/Odd%20Names/]\r\nreport.pdf?x%3D1=Y\r\na.jpg=Y\r\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("a.jpg=Y\r\na.jpg"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
