#include "support/TlsFixture.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

extern char** environ;

namespace tessaly::test {
namespace {

std::string& CertFolder() {
    static std::string dir;
    return dir;
}

// One line of the program's standard output ("" at its end).
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
}

}  // namespace

GroupSimProcess::GroupSimProcess(const std::string& certFile, const std::string& keyFile,
                                 const std::string& logFile) {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::string binary = GROUPSIM_BINARY;
    std::vector<std::string> args = {binary,       "--port",    "0",         "--tls-port", "0",
                                     "--tls-cert", certFile,    "--tls-key", keyFile,      "--log",
                                     logFile,      "--threads", "4"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned =
        ::posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        ::close(out[0]);
        return;
    }
    // The plain port comes first, then the TLS port; both once the listeners are bound.
    plainPort_ = std::atoi(ReadLine(out[0]).c_str());
    tlsPort_ = std::atoi(ReadLine(out[0]).c_str());
    ::close(out[0]);
    if (plainPort_ <= 0 || tlsPort_ <= 0) plainPort_ = tlsPort_ = 0;
}

GroupSimProcess::~GroupSimProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

void TlsServiceTest::SetUpTestSuite() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessaly-certs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    CertFolder() = pattern + "/";
    const std::string command = std::string("bash '") + TEST_CERTS_SCRIPT + "' '" + CertFolder() +
                                "' > '" + CertFolder() + "make-test-certs.log' 2>&1";
    // A failure leaves its output in the folder, for SetUp to show.
    if (std::system(command.c_str()) != 0) return;
}

void TlsServiceTest::SetUp() {
    TempHomeTest::SetUp();
    ASSERT_FALSE(CertDir().empty()) << "no temporary folder for the certificates";
    ASSERT_TRUE(std::filesystem::exists(CertDir() + "selfsigned.pem"))
        << ReadFile(CertDir() + "make-test-certs.log");
}

void TlsServiceTest::TearDownTestSuite() {
    if (CertFolder().empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(CertFolder(), ignored);
    CertFolder().clear();
}

const std::string& TlsServiceTest::CertDir() {
    return CertFolder();
}

std::unique_ptr<GroupSimProcess> TlsServiceTest::StartService(const std::string& name) const {
    return std::make_unique<GroupSimProcess>(CertDir() + name + ".pem", CertDir() + name + ".key",
                                             LogFile());
}

}  // namespace tessaly::test
