#pragma once
// The simulated service as the real program on loopback, serving https with one of the test
// certificates next to its plain listener, and the certificates themselves, made once per test
// program by tests/support/make-test-certs.sh.

#include <sys/types.h>

#include <memory>
#include <string>

#include "support/GroupSimProcess.h"
#include "support/TestEnv.h"

namespace tessaly::test {

// One run of tessaly-groupsim with `--port 0 --tls-port 0`, ended (SIGTERM) when destroyed.
class TlsServiceTest : public TempHomeTest {
protected:
    // Makes the certificates (once for all tests of the suite), and removes them.
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // The folder of the certificates, with a trailing "/": ca.pem, and good, expired and
    // selfsigned, each as NAME.pem with NAME.key.
    [[nodiscard]] static const std::string& CertDir();

    // Starts the service serving the certificate `name` (good, expired, selfsigned), logging to
    // LogFile(); ports 0 when it could not be started.
    [[nodiscard]] std::unique_ptr<GroupSimProcess> StartService(const std::string& name) const;
    // The request log of the services started by this test: one line a request, its last
    // column "http" or "https".
    [[nodiscard]] std::string LogFile() const { return Dir() + "requests.tsv"; }
};

}  // namespace tessaly::test
