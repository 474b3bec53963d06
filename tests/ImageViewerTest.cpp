#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/ImageViewer.h"
#include "platform/Pacing.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class ImageViewerTest : public test::TempHomeTest {};

// Plays the viewer: accepts one connection and returns every byte it sent.
class FakeViewer {
public:
    FakeViewer() {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::string path = ImageViewerSocketPath();
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd_, 4) != 0) {
            throw std::runtime_error("cannot listen on " + path);
        }
        thread_ = std::thread([this] {
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            char buf[256];
            ssize_t n;
            while ((n = ::recv(c, buf, sizeof buf, 0)) > 0)
                received_.append(buf, static_cast<std::size_t>(n));
            ::close(c);
        });
    }
    ~FakeViewer() {
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

// The bytes of one announcement of `text` (shorter than 252 bytes): identifier 0, the block's
// size, both little endian, then the block.
std::string Frame(const std::string& text) {
    std::string frame("\0\0\0\0", 4);
    frame.push_back(static_cast<char>(text.size() + 4));
    frame.append("\0\0\0", 3);
    return frame + "\x01\x03" + text + std::string("\0\0", 2);
}

TEST_F(ImageViewerTest, AnnouncementCarriesTheCopyDataBlock) {
    FakeViewer viewer;
    AnnouncePreview("/out/Photos/g/pic.jpg");
    EXPECT_EQ(viewer.Received(), Frame("/out/Photos/g/pic.jpg"));
}

TEST_F(ImageViewerTest, BlockLayout) {
    EXPECT_EQ(ImageViewerBlock("wakeup"), std::string("\x01\x03wakeup\0\0", 10));
    EXPECT_EQ(ImageViewerBlock("\x03"), std::string("\x03\x03\x03\0\0", 5));
}

// With no viewer to take it (no socket, or the socket file of a viewer that has ended), the
// announcement is dropped: it returns, and a viewer that comes up afterwards receives only what is
// announced to it, nothing kept from before.
TEST_F(ImageViewerTest, NoViewerMeansTheAnnouncementIsDropped) {
    const std::string path = ImageViewerSocketPath();
    for (const bool staleSocket : {false, true}) {
        SCOPED_TRACE(staleSocket ? "socket file of an ended viewer" : "no socket");
        std::filesystem::remove(path);
        if (staleSocket) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
            ::close(fd);  // never listened: a connection is refused, the file stays
            ASSERT_TRUE(std::filesystem::exists(path));
        }
        AnnouncePreview("/dropped.jpg");

        std::filesystem::remove(path);
        FakeViewer viewer;
        AnnouncePreview("/later.jpg");
        EXPECT_EQ(viewer.Received(), Frame("/later.jpg"));
    }
}

// A viewer that does not come up is waited for once, not once per file: a run that saves
// thousands of pictures with no viewer installed is not slowed down by it.
TEST_F(ImageViewerTest, AViewerThatDoesNotComeUpIsWaitedForOnce) {
    std::filesystem::remove(ImageViewerSocketPath());
    const double scale = PacingClock::Scale();
    PacingClock::SetScale(0.25);  // the start wait: 500 ms
    const auto t0 = std::chrono::steady_clock::now();
    AnnouncePreview("/first.jpg");
    const auto t1 = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) AnnouncePreview("/next.jpg");
    const auto t2 = std::chrono::steady_clock::now();
    PacingClock::SetScale(scale);
    EXPECT_GE(t1 - t0, std::chrono::milliseconds(450));
    EXPECT_LT(t2 - t1, std::chrono::milliseconds(450));  // not 20 more waits
}

}  // namespace
}  // namespace tessaly
