// End-to-end runs of tessaly-cli's configuration commands (export-config, import-config,
// check-update), its --version, its completion script and manual page.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "registry/ProgramRegistry.h"
#include "registry/RegistryLayout.h"
#include "service/ServiceHosts.h"
#include "support/CliRunner.h"
#include "support/SimFixture.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

using test::CliRun;

class ConfigCliTest : public test::SimServiceTest {
protected:
    void SetUp() override {
        test::SimServiceTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
    }
    static CliRun Run(const std::vector<std::string>& args) {
        return test::RunCli(TESSALY_CLI_BINARY, args, "");
    }
    static void Put(const std::string& path, const std::string& content) {
        fs::create_directories(fs::path(path).parent_path());
        WriteFile(path, content);
    }
};

TEST_F(ConfigCliTest, ExportAndImportCarryTheConfiguration) {
    Put(ConfigurationFolder() + "Data/Options.ini", "[Download]\r\nintThreadCount=3\r\n");
    StoreUserName("demo_member");
    ThreadRegistry().WriteValue(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kProfiles,
                                "friend", RegValue::String(std::string("\0\n\r", 3)));

    const CliRun out = Run({"export-config", Dir() + "saved"});
    EXPECT_EQ(out.status, 0) << out.err;
    EXPECT_NE(out.out.find("Exported the configuration to " + Dir() + "saved/"), std::string::npos);

    ThreadRegistry().DeleteKey(RegRoot::CurrentUser, reg::kKey);
    fs::remove_all(ConfigurationFolder());
    const CliRun in = Run({"import-config", Dir() + "saved"});
    EXPECT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(StoredUserName(), "demo_member");
    EXPECT_EQ(ThreadRegistry().ReadValue(RegRoot::CurrentUser,
                                         std::string(reg::kKey) + reg::kProfiles, "friend"),
              RegValue::String(std::string("\0\n\r", 3)));
    EXPECT_EQ(ReadFile(ConfigurationFolder() + "Data/Options.ini"),
              "[Download]\r\nintThreadCount=3\r\n");
}

TEST_F(ConfigCliTest, WhatCouldNotBeTransferredIsReportedWithAFailingStatus) {
    Put(ConfigurationFolder() + "Data/Options.ini", "options");
    fs::create_directories(Dir() + "saved/registry.reg");  // a folder where the file should go
    const CliRun out = Run({"export-config", Dir() + "saved"});
    EXPECT_EQ(out.status, 9);
    EXPECT_NE(out.err.find("tessaly-cli: The registry could not be exported"), std::string::npos)
        << out.err;
    EXPECT_NE(out.err.find("the configuration was not transferred completely"), std::string::npos);
    EXPECT_EQ(ReadFile(Dir() + "saved/Data/Options.ini"), "options");

    Put(Dir() + "file", "not a folder");
    EXPECT_EQ(Run({"export-config", Dir() + "file/sub"}).status, 7);

    Put(Dir() + "bad/registry.reg", "REGEDIT4\r\n[hkey_current_user\\Software\\Tessaly2]\r\n");
    const CliRun bad = Run({"import-config", Dir() + "bad"});
    EXPECT_EQ(bad.status, 9);
    EXPECT_NE(bad.err.find("Syntax error in reg file " + Dir() + "bad/registry.reg at line 1"),
              std::string::npos)
        << bad.err;
}

TEST_F(ConfigCliTest, ImportRefusesAFolderThatHoldsNoExport) {
    Put(ConfigurationFolder() + "Data/Options.ini", "mine");
    Put(Dir() + "random/Data/Options.ini", "someone else's");
    const CliRun run = Run({"import-config", Dir() + "random"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("holds no exported configuration (registry.reg is missing)"),
              std::string::npos);
    EXPECT_EQ(ReadFile(ConfigurationFolder() + "Data/Options.ini"), "mine");
    EXPECT_EQ(Run({"import-config", Dir() + "nowhere"}).status, 2);
    EXPECT_EQ(Run({"import-config"}).status, 2);
}

TEST_F(ConfigCliTest, CheckUpdateTellsTheResult) {
    Service().SetUpdateFile({"2.10", "A better archive", "https://downloads.example.org/", ""});
    const CliRun newer = Run({"check-update"});
    EXPECT_EQ(newer.status, 0) << newer.err;
    EXPECT_EQ(newer.out,
              "Installed Version : 2\nCurrent Version : 2.10 (new)\nNew Version Available : \n \n"
              "A better archive\nUpdate Site : https://downloads.example.org/\n");

    // The server comes from the options unless --server names one.
    Put(SettingsFolder() + "Options.ini", "[Download]\r\nstrUpdateServer=no-such-host.example\r\n");
    const CliRun failed = Run({"check-update"});
    EXPECT_EQ(failed.status, 10);
    // The log ends with exactly the two failure lines.
    EXPECT_EQ(failed.out,
              "Installed Version : 2\nCheck Updates Failed.\n"
              "Please check https://tessaly.example/ for updates.\n");
    EXPECT_NE(failed.err.find("http://no-such-host.example/updates/ovupdate.ini"),
              std::string::npos);
    EXPECT_EQ(Run({"check-update", "--server", hosts::kUpdateServer}).status, 0);
}

TEST_F(ConfigCliTest, BothProgramsTellTheirVersion) {
    const CliRun cli = Run({"--version"});
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, std::string("tessaly-cli ") + TESSALY_TEST_PROJECT_VERSION + "\n");
    const CliRun sim = test::RunCli(GROUPSIM_BINARY, {"--version"}, "");
    EXPECT_EQ(sim.status, 0);
    EXPECT_EQ(sim.out, std::string("tessaly-groupsim ") + TESSALY_TEST_PROJECT_VERSION + "\n");
#ifdef TESSALY_CLI_MAN_PAGE
    // The manual page is made from the same help.
    const std::string page = ReadFile(TESSALY_CLI_MAN_PAGE);
    EXPECT_NE(page.find("export\\-config"), std::string::npos);
    EXPECT_NE(page.find(TESSALY_TEST_PROJECT_VERSION), std::string::npos);
#endif
}

// The completion offers exactly the commands and options the program's help lists.
TEST_F(ConfigCliTest, CompletionKnowsEveryCommandAndOption) {
    const std::regex option("(--[a-z][a-z-]*)");
    auto optionsOf = [&](const std::string& help) {
        std::set<std::string> found;
        for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
             it != std::sregex_iterator(); ++it)
            found.insert((*it)[1]);
        return found;
    };
    auto complete = [](const std::string& words) {
        // COMP_WORDS as bash fills it: the words typed so far and the one being completed.
        const CliRun r =
            test::RunCli("/bin/bash",
                         {"-c", "source '" TESSALY_CLI_COMPLETION "'; COMP_WORDS=(" + words +
                                    "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tessaly_cli; "
                                    "printf '%s\\n' \"${COMPREPLY[@]}\""},
                         "");
        std::set<std::string> out;
        std::size_t i = 0;
        while (i < r.out.size()) {
            const auto end = r.out.find('\n', i);
            if (end > i) out.insert(r.out.substr(i, end - i));
            i = end + 1;
        }
        return out;
    };
    const std::set<std::string> commands = {"login",         "groups",        "download",
                                            "export-config", "import-config", "check-update"};
    std::set<std::string> expected = commands;
    expected.insert({"--help", "--version"});
    EXPECT_EQ(complete("tessaly-cli ''"), expected);
    for (const auto& command : commands) {
        std::set<std::string> help = optionsOf(Run({command, "--help"}).out);
        EXPECT_EQ(complete("tessaly-cli " + command + " --"), help) << command;
    }
    EXPECT_EQ(complete("tessaly-cli download --section ph"), std::set<std::string>{"photos"});
}

}  // namespace
}  // namespace tessaly
