#include "platform/ImageViewer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/Pacing.h"
#include "platform/Processes.h"
#include "platform/SpecialFolders.h"

namespace tessaly {
namespace {

constexpr int kAnswerTimeoutMs = 2000;

// A connected socket to the viewer, or -1.
int ConnectViewer() {
    std::string path = ImageViewerSocketPath();
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return -1;
    // No socket there, no viewer: asked for every file saved, this is the cheap answer.
    if (::access(path.c_str(), F_OK) != 0) return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string ImageViewerSocketPath() {
    return RuntimeFolder() + "glimview.socket";
}

std::string ImageViewerBlock(const std::string& text) {
    std::string block;
    block.reserve(text.size() + 4);
    block.push_back(text == "\x03" ? '\x03' : '\x01');
    block.push_back('\x03');
    block += text;
    block.push_back('\0');
    block.push_back('\0');
    return block;
}

void StartImageViewer(bool minimised) {
    int fd = ConnectViewer();
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    std::string command = "\"" + ProgramFolder() + "glimview\"";
    if (minimised) command += "  -minimize";
    RunProgram(command, false, false);
}

void AnnouncePreview(const std::string& text) {
    static TStartGate gate;
    int fd = ConnectViewer();
    if (fd < 0) {
        if (!gate.MayStart()) return;  // it did not come up a moment ago: no wait per file
        StartImageViewer(true);
        Delay(2000);
        fd = ConnectViewer();
        if (fd < 0) {
            gate.Failed();
            return;
        }
    }
    std::string block = ImageViewerBlock(text);
    std::string frame;
    PutU32(frame, 0);
    PutU32(frame, static_cast<std::uint32_t>(block.size()));
    frame += block;
    if (SendAll(fd, frame)) {
        ::shutdown(fd, SHUT_WR);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kAnswerTimeoutMs) > 0) {
            char answer[16];
            [[maybe_unused]] ssize_t n = ::recv(fd, answer, sizeof answer, 0);
        }
    }
    ::close(fd);
}

}  // namespace tessaly
