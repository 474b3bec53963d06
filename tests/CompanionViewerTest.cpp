#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/CompanionViewer.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

using namespace std::chrono_literals;

class CompanionViewerTest : public test::TempHomeTest {};

// Plays the viewer: accepts one connection, reads the request to its end and then answers, or
// (`silent`) keeps the connection open without a word for `hold`.
class FakeCompanion {
public:
    explicit FakeCompanion(bool silent = false, std::chrono::milliseconds hold = 0ms) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = CompanionViewerSocketPath();
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd_, 4) != 0)
            throw std::runtime_error("cannot listen on " + path);
        thread_ = std::thread([this, silent, hold] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            char buf[256];
            ssize_t n;
            while ((n = ::recv(c, buf, sizeof buf, 0)) > 0)
                received_.append(buf, static_cast<std::size_t>(n));
            if (silent) {
                std::this_thread::sleep_for(hold);
            } else {
                [[maybe_unused]] auto sent = ::send(c, "OK", 2, MSG_NOSIGNAL);
            }
            ::close(c);
        });
    }
    ~FakeCompanion() {
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    std::string Received() {
        thread_.join();
        return received_;
    }

private:
    int fd_ = -1;
    std::thread thread_;
    std::string received_;
};

TEST_F(CompanionViewerTest, ANoticeCarriesServiceTopicAndPath) {
    const std::string path = "/out/Attachments/g/0000057_holiday.jpg";
    EXPECT_EQ(CompanionRequest(path), std::string("URL\0File\0", 9) + path + std::string(1, '\0'));
    FakeCompanion viewer;
    NotifyCompanionViewer(path);
    EXPECT_EQ(viewer.Received(), CompanionRequest(path));
}

// A viewer that takes the notice and never answers holds the sender for the time-out only; with
// no viewer at all (none listening, and none that can be started) the notice is dropped.
TEST_F(CompanionViewerTest, ASilentOrMissingViewerDoesNotHoldTheSender) {
    {
        FakeCompanion silent(true, 1s);
        const auto start = std::chrono::steady_clock::now();
        NotifyCompanionViewer("/a.jpg", 200ms);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, 200ms);
        EXPECT_LT(took, 2s);
    }
    std::filesystem::remove(CompanionViewerSocketPath());
    const auto start = std::chrono::steady_clock::now();
    NotifyCompanionViewer("/b.jpg", 200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

}  // namespace
}  // namespace tessaly
