#include "support/TlsFixture.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace tessaly::test {
namespace {

std::string& CertFolder() {
    static std::string dir;
    return dir;
}

}  // namespace

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
    return std::make_unique<GroupSimProcess>(
        GROUPSIM_BINARY,
        std::vector<std::string>{"--port", "0", "--tls-port", "0", "--tls-cert",
                                 CertDir() + name + ".pem", "--tls-key", CertDir() + name + ".key",
                                 "--log", LogFile(), "--threads", "4"},
        2);
}

}  // namespace tessaly::test
