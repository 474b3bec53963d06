#pragma once
// The end-to-end fixture of the download sections: the simulated service on loopback, the demo
// member signed in with tessaly-cli (pacing 0), and runs of tessaly-cli as its own process.
// Header only: TESSALY_CLI_BINARY is a definition of the end-to-end test program.

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/RunLock.h"
#include "support/CliRunner.h"
#include "support/SimFixture.h"

namespace tessaly::test {

class CliSectionTest : public SimServiceTest {
protected:
    void SetUp() override {
        SimServiceTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
        ASSERT_EQ(Run({"login", "--user", "demo_member", "--password-stdin", "--refresh"}).status,
                  0);
    }

    // Runs tessaly-cli with `args`, the password on standard input; `onStart` is told the
    // program's process id once it runs.
    CliRun Run(const std::vector<std::string>& args,
               const std::function<void(pid_t)>& onStart = {}) {
        return RunCli(TESSALY_CLI_BINARY, args, "tessaly-demo", onStart);
    }
    // `download --section SECTION --out Out()` with `args`.
    CliRun Download(const std::string& section, const std::vector<std::string>& args,
                    const std::function<void(pid_t)>& onStart = {}) {
        std::vector<std::string> all{"download", "--password-stdin", "--section", section, "--out",
                                     Out()};
        all.insert(all.end(), args.begin(), args.end());
        return Run(all, onStart);
    }

    std::string Out() const { return Dir() + "out/"; }
    // Every file under `folder`, by its path relative to it; not the run's hold on an output
    // folder, which is no download.
    static std::map<std::string, std::string> Tree(const std::string& folder) {
        namespace fs = std::filesystem;
        std::map<std::string, std::string> files;
        if (!fs::exists(folder)) return files;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (e.is_regular_file() && e.path().filename() != kRunLockName)
                files[fs::relative(e.path(), folder).string()] = ReadFile(e.path().string());
        }
        return files;
    }
};

}  // namespace tessaly::test
