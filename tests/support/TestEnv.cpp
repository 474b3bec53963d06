#include "support/TestEnv.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Pacing.h"

namespace tessaly::test {

void EnsureQtApp() {
    if (QCoreApplication::instance() != nullptr) return;  // a GUI test program made its own
    static int argc = 1;
    static char name[] = "tessaly_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

bool WaitFor(const std::function<bool()>& predicate, int ms) {
    if (predicate()) return true;
    if (QCoreApplication::instance() == nullptr) EnsureQtApp();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (predicate()) loop.quit();
    });
    poll.start(1);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { loop.exit(1); });
    limit.start(ms);
    return loop.exec() == 0 || predicate();
}

namespace {

std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern + "/";
}

void PointEnvironmentAt(const std::string& dir) {
    for (const char* sub : {"home", "data", "config", "run"})
        std::filesystem::create_directories(dir + sub);
    ::setenv("HOME", (dir + "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir + "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir + "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (dir + "run").c_str(), 1);
}

// Before any test: a process-wide temporary home, so even code run outside a fixture never
// reaches the real one.
class ProcessEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = MakeTempDir();
        PointEnvironmentAt(dir_);
        ::setenv("TESSALY_PACE", "0", 1);
        PacingClock::SetScale(0);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

private:
    std::string dir_;
};

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProcessEnvironment);

}  // namespace

void TempHomeTest::SetUp() {
    dir_ = MakeTempDir();
    PointEnvironmentAt(dir_);
    PacingClock::SetScale(0);
}

void TempHomeTest::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string TempHomeTest::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void TempHomeTest::WriteFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string StoreIntegrity(const std::string& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::string why = "cannot open " + file + ": " + sqlite3_errmsg(db);
        sqlite3_close(db);
        return why;
    }
    std::string result;
    char* error = nullptr;
    sqlite3_exec(
        db, "PRAGMA integrity_check",
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) += values[0] != nullptr ? values[0] : "";
            return 0;
        },
        &result, &error);
    if (error != nullptr) {
        result += error;
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return result;
}

}  // namespace tessaly::test
