#include <gtest/gtest.h>

#include <filesystem>

#include "files/GeneralUtils.h"
#include "platform/SpecialFolders.h"
#include "settings/DownloadOptions.h"
#include "settings/SettingsFileEx.h"
#include "status/DownloadStatus.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class DownloadOptionsTest : public test::TempHomeTest {
protected:
    void WriteOptions(const std::string& downloadKeys, const std::string& more = "") {
        WriteFile(TYahooDownloadOptions::FileName(), "[Download]\n" + downloadKeys + more);
    }
};

TEST_F(DownloadOptionsTest, DefaultsAndTheFileSaveWrites) {
    EXPECT_EQ(TYahooDownloadOptions::FileName(), Dir() + "data/Tessaly2/Data/Options.ini");
    TYahooDownloadOptions o;
    ASSERT_TRUE(o.Load());
    EXPECT_FALSE(std::filesystem::exists(TYahooDownloadOptions::FileName()));
    EXPECT_EQ(o.strSaveDir, Dir() + "home/Yahoo Groups Files/");
    EXPECT_EQ(o.intThreadCount, 1);
    EXPECT_EQ(o.intTimeOut, 60);
    EXPECT_EQ(o.intDownloadDelay, 30);
    EXPECT_EQ(o.fileNameFormatObj, 4);
    EXPECT_TRUE(o.boolIgnoreDuplicated);
    EXPECT_EQ(o.IncludeExtensions.size(), 39u);
    EXPECT_EQ(o.IncludeExtensions.front(), "C:BMP");
    EXPECT_EQ(o.ExcludeExtensions.size(), 22u);
    EXPECT_EQ(o.ExcludeExtensions.back(), "C:DOC");
    EXPECT_EQ(o.IgnoreEmbbededSites.size(), 21u);
    EXPECT_EQ(o.IgnoreEmbbededSites[8], "javascript");
    EXPECT_EQ(o.AutoClickButtons,
              std::vector<std::string>{"http://groups.yahoo.com/adultconf     I Accept"});
    EXPECT_EQ(o.strAutoLoginURL, "http://login.yahoo.com");
    EXPECT_EQ(o.strAutoLoginErrorURL, "login.yahoo.com/config/login");
    EXPECT_EQ(o.strSucessWaveFile, ProgramFolder() + "ok.wav");
    EXPECT_EQ(o.CurrentSection(), 0);

    ASSERT_TRUE(o.Save());
    TSettingsFileEx ini(TYahooDownloadOptions::FileName());
    std::vector<std::string> keys, sections;
    ini.ReadSection("Download", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"strSaveDir",
                                              "boolDebugDownloads",
                                              "boolAllowOverwrite",
                                              "boolUseMessageDateFormat",
                                              "boolIgnoreDuplicated",
                                              "intThreadCount",
                                              "intTimeOut",
                                              "boolEnableDownloadDelay",
                                              "intDownloadDelay",
                                              "boolGrabOtherGroups",
                                              "boolGrabOtherURLs",
                                              "fileNameFormatObj",
                                              "boolDownloadAllFiles",
                                              "boolEnableAutoClick",
                                              "strAutoLoginURL",
                                              "strAutoLoginErrorURL",
                                              "strAutoLoginUserName",
                                              "strAutoLoginPassword",
                                              "strAutoLoginSavePassword",
                                              "strAutoLoginSignInName",
                                              "boolEnableSoundEvents",
                                              "strSucessWaveFile",
                                              "strErrorWaveFile",
                                              "strUpdateServer"}));
    ini.ReadSections(sections);
    EXPECT_EQ(sections,
              (std::vector<std::string>{"Download", "IgnoreEmbbededSites", "AutoClickButtons",
                                        "IncludeExtensions", "ExcludeExtensions"}));
    EXPECT_EQ(ini.ReadInteger("IgnoreEmbbededSites", "Count", 0), 21);
    EXPECT_EQ(ini.ReadString("AutoClickButtons", "1", ""), o.AutoClickButtons[0]);
    EXPECT_EQ(ini.ReadString("Download", "boolIgnoreDuplicated", ""), "1");
}

TEST_F(DownloadOptionsTest, LoadClampsAndMaps) {
    struct Case {
        const char* line;
        int threads, timeout, delay, format;
    };
    const Case cases[] = {
        {"intThreadCount=0\nintTimeOut=5\nintDownloadDelay=1\nfileNameFormatObj=7\n", 1, 10, 10, 1},
        {"intThreadCount=15\nintTimeOut=500\nintDownloadDelay=1000\nfileNameFormatObj=0\n", 9, 120,
         500, 0},
        {"intThreadCount=abc\nintTimeOut=\nfileNameFormatObj=x\n", 3, 45, 30, 4},
        {"fileNameFormatObj=2\n", 3, 45, 30, 2},
        {"", 3, 45, 30, 4},
    };
    for (const Case& c : cases) {
        WriteOptions(c.line);
        TYahooDownloadOptions o;
        o.intThreadCount = 3;  // a value held before the load
        o.intTimeOut = 45;
        o.fileNameFormatObj = 3;
        o.Load();
        EXPECT_EQ(o.intThreadCount, c.threads) << c.line;
        EXPECT_EQ(o.intTimeOut, c.timeout) << c.line;
        EXPECT_EQ(o.intDownloadDelay, c.delay) << c.line;
        EXPECT_EQ(o.fileNameFormatObj, c.format) << c.line;
    }
}

TEST_F(DownloadOptionsTest, LoadTextsBooleansAndLists) {
    WriteOptions(
        "strSaveDir=\nboolDebugDownloads=2\nboolGrabOtherURLs=0\nstrAutoLoginUserName=\n"
        "strAutoLoginPassword=pw\nstrSucessWaveFile=\n",
        "[IgnoreEmbbededSites]\nCount=2\n1=alpha\n2=Beta/\n[AutoClickButtons]\nCount=0\n"
        "[IncludeExtensions]\nCount=2\n1=c:jpg\n2=png\n");
    TYahooDownloadOptions o;
    o.Load();
    EXPECT_EQ(o.strSaveDir, DefaultOutputFolder());
    EXPECT_TRUE(o.boolDebugDownloads);
    EXPECT_FALSE(o.boolGrabOtherURLs);
    EXPECT_EQ(o.strAutoLoginUserName, "login");
    EXPECT_EQ(o.strAutoLoginPassword, "pw");
    EXPECT_EQ(o.strSucessWaveFile, "");
    EXPECT_EQ(o.strErrorWaveFile, ProgramFolder() + "error.wav");
    EXPECT_EQ(o.IgnoreEmbbededSites, (std::vector<std::string>{"ALPHA", "BETA/"}));
    EXPECT_EQ(o.AutoClickButtons.size(), 1u);
    EXPECT_EQ(o.AutoClickButtons[0], "HTTP://GROUPS.YAHOO.COM/ADULTCONF     I ACCEPT");
    EXPECT_EQ(o.IncludeExtensions, (std::vector<std::string>{"C:JPG", "PNG"}));
    EXPECT_TRUE(ChecklistEntryChecked(o.IncludeExtensions[0]));
    EXPECT_FALSE(ChecklistEntryChecked(o.IncludeExtensions[1]));
    EXPECT_EQ(ChecklistEntryExtension("C:JPG"), "JPG");
    EXPECT_EQ(o.ExcludeExtensions.size(), 22u);
}

TEST_F(DownloadOptionsTest, SaveClampsTheObjectAndKeepsForeignContent) {
    WriteOptions("custom=keep me\nintThreadCount=2\n", "[Mine]\nx=1\n");
    TYahooDownloadOptions o;
    o.Load();
    o.intThreadCount = 20;
    o.intTimeOut = 1;
    o.fileNameFormatObj = 9;
    o.strSaveDir = "/tmp/out/";
    o.Save();
    EXPECT_EQ(o.intThreadCount, 9);
    EXPECT_EQ(o.intTimeOut, 10);
    TSettingsFileEx ini(TYahooDownloadOptions::FileName());
    EXPECT_EQ(ini.ReadString("Download", "intThreadCount", ""), "9");
    EXPECT_EQ(ini.ReadString("Download", "fileNameFormatObj", ""), "0");
    EXPECT_EQ(ini.ReadString("Download", "custom", ""), "keep me");
    EXPECT_EQ(ini.ReadString("Mine", "x", ""), "1");
    std::vector<std::string> keys;
    ini.ReadSection("Download", keys);
    EXPECT_EQ(keys.front(), "custom");  // present keys keep their place

    TYahooDownloadOptions again;
    again.Load();
    EXPECT_EQ(again.strSaveDir, "/tmp/out/");
    EXPECT_EQ(again.intThreadCount, 9);
}

TEST_F(DownloadOptionsTest, StatusNames) {
    EXPECT_EQ(StatusName(dsWithoutDups), "W/O Dups");
    EXPECT_EQ(StatusName(dsOk), "Ok");
    EXPECT_EQ(StatusName(dsWaiting), "Waiting");
    EXPECT_EQ(StatusName(dsWrongPassword), "Wrong Password");
    EXPECT_EQ(StatusName(14), "");
    EXPECT_EQ(StatusName(-1), "");
}

TEST_F(DownloadOptionsTest, SaveDebugListOnlyWhenDebugging) {
    TYahooDownloadOptions o;
    TGeneralUtils utils(o);
    utils.SaveDebugList("login.html", {"<html>", "</html>"});
    EXPECT_FALSE(std::filesystem::exists(DebugFolder()));
    o.boolDebugDownloads = true;
    utils.SaveDebugList("login.html", {"<html>", "</html>"});
    EXPECT_EQ(ReadFile(DebugFolder() + "login.html"), "<html>\r\n</html>\r\n");
    utils.SaveDebugList("../../escape.html", {"x"});
    EXPECT_TRUE(std::filesystem::exists(DebugFolder() + "escape.html"));
    EXPECT_FALSE(std::filesystem::exists(Dir() + "escape.html"));
}

}  // namespace
}  // namespace tessaly
