// End-to-end runs of tessaly-cli's configuration commands (export-config, import-config,
// check-update), its --version, its completion script and manual page.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <regex>
#include <set>

#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "platform/TemporaryFiles.h"
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

// A registry.reg that does not check out is reported with its line and the failing status;
// a malformed byte list is no longer stored as some other bytes, and a key nested beyond the
// limit (which made every later export take hours) imports nothing at all.
TEST_F(ConfigCliTest, ARegistryFileThatDoesNotCheckOutIsReported) {
    struct Case {
        const char* what;
        std::string line;  // the fourth line, after a value that is fine
        std::string error;
    };
    const std::string file = Dir() + "in/registry.reg";
    std::string deep = "[HKEY_CURRENT_USER\\Software\\Tessaly2";
    for (int i = 0; i < 600; ++i) deep += "\\k";
    const std::vector<Case> cases = {
        {"a byte of one digit", "\"bad\"=hex:4", "Syntax error in reg file " + file + " at line 3"},
        {"a byte of three digits", "\"bad\"=hex:41,424",
         "Syntax error in reg file " + file + " at line 3"},
        {"bytes without commas", "\"bad\"=hex:41424344",
         "Syntax error in reg file " + file + " at line 3"},
        {"a byte that is no number", "\"bad\"=hex:zz,41",
         "Syntax error in reg file " + file + " at line 3"},
        {"a typed byte list with a short byte", "\"bad\"=hex(1):41,4",
         "Syntax error in reg file " + file + " at line 3"},
        {"a key too deep", deep + "]",
         "The key at line 3 of reg file " + file +
             " is nested deeper than 512 levels: nothing was imported"},
    };
    const std::string key = reg::kKey;
    for (const auto& c : cases) {
        ThreadRegistry().DeleteKey(RegRoot::CurrentUser, key);
        Put(file, "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Tessaly2]\r\n\"fine\"=\"1\"\r\n" +
                      c.line + "\r\n");
        const CliRun run = Run({"import-config", Dir() + "in"});
        EXPECT_EQ(run.status, 9) << c.what;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.what << ": " << run.err;
        EXPECT_FALSE(ThreadRegistry().ReadValue(RegRoot::CurrentUser, key, "bad")) << c.what;
    }
    // Nothing of the file that was refused whole.
    EXPECT_FALSE(ThreadRegistry().ReadValue(RegRoot::CurrentUser, key, "fine"));
}

// A file of `size` bytes `c`.
void Fill(const std::string& path, std::size_t size, char c) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string block(std::size_t{1} << 20, c);
    for (std::size_t left = size; left > 0; left -= std::min(left, block.size()))
        out.write(block.data(), static_cast<std::streamsize>(std::min(left, block.size())));
}

// What a file holds: "N x C" when it is N bytes of one character C, else its size.
std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string block(std::size_t{1} << 20, '\0');
    std::size_t size = 0;
    char first = 0;
    bool same = true;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        if (size == 0) first = block[0];
        same = same &&
               std::string_view(block.data(), n).find_first_not_of(first) == std::string_view::npos;
        size += n;
    }
    return std::to_string(size) + (size > 0 && same ? std::string(" x ") + first : " bytes");
}

// The program's temporaries below a folder.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (IsOwnTemporaryName(e.path().filename().string())) found.push_back(e.path().string());
    }
    return found;
}

// export-config and import-config killed (SIGKILL) at random moments with a large file in the
// folder: every file under its name is the old one or the new one whole, never a part, and the
// next run leaves no temporary behind.
TEST_F(ConfigCliTest, KilledTransfersLeaveTheOldFileOrTheNew) {
    constexpr std::size_t kOld = 40u << 20, kNew = 64u << 20;
    const std::string saved = Dir() + "saved/";
    const std::string huge = "Data/Huge.ini";
    Fill(ConfigurationFolder() + huge, kNew, 'N');
    Fill(saved + huge, kOld, 'O');
    Put(ConfigurationFolder() + "Data/Options.ini", "new options");
    Put(saved + "Data/Options.ini", "old options");
    StoreUserName("demo_member");

    const char* given = std::getenv("TESSALY_KILL_SEED");
    const std::uint64_t seed =
        given != nullptr ? std::strtoull(given, nullptr, 10) : std::random_device{}();
    std::cout << "kill moments from seed " << seed << " (TESSALY_KILL_SEED=" << seed
              << " repeats them)" << std::endl;
    std::mt19937_64 rng(seed);
    // Kills spread over the length of a whole run, measured first (the shorter of two runs).
    auto killAt = [&](const std::vector<std::string>& args, int latestMs) {
        const int at = std::uniform_int_distribution<int>(0, latestMs)(rng);
        bool killed = false;
        (void)test::RunCli(TESSALY_CLI_BINARY, args, "", [&](pid_t pid) {
            if (!test::ExitsWithin(pid, at)) {
                ::kill(pid, SIGKILL);
                killed = true;
            }
        });
        return std::to_string(at) + " ms" + (killed ? "" : " (ended first)");
    };
    auto length = [&](const std::vector<std::string>& args) {
        int shortest = 0;
        for (int i = 0; i < 2; ++i) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(Run(args).status, 0);
            const auto ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - start)
                                                 .count());
            shortest = i == 0 ? ms : std::min(shortest, ms);
        }
        return shortest;
    };

    // Export over an older export.
    const std::string oldRegistry = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n\r\n";
    Put(saved + "registry.reg", oldRegistry);
    const std::vector<std::string> exportArgs{"export-config", saved};
    const int exportMs = length(exportArgs);
    const std::string newRegistry = ReadFile(saved + "registry.reg");
    for (int k = 0; k < 8; ++k) {
        Fill(saved + huge, kOld, 'O');
        Put(saved + "registry.reg", oldRegistry);
        const std::string when = "export killed at " + killAt(exportArgs, exportMs);
        std::cout << when << std::endl;
        const std::string content = Content(saved + huge);
        EXPECT_TRUE(content == "41943040 x O" || content == "67108864 x N")
            << when << ": " << content;
        const std::string registry = ReadFile(saved + "registry.reg");
        EXPECT_TRUE(registry == oldRegistry || registry == newRegistry) << when;
        const std::string options = ReadFile(saved + "Data/Options.ini");
        EXPECT_TRUE(options == "old options" || options == "new options") << when;
    }
    EXPECT_EQ(Run(exportArgs).status, 0);
    EXPECT_EQ(Content(saved + huge), "67108864 x N");
    EXPECT_EQ(Temporaries(saved), std::vector<std::string>{});

    // Import over the live configuration.
    Fill(saved + huge, kOld, 'I');
    const std::vector<std::string> importArgs{"import-config", saved};
    const int importMs = length(importArgs);
    for (int k = 0; k < 8; ++k) {
        Fill(ConfigurationFolder() + huge, kNew, 'N');
        const std::string when = "import killed at " + killAt(importArgs, importMs);
        std::cout << when << std::endl;
        const std::string content = Content(ConfigurationFolder() + huge);
        EXPECT_TRUE(content == "67108864 x N" || content == "41943040 x I")
            << when << ": " << content;
    }
    EXPECT_EQ(Run(importArgs).status, 0);
    EXPECT_EQ(Content(ConfigurationFolder() + huge), "41943040 x I");
    EXPECT_EQ(Temporaries(ConfigurationFolder()), std::vector<std::string>{});
    // The registry store the killed imports were writing is whole.
    EXPECT_EQ(test::StoreIntegrity(DefaultRegistryFile()), "ok");
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
