#include "platform/CompanionViewer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Pacing.h"
#include "platform/Processes.h"
#include "platform/SpecialFolders.h"

namespace tessaly {
namespace {

constexpr const char* kProgram = "orvantaviewer";
constexpr int kStartWaitMs = 2000;

// A connected socket to the viewer, or -1.
int ConnectViewer() {
    const std::string path = CompanionViewerSocketPath();
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Waits until the viewer answers or closes, or the time-out passes (real time).
void AwaitAnswer(int fd, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready > 0) {
            char answer[64];
            [[maybe_unused]] const ssize_t n = ::recv(fd, answer, sizeof answer, 0);
        }
        return;
    }
}

}  // namespace

std::string CompanionViewerSocketPath() {
    return RuntimeFolder() + kProgram + ".socket";
}

std::string CompanionRequest(const std::string& item) {
    std::string request = "URL";
    request.push_back('\0');
    request += "File";
    request.push_back('\0');
    request += item;
    request.push_back('\0');
    return request;
}

void NotifyCompanionViewer(const std::string& path, std::chrono::milliseconds answerTimeout) {
    static TStartGate gate;
    int fd = ConnectViewer();
    if (fd < 0) {
        if (!gate.MayStart()) return;  // it did not come up a moment ago: no wait per file
        RunProgram("\"" + ProgramFolder() + kProgram + "\"", false, false);
        PacedSleep(kStartWaitMs);
        fd = ConnectViewer();
        if (fd < 0) {
            gate.Failed();
            return;
        }
    }
    if (SendAll(fd, CompanionRequest(path))) {
        ::shutdown(fd, SHUT_WR);
        AwaitAnswer(fd, answerTimeout);
    }
    ::close(fd);
}

}  // namespace tessaly
