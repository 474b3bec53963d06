#pragma once
// Every test runs with HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR pointing into a
// temporary folder of its own and with no fixed waits, so no test touches the real home.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace tessaly::test {

// The process's Qt application object (an event loop for tests that need one), made once.
void EnsureQtApp();

// Runs the calling thread's event loop until `predicate` holds or `ms` milliseconds have passed;
// whether it holds at the end. The predicate is checked first, then at least every millisecond
// (also when it depends on other threads only). Makes the Qt application when there is none.
bool WaitFor(const std::function<bool()>& predicate, int ms);

// What SQLite's integrity check says of the database `file` ("ok" when it is whole), or why it
// could not be opened.
[[nodiscard]] std::string StoreIntegrity(const std::string& file);

class TempHomeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The test's own temporary folder, with a trailing "/".
    [[nodiscard]] const std::string& Dir() const { return dir_; }
    // Reads a whole file ("" when missing).
    [[nodiscard]] static std::string ReadFile(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& content);

private:
    std::string dir_;
};

}  // namespace tessaly::test
