#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "harvest/Sounds.h"
#include "settings/DownloadOptions.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class SoundsTest : public test::TempHomeTest {
protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        oldPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        // A player of our own that records what it was asked to play, after a moment, so the
        // test can tell that playing waits for it.
        WriteFile(Dir() + "bin/paplay",
                  "#!/bin/sh\nsleep 0.2\necho \"$1\" >> \"" + Dir() + "played\"\n");
        ::chmod((Dir() + "bin/paplay").c_str(), 0755);
        ::setenv("PATH", (Dir() + "bin:" + oldPath_).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", oldPath_.c_str(), 1);
        TempHomeTest::TearDown();
    }
    std::string oldPath_;
};

TEST_F(SoundsTest, PlaysSynchronouslyOnlyWhenEnabledAndPresent) {
    TYahooDownloadOptions options;
    options.strErrorWaveFile = Dir() + "error.wav";
    options.strSucessWaveFile = Dir() + "missing.wav";
    WriteFile(options.strErrorWaveFile, "RIFF");

    PlayErrorSound(options);
    EXPECT_EQ(ReadFile(Dir() + "played"),
              options.strErrorWaveFile + "\n");  // finished before returning
    PlaySuccessSound(options);                   // the file is missing: nothing is played
    options.boolEnableSoundEvents = false;
    PlayErrorSound(options);
    EXPECT_EQ(ReadFile(Dir() + "played"), options.strErrorWaveFile + "\n");
    EXPECT_FALSE(PlayWaveFile(""));
}

}  // namespace
}  // namespace tessaly
