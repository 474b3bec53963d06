#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "registry/ProgramRegistry.h"
#include "service/ProgramVersion.h"
#include "service/ServiceHosts.h"
#include "support/SimFixture.h"
#include "update/UpdateCheck.h"
#include "update/UpdateSchedule.h"

namespace tessaly {
namespace {

using Lines = std::vector<std::string>;

const Lines kFailedLog = {"Check Updates Failed.",
                          std::string("Please check ") + kMakerWebSite + " for updates."};

// The update check against the simulated service playing the update server.
class UpdateCheckTest : public test::SimServiceTest {
protected:
    void SetUp() override {
        SimServiceTest::SetUp();
        ::setenv("TESSALY_PACE", "0", 1);
    }
    // Runs a check and records every change of the log as it happened ("<clear>" for a clear).
    TUpdateCheckResult Check(const std::string& server = hosts::kUpdateServer) {
        check_ = std::make_unique<TUpdateCheck>(server);
        check_->TimeOutSeconds = 5;
        check_->OnLogCleared = [this] { events_.push_back("<clear>"); };
        check_->OnLogLine = [this](const std::string& line) { events_.push_back(line); };
        return check_->FetchUpdateFile();
    }
    void Serve(const groupsim::UpdateFile& file) { Service().SetUpdateFile(file); }

    std::unique_ptr<TUpdateCheck> check_;
    Lines events_;
};

struct FileCase {
    const char* what;
    groupsim::UpdateFile file;
    std::optional<std::string> currentVersion;
    bool bold;
    Lines log;
    std::string url;  // the address offered to the user ("" none)
};

TEST_F(UpdateCheckTest, EvaluatesTheUpdateFile) {
    const std::string site = "http://downloads.example.org/tessaly-2.5";
    const FileCase cases[] = {
        {"the installed version",
         {ProgramVersion(), "Hello", site, ""},
         "2",
         false,
         {"You are using the latest version : ", " "},
         ""},
        {"the installed version, short",
         {"2", "Hello", site, ""},
         "2",
         false,
         {"You are using the latest version : ", " "},
         ""},
        {"an older version",
         {"1.9", "", "", ""},
         "2",
         false,
         {"You are using the latest version : ", " "},
         ""},
        {"a newer version",
         {"2.5", "Get it now", site, ""},
         "2.5",
         true,
         {"New Version Available : ", " ", "Get it now"},
         site},
        {"a newer version by number, not by text",
         {"10", "", "", ""},
         "10",
         true,
         {"New Version Available : ", " "},
         ""},
        {"a newer minor part",
         {"2.0.1", "", "", ""},
         "2.0.1",
         true,
         {"New Version Available : ", " "},
         ""},
        {"no version",
         {"", "Read the news", site, ""},
         "2",
         false,
         {"You are using the latest version", "Read the news"},
         site},
        {"a word for a version",
         {"beta", "Try the beta", site, ""},
         std::nullopt,
         false,
         {"Try the beta"},
         site},
        {"digits and dots that are no version", {"2..5", "", "", ""}, std::nullopt, false, {}, ""},
        {"an address that is no web address",
         {"3", "", "file:///etc/passwd", ""},
         "3",
         true,
         {"New Version Available : ", " ",
          "Ignored the address file:///etc/passwd: only http and https addresses are opened."},
         ""},
        {"a header that mentions 404",
         {"2.5", "", "", "X-Cache: 404-miss-then-hit"},
         "2.5",
         true,
         {"New Version Available : ", " "},
         ""},
    };
    for (const auto& c : cases) {
        Serve(c.file);
        const TUpdateCheckResult r = Check();
        EXPECT_TRUE(r.fetched) << c.what;
        EXPECT_EQ(r.installedVersion, "2") << c.what;
        EXPECT_EQ(r.currentVersion, c.currentVersion) << c.what;
        EXPECT_EQ(r.currentVersionBold, c.bold) << c.what;
        EXPECT_EQ(r.log, c.log) << c.what;
        EXPECT_EQ(r.urlToOpen, c.url) << c.what;
        // "Update Site" opens the address the file gave, else the maker's site.
        EXPECT_EQ(check_->UpdateSiteAddress(), c.url.empty() ? kMakerWebSite : c.url) << c.what;
    }
}

TEST_F(UpdateCheckTest, TriesThreeTimesAndTakesTheFirstAnswer) {
    Serve({"2.5", "", "", ""});
    Service().SetFaults(groupsim::GroupService::ParseFaults("status=404:/updates/&failtimes=2"));
    const TUpdateCheckResult r = Check();
    EXPECT_TRUE(r.fetched);
    EXPECT_EQ(events_,
              (Lines{"<clear>", "Trying Update Server - 1", "Server - 1 Failed.",
                     "Trying Update Server - 2", "Server - 2 Failed.", "Trying Update Server - 3",
                     "<clear>", "New Version Available : ", " "}));
    EXPECT_EQ(r.currentVersion, "2.5");
}

TEST_F(UpdateCheckTest, AServerThatAlwaysFailsEndsWithTheTwoFailureLines) {
    for (const char* fault : {"status=404:/updates/", "status=500:/updates/", "drop=/updates/"}) {
        events_.clear();
        Service().SetFaults(groupsim::GroupService::ParseFaults(fault));
        const TUpdateCheckResult r = Check();
        EXPECT_FALSE(r.fetched) << fault;
        EXPECT_FALSE(r.currentVersion) << fault;  // the label keeps its text
        EXPECT_EQ(r.log, kFailedLog) << fault;
        EXPECT_EQ(events_, (Lines{"<clear>", "Trying Update Server - 1", "Server - 1 Failed.",
                                  "Trying Update Server - 2", "Server - 2 Failed.",
                                  "Trying Update Server - 3", "Server - 3 Failed.", "<clear>",
                                  kFailedLog[0], kFailedLog[1]}))
            << fault;
    }
    // A host the service does not serve answers 502: a failure too.
    EXPECT_FALSE(Check("no-such-host.example").fetched);
}

TEST_F(UpdateCheckTest, AnUnreachableServerEndsWithTheTwoFailureLines) {
    ::unsetenv("http_proxy");
    // A loopback port nobody listens on: bound, then closed.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    ::close(s);
    const TUpdateCheckResult r = Check("127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
    EXPECT_FALSE(r.fetched);
    EXPECT_EQ(r.log, kFailedLog);
    EXPECT_EQ(check_->UpdateSiteAddress(), kMakerWebSite);
}

TEST_F(UpdateCheckTest, AServerThatNeverAnswersFailsWithinItsTimeOuts) {
    ::unsetenv("http_proxy");
    // A loopback port that takes connections (its backlog) and never says a word.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(s, 8), 0);
    ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    TUpdateCheck check("127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
    check.TimeOutSeconds = 1;
    check.TotalTimeOutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    const TUpdateCheckResult r = check.FetchUpdateFile();
    ::close(s);
    EXPECT_FALSE(r.fetched);
    EXPECT_EQ(r.log, kFailedLog);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The automatic check: due without a stored date, after 30 whole days, or when the stored date
// lies ahead of the clock; a due check stores the day it ran.
TEST_F(UpdateCheckTest, TheAutomaticCheckIsDueEveryThirtyDays) {
    const TDateTime now = EncodeDateTime(2024, 5, 31, 12);
    EXPECT_TRUE(TakeDueUpdateCheck(now));  // never checked
    EXPECT_EQ(ReadUpdatedCheckedOn(), now);
    EXPECT_FALSE(TakeDueUpdateCheck(now + 29.99));
    EXPECT_EQ(ReadUpdatedCheckedOn(), now);
    EXPECT_TRUE(TakeDueUpdateCheck(now + 30));
    EXPECT_EQ(ReadUpdatedCheckedOn(), now + 30);
    EXPECT_TRUE(TakeDueUpdateCheck(now));  // the stored date lies ahead
    EXPECT_EQ(ReadUpdatedCheckedOn(), now);
}

}  // namespace
}  // namespace tessaly
