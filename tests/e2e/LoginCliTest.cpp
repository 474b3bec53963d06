// tessaly-cli's login against the simulated service as a program of its own, with an https
// listener serving the test certificates: a login page whose certificate cannot be trusted ends
// the login, and the member's own files (the cookie file) are checked before they are trusted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/SpecialFolders.h"
#include "support/CliRunner.h"
#include "support/TlsFixture.h"

namespace tessaly {
namespace {

using test::CliRun;

class LoginCliTest : public test::TlsServiceTest {
protected:
    void SetUp() override {
        TlsServiceTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
        for (const char* name : {"SSL_CERT_FILE", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "http_proxy", "HTTP_PROXY"})
            ::unsetenv(name);
    }
    void TearDown() override {
        ::unsetenv("SSL_CERT_FILE");
        ::unsetenv("http_proxy");
        TlsServiceTest::TearDown();
    }
    // The service's plain listener is the proxy of plain http: the direct login over http
    // would reach it there.
    static void UseAsProxy(const test::GroupSimProcess& service) {
        ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(service.PlainPort())).c_str(),
                 1);
    }
    void LoginPageAt(const std::string& address) {
        WriteFile(SettingsFolder() + "Options.ini",
                  "[Download]\r\nstrAutoLoginURL=" + address + "\r\n");
    }
    static CliRun Run(const std::vector<std::string>& args) {
        return test::RunCli(TESSALY_CLI_BINARY, args, "tessaly-demo");
    }
};

// A login page whose certificate fails verification ends the login (and the login a download
// starts with): nothing is sent over plain http, the password reaches the service in no
// request, standard error says why and the status is 6, the service could not be reached.
TEST_F(LoginCliTest, AnUntrustedCertificateEndsTheLoginWithoutAnotherRoute) {
    struct Case {
        const char* what;
        const char* certificate;  // what the service serves
        const char* host;         // of the login page's address
        bool download;            // the login of a download instead of the login command
    };
    for (const Case& c : {
             Case{"self-signed", "selfsigned", "localhost", false},
             Case{"expired", "expired", "localhost", false},
             Case{"made out to another host", "good", "127.0.0.1", false},
             Case{"self-signed, at the start of a download", "selfsigned", "localhost", true},
         }) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(LogFile());
        auto service = StartService(c.certificate);
        ASSERT_GT(service->TlsPort(), 0);
        UseAsProxy(*service);
        ::setenv("SSL_CERT_FILE", (CertDir() + "ca.pem").c_str(), 1);
        const std::string page = "https://" + std::string(c.host) + ":" +
                                 std::to_string(service->TlsPort()) + "/config/login";
        LoginPageAt(page);
        const CliRun run = c.download
                               ? Run({"download", "--user", "demo_member", "--password-stdin",
                                      "--out", Dir() + "out", "DemoGroup"})
                               : Run({"login", "--user", "demo_member", "--password-stdin"});
        EXPECT_EQ(run.status, 6) << run.out << run.err;
        EXPECT_NE(run.err.find("cannot reach the group service: the service's certificate is "
                               "not trusted (" +
                               page + ")"),
                  std::string::npos)
            << run.err;
        const std::string log = ReadFile(LogFile());
        EXPECT_EQ(log, "") << "requests reached the service";
        EXPECT_EQ(log.find("tessaly-demo"), std::string::npos);
    }
}

// SSL_CERT_FILE names the authorities the program trusts: without it the test authority is
// unknown (the system's store), with it the login page is asked for over https.
TEST_F(LoginCliTest, SslCertFileNamesTheTrustedAuthorities) {
    auto service = StartService("good");
    ASSERT_GT(service->TlsPort(), 0);
    UseAsProxy(*service);
    LoginPageAt("https://localhost:" + std::to_string(service->TlsPort()) + "/config/login");
    const CliRun untrusted = Run({"login", "--user", "demo_member", "--password-stdin"});
    EXPECT_EQ(untrusted.status, 6) << untrusted.err;
    EXPECT_EQ(ReadFile(LogFile()), "");

    ::setenv("SSL_CERT_FILE", (CertDir() + "ca.pem").c_str(), 1);
    (void)Run({"login", "--user", "demo_member", "--password-stdin"});
    const std::string log = ReadFile(LogFile());
    EXPECT_EQ(log.rfind("GET\tlocalhost\t/config/login\t", 0), 0u) << log;
    EXPECT_NE(log.find("\thttps\n"), std::string::npos) << log;
}

// A cookie file with lines that do not check out (an empty path among them, which used to be
// read out of bounds on every request) still lets the member log in: those lines are skipped.
TEST_F(LoginCliTest, BadLinesOfTheCookieFileAreSkipped) {
    auto service = StartService("good");
    ASSERT_GT(service->PlainPort(), 0);
    UseAsProxy(*service);
    WriteFile(PrivateStateFolder() + "cookies.txt",
              "# Tessaly cookie store\n"
              ".yahoo.com\tTRUE\t\tFALSE\t4102444800\tE\tempty-path\n"
              "login.yahoo.com\tFALSE\t/\tFALSE\tnever\tX\tv\n"
              "\tFALSE\t/\tFALSE\t4102444800\tD\tno-domain\n"
              ".yahoo.com\tTRUE\t/\tFALSE\t4102444800\tKEPT\tfine\n");
    const CliRun run = Run({"login", "--user", "demo_member", "--password-stdin", "--refresh"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Logged in as demo_member"), std::string::npos) << run.out;
    const std::string log = ReadFile(LogFile());
    EXPECT_NE(log.find("login.yahoo.com"), std::string::npos) << log;
}

}  // namespace
}  // namespace tessaly
