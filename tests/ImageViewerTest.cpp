#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/ImageViewer.h"
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

TEST_F(ImageViewerTest, AnnouncementCarriesTheCopyDataBlock) {
    FakeViewer viewer;
    AnnouncePreview("/out/Photos/g/pic.jpg");
    const std::string text = "/out/Photos/g/pic.jpg";
    std::string want("\0\0\0\0", 4);
    want.push_back(static_cast<char>(text.size() + 4));
    want.append("\0\0\0", 3);
    want += "\x01\x03" + text + std::string("\0\0", 2);
    EXPECT_EQ(viewer.Received(), want);
}

TEST_F(ImageViewerTest, BlockLayout) {
    EXPECT_EQ(ImageViewerBlock("wakeup"), std::string("\x01\x03wakeup\0\0", 10));
    EXPECT_EQ(ImageViewerBlock("\x03"), std::string("\x03\x03\x03\0\0", 5));
}

TEST_F(ImageViewerTest, NoViewerMeansTheAnnouncementIsDropped) {
    EXPECT_FALSE(std::filesystem::exists(ImageViewerSocketPath()));
    AnnouncePreview("/x.jpg");  // returns without a viewer program or socket
    StartImageViewer(true);
    SUCCEED();
}

}  // namespace
}  // namespace tessaly
