#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "browser/PageBrowser.h"
#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "support/RecordingLoginUi.h"
#include "support/TlsFixture.h"

namespace tessaly {
namespace {

class TlsTest : public test::TlsServiceTest {
protected:
    void SetUp() override {
        TlsServiceTest::SetUp();
        for (const char* name : {"SSL_CERT_FILE", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "http_proxy"})
            ::unsetenv(name);
    }
    void TearDown() override {
        ::unsetenv("SSL_CERT_FILE");
        TlsServiceTest::TearDown();
    }
    // A client that goes straight to the service (no proxy) and trusts the test authority.
    static void Prepare(THttpClient& client, TCookieStore& store) {
        client.OpenOptions = TOpenOptions::ooDirect;
        client.CertificateAuthorities = CertDir() + "ca.pem";
        client.SetCookieStore(&store);
    }
    // The Cookie header the service's echo page received.
    static std::string EchoedCookies(const std::string& page) {
        const auto at = page.find("<p>cookies=");
        if (at == std::string::npos) return "(no echo page)";
        const auto start = at + 11;
        return page.substr(start, page.find("</p>", start) - start);
    }
};

// A certificate counts only when an authority the client trusts vouches for it, it is in date
// and it names the host of the address; anything else fails as an untrusted certificate before
// a request is sent, and the client neither goes on without checking nor falls back to http:
// the service (which logs both its listeners) sees no request at all.
TEST_F(TlsTest, OnlyAValidCertificateFromATrustedAuthorityForTheHostIsAccepted) {
    struct Case {
        const char* what;
        const char* certificate;  // what the service serves
        const char* host;         // of the address the client asks for
        const char* authorities;  // the file the client trusts, in the certificate folder
        bool accepted;
    };
    for (const Case& c : {
             Case{"signed by the trusted authority", "good", "localhost", "ca.pem", true},
             Case{"self-signed", "selfsigned", "localhost", "ca.pem", false},
             Case{"expired", "expired", "localhost", "ca.pem", false},
             Case{"made out to another host", "good", "127.0.0.1", "ca.pem", false},
             Case{"authorities file missing", "good", "localhost", "missing.pem", false},
         }) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(LogFile());
        auto service = StartService(c.certificate);
        ASSERT_GT(service->TlsPort(), 0);
        TCookieStore store("");
        THttpClient client;
        Prepare(client, store);
        client.CertificateAuthorities = CertDir() + c.authorities;
        client.SetURL("https://" + std::string(c.host) + ":" + std::to_string(service->TlsPort()) +
                      "/echo?n=1");
        const bool ok = client.Get();
        // The service logs a request before it answers it, over either listener.
        const std::string log = ReadFile(LogFile());
        if (c.accepted) {
            EXPECT_TRUE(ok) << client.StatusText << " " << client.ErrorCode;
            EXPECT_EQ(client.StatusCode(), 200);
            EXPECT_NE(client.Body().find("<p>query=n=1</p>"), std::string::npos) << client.Body();
            EXPECT_EQ(log.rfind("GET\tlocalhost\t/echo?n=1\t200\t", 0), 0u) << log;
            EXPECT_EQ(log.find('\n'), log.size() - 1) << log;
            EXPECT_TRUE(log.ends_with("\thttps\n")) << log;
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(client.ErrorCode, 12045);
            EXPECT_EQ(client.Failed, 1);
            EXPECT_EQ(client.StatusText, "Unable to Send HTTP Request");
            EXPECT_EQ(client.StatusCode(), 0);
            EXPECT_TRUE(client.Body().empty());
            EXPECT_EQ(log, "");
        }
    }
}

// Unless told otherwise a client trusts the file SSL_CERT_FILE names, else the system's store
// (which knows nothing of the test authority); the browser engine's clients do the same, and a
// page whose certificate fails is a failed navigation, never a complete one.
TEST_F(TlsTest, AuthoritiesComeFromSslCertFileElseTheSystemStore) {
    auto good = StartService("good");
    auto selfSigned = StartService("selfsigned");
    ASSERT_GT(good->TlsPort(), 0);
    ASSERT_GT(selfSigned->TlsPort(), 0);
    const std::string goodUrl = "https://localhost:" + std::to_string(good->TlsPort()) + "/echo";
    const std::string badUrl =
        "https://localhost:" + std::to_string(selfSigned->TlsPort()) + "/echo";

    THttpClient system;
    system.OpenOptions = TOpenOptions::ooDirect;
    EXPECT_EQ(system.CertificateAuthorities, "");
    system.SetURL(goodUrl);
    EXPECT_FALSE(system.Get());
    EXPECT_EQ(system.ErrorCode, 12045);

    const std::string ca = CertDir() + "ca.pem";
    ::setenv("SSL_CERT_FILE", ca.c_str(), 1);
    THttpClient fromEnvironment;
    fromEnvironment.OpenOptions = TOpenOptions::ooDirect;
    EXPECT_EQ(fromEnvironment.CertificateAuthorities, ca);
    fromEnvironment.SetURL(goodUrl);
    EXPECT_TRUE(fromEnvironment.Get()) << fromEnvironment.ErrorCode;

    test::EnsureQtApp();
    TCookieStore store("");
    TPageBrowser browser(&store, 10);
    EXPECT_EQ(browser.Open(goodUrl), TLoadEnd::Complete);
    EXPECT_FALSE(browser.NavigationFailed());
    EXPECT_EQ(browser.Open(badUrl), TLoadEnd::Failed);
    EXPECT_TRUE(browser.NavigationFailed());
}

// The Login command of both front ends: a login page whose certificate cannot be trusted ends
// the login with the reason in the error box (not the wrong-password box and its help page),
// and the password goes by no other route, although the service's plain listener would take it.
TEST_F(TlsTest, TheLoginCommandShowsWhyAnUntrustedLoginPageEndedIt) {
    auto service = StartService("selfsigned");
    ASSERT_GT(service->TlsPort(), 0);
    ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(service->PlainPort())).c_str(), 1);
    ::setenv("SSL_CERT_FILE", (CertDir() + "ca.pem").c_str(), 1);
    test::EnsureQtApp();
    TYahooDownloadOptions options;
    const std::string page =
        "https://localhost:" + std::to_string(service->TlsPort()) + "/config/login";
    options.strAutoLoginURL = page;
    TPageBrowser browser(nullptr, 10);
    test::RecordingLoginUi ui;
    ui.messageAnswer = true;  // would open the help page, were it offered
    TMemberSession session(options, browser, ui);
    const TLoginResult result = session.RunLoginCommand();
    ::unsetenv("http_proxy");
    EXPECT_TRUE(result.attempted);
    EXPECT_FALSE(result.loggedIn);
    EXPECT_EQ(session.LoginOutcome(), dsNetworkError);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().rfind("Error: Login Error : the service's certificate is not "
                                       "trusted (" +
                                           page + ").",
                                       0),
              0u)
        << ui.messages.back();
    EXPECT_TRUE(ui.opened.empty());
    EXPECT_EQ(ReadFile(LogFile()), "");
}

// A cookie set with Secure over https goes back over https only: the next plain request to the
// same host (another port, which cookies do not tell apart) carries the other cookies but not
// that one. Both requests go to the service directly as http(s)://localhost:PORT/, where it
// answers with its control pages, so the two differ in scheme alone; through the service as
// proxy the plain one would have to name another host.
TEST_F(TlsTest, ASecureCookieGoesBackOverHttpsOnly) {
    auto service = StartService("good");
    ASSERT_GT(service->TlsPort(), 0);
    const std::string https = "https://localhost:" + std::to_string(service->TlsPort());
    const std::string http = "http://localhost:" + std::to_string(service->PlainPort());
    TCookieStore store("");
    THttpClient client;
    Prepare(client, store);
    client.SetURL(https + "/set-cookie?c=S%3Dsecret%3B%20Secure%3B%20path%3D%2F");
    ASSERT_TRUE(client.Get()) << client.ErrorCode;
    client.SetURL(https + "/set-cookie?c=P%3Dplain%3B%20path%3D%2F");
    ASSERT_TRUE(client.Get()) << client.ErrorCode;

    client.SetURL(https + "/echo");
    ASSERT_TRUE(client.Get()) << client.ErrorCode;
    const std::string overHttps = EchoedCookies(client.BodyText());
    EXPECT_NE(overHttps.find("S=secret"), std::string::npos) << overHttps;
    EXPECT_NE(overHttps.find("P=plain"), std::string::npos) << overHttps;

    client.SetURL(http + "/echo");
    ASSERT_TRUE(client.Get()) << client.ErrorCode;
    EXPECT_EQ(EchoedCookies(client.BodyText()), "P=plain");
    EXPECT_EQ(client.RequestHeaders.find("secret"), std::string::npos) << client.RequestHeaders;
}

}  // namespace
}  // namespace tessaly
