#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <thread>

#include "config/ConfigExportImport.h"
#include "files/FolderCopy.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "registry/ProgramRegistry.h"
#include "registry/RegistryLayout.h"
#include "support/TestEnv.h"
#include "text/Scramble.h"
#include "threading/UiThread.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class ConfigTransferTest : public test::TempHomeTest {
protected:
    // Every regular file below `folder` with its content, by relative path.
    static std::map<std::string, std::string> Files(const std::string& folder) {
        std::map<std::string, std::string> out;
        if (!fs::exists(folder)) return out;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (e.symlink_status().type() == fs::file_type::regular)
                out[fs::relative(e.path(), folder).string()] = ReadFile(e.path().string());
        }
        return out;
    }
    static void Put(const std::string& path, const std::string& content) {
        fs::create_directories(fs::path(path).parent_path());
        WriteFile(path, content);
    }
    static RegValue Profile(const std::string& user) {
        return ThreadRegistry()
            .ReadValue(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kProfiles, user)
            .value_or(RegValue{});
    }
};

TEST_F(ConfigTransferTest, CopyOverwritesKeepsAndDescends) {
    const std::string from = Dir() + "from/", to = Dir() + "to/";
    Put(from + "Data/Options.ini", "new options");
    Put(from + "Data/Deep/er/index.ini", "deep");
    Put(from + "top.ygrp", "group list");
    Put(to + "Data/Options.ini", "old options");
    Put(to + "Data/mine.txt", "kept");
    const TFolderCopyReport report = CopyFolderTree(from, to);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(report.filesCopied, 3u);
    EXPECT_EQ(Files(to), (std::map<std::string, std::string>{{"Data/Options.ini", "new options"},
                                                             {"Data/Deep/er/index.ini", "deep"},
                                                             {"Data/mine.txt", "kept"},
                                                             {"top.ygrp", "group list"}}));
    // A missing source copies nothing and fails nothing.
    EXPECT_TRUE(CopyFolderTree(Dir() + "nowhere/", to).Complete());
}

TEST_F(ConfigTransferTest, CopySkipsLinksAndSpecialFilesAndTellsWhich) {
    const std::string from = Dir() + "from/", to = Dir() + "to/";
    Put(Dir() + "outside/secret.txt", "not for the copy");
    Put(from + "a.txt", "a");
    Put(from + "Sub/b.txt", "b");
    fs::create_symlink(Dir() + "outside/secret.txt", from + "link.txt");
    fs::create_directory_symlink(Dir() + "outside", from + "linked-folder");
    ASSERT_EQ(::mkfifo((from + "pipe").c_str(), 0600), 0);
    // A link in the target is never written through.
    Put(Dir() + "elsewhere/b.txt", "untouched");
    fs::create_directories(to);
    fs::create_directory_symlink(Dir() + "elsewhere", to + "Sub");

    const TFolderCopyReport report = CopyFolderTree(from, to);
    EXPECT_EQ(report.filesCopied, 1u);
    EXPECT_EQ(report.skipped, (std::vector<std::string>{from + "link.txt: a symbolic link",
                                                        from + "linked-folder: a symbolic link",
                                                        from + "pipe: a pipe"}));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].find("cannot copy into " + to + "Sub"), std::string::npos)
        << report.failures[0];
    EXPECT_EQ(ReadFile(Dir() + "elsewhere/b.txt"), "untouched");
    EXPECT_FALSE(fs::exists(to + "link.txt"));
    EXPECT_EQ(ReadFile(to + "a.txt"), "a");
}

TEST_F(ConfigTransferTest, OneFailedFileDoesNotStopTheRest) {
    const std::string from = Dir() + "from/", to = Dir() + "to/";
    Put(from + "a.txt", "a");
    Put(from + "clash", "a file where the target has a folder");
    Put(from + "z/deeper.txt", "z");
    fs::create_directories(to + "clash");
    const TFolderCopyReport report = CopyFolderTree(from, to);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].find("the target is a folder"), std::string::npos);
    EXPECT_EQ(ReadFile(to + "a.txt"), "a");
    EXPECT_EQ(ReadFile(to + "z/deeper.txt"), "z");
}

// The whole configuration goes out and comes back: the registry key with the scrambled login
// (whatever bytes it holds) and every file of the configuration folder.
TEST_F(ConfigTransferTest, ExportThenImportRestoresRegistryAndFiles) {
    const std::string config = ConfigurationFolder();
    Put(config + "Data/Options.ini", "[Download]\r\nintThreadCount=4\r\n");
    Put(config + "Data/Files/Index.ini", "index");
    StoreUserName("member\x01name");
    const std::string awkward = std::string("pa\0ss\r\n", 7);
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kProfiles,
                                "friend", RegValue::String(awkward));
    WriteDLMode(3);  // messages

    const std::string out = Dir() + "export/";
    const TConfigTransferReport exported =
        TYahooConfigExportImport::Run(config, TConfigDirection::Export, out);
    EXPECT_TRUE(exported.Complete()) << testing::PrintToString(exported.Lines());
    EXPECT_TRUE(exported.registryDone);
    EXPECT_TRUE(HoldsExportedConfiguration(out));
    EXPECT_EQ(fs::status(out + "registry.reg").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ThreadRegistry().DeleteKey(RegRoot::CurrentUser, reg::kKey);
    fs::remove_all(config);
    const TConfigTransferReport imported =
        TYahooConfigExportImport::Run(out, TConfigDirection::Import, config);
    EXPECT_TRUE(imported.Complete()) << testing::PrintToString(imported.Lines());
    EXPECT_EQ(StoredUserName(), "member\x01name");
    EXPECT_EQ(Profile("friend"), RegValue::String(awkward));
    EXPECT_EQ(ReadDLMode(), 3);
    EXPECT_EQ(ReadFile(config + "Data/Options.ini"), "[Download]\r\nintThreadCount=4\r\n");
    EXPECT_EQ(ReadFile(config + "Data/Files/Index.ini"), "index");
    EXPECT_TRUE(fs::exists(config + "registry.reg"));  // the import copies the whole folder

    // The registry.reg the import left in the configuration folder must not replace the next
    // export's own.
    StoreUserName("changed since");
    const std::string again = Dir() + "again/";
    EXPECT_TRUE(TYahooConfigExportImport::Run(config, TConfigDirection::Export, again).Complete());
    ThreadRegistry().DeleteKey(RegRoot::CurrentUser, reg::kKey);
    EXPECT_TRUE(TYahooConfigExportImport::Run(again, TConfigDirection::Import, config).Complete());
    EXPECT_EQ(StoredUserName(), "changed since");
}

// With the configuration folder and the registry store's folder one (XDG_DATA_HOME =
// XDG_CONFIG_HOME), the transfer neither copies the open store nor copies over it: the key
// travels as registry.reg, and an open and close of the store's files by the copy would drop
// the locks of this process's connections.
TEST_F(ConfigTransferTest, TheStoreItselfIsNeverCopiedNorCopiedOver) {
    ::setenv("XDG_DATA_HOME", (Dir() + "config").c_str(), 1);
    const std::string config = ConfigurationFolder();
    ASSERT_EQ(config, PrivateStateFolder());
    Put(config + "Data/Options.ini", "options");
    StoreUserName("someone");
    ASSERT_TRUE(fs::exists(DefaultRegistryFile() + "-wal"));  // a connection is open

    const std::string out = Dir() + "export/";
    const TConfigTransferReport exported =
        TYahooConfigExportImport::Run(config, TConfigDirection::Export, out);
    EXPECT_TRUE(exported.Complete()) << testing::PrintToString(exported.Lines());
    std::vector<std::string> names;
    for (const auto& [name, content] : Files(out)) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Data/Options.ini", "registry.reg"}));

    // An exported folder that holds a store (copied there by hand, say) leaves the open one be.
    Put(out + "registry.sqlite3", std::string(4096, 'x'));
    Put(out + "registry.sqlite3-wal", std::string(4096, 'y'));
    StoreUserName("changed since");
    const TConfigTransferReport imported =
        TYahooConfigExportImport::Run(out, TConfigDirection::Import, config);
    EXPECT_TRUE(imported.Complete()) << testing::PrintToString(imported.Lines());
    EXPECT_EQ(StoredUserName(), "someone");  // from registry.reg, into the sound store
    EXPECT_NE(ReadFile(DefaultRegistryFile()), std::string(4096, 'x'));
}

TEST_F(ConfigTransferTest, FailuresAreCollectedAndTheOtherStepStillRuns) {
    const std::string config = ConfigurationFolder();
    Put(config + "Data/Options.ini", "options");
    StoreUserName("someone");
    const std::string out = Dir() + "export/";
    fs::create_directories(out + "registry.reg");  // the registry file cannot be written
    const TConfigTransferReport exported =
        TYahooConfigExportImport::Run(config, TConfigDirection::Export, out);
    ASSERT_EQ(exported.failures.size(), 1u);
    EXPECT_EQ(exported.failures[0].rfind("The registry could not be exported", 0), 0u)
        << exported.failures[0];
    EXPECT_FALSE(exported.registryDone);
    EXPECT_EQ(ReadFile(out + "Data/Options.ini"), "options");  // the copy still ran

    // A broken registry.reg: the values before the bad line are in, the files still copied.
    const std::string in = Dir() + "import/";
    Put(in + "registry.reg",
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tessaly2]\r\n\"StartValue\"=\"2\"\r\n"
        "oops\r\n");
    Put(in + "Data/extra.ygrp", "list");
    const TConfigTransferReport imported =
        TYahooConfigExportImport::Run(in, TConfigDirection::Import, config);
    ASSERT_EQ(imported.failures.size(), 1u);
    EXPECT_EQ(imported.failures[0], "The registry could not be imported from " + in +
                                        "registry.reg: Syntax error in reg file " + in +
                                        "registry.reg at line 4");
    EXPECT_EQ(ThreadRegistry().ReadValue(RegRoot::CurrentUser, reg::kKey, reg::kStartValue),
              RegValue::String("2"));
    EXPECT_EQ(ReadFile(config + "Data/extra.ygrp"), "list");
}

TEST_F(ConfigTransferTest, RefusesToCopyAFolderIntoItself) {
    const std::string config = ConfigurationFolder();
    Put(config + "Data/Options.ini", "options");
    const TConfigTransferReport report =
        TYahooConfigExportImport::Run(config, TConfigDirection::Export, config + "Backup");
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].find("lies inside"), std::string::npos);
    EXPECT_FALSE(fs::exists(config + "Backup/Data"));
    EXPECT_TRUE(fs::exists(config + "Backup/registry.reg"));  // the registry step still ran
}

TEST_F(ConfigTransferTest, TheThreadSetsItsDoneFlagOnTheUserInterfaceThread) {
    test::EnsureQtApp();
    Put(ConfigurationFolder() + "Data/Options.ini", "options");
    TUiThread ui;
    const auto uiThread = std::this_thread::get_id();
    std::thread::id endedOn;
    TYahooConfigExportImport transfer(ConfigurationFolder(), TConfigDirection::Export,
                                      Dir() + "out", &ui);
    transfer.OnTerminate = [&] { endedOn = std::this_thread::get_id(); };
    EXPECT_FALSE(transfer.Done());
    transfer.Start();
    ASSERT_TRUE(test::WaitFor([&] { return transfer.Done(); }, 10000));
    EXPECT_EQ(endedOn, uiThread);
    EXPECT_TRUE(transfer.Report().Complete());
    EXPECT_EQ(ReadFile(Dir() + "out/Data/Options.ini"), "options");
}

}  // namespace
}  // namespace tessaly
