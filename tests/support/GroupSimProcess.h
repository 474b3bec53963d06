#pragma once
// The simulated service as a program of its own, for tests that need it outside their process
// (killed clients, whole desktop runs, TLS listeners): started with the arguments a test gives,
// its ports read from its standard output, stopped with SIGTERM when the object goes.

#include <sys/types.h>

#include <string>
#include <vector>

namespace tessaly::test {

class GroupSimProcess {
public:
    // Runs `binary` with `args` and reads `ports` lines of port numbers (the plain port first,
    // then the TLS one when there is one), printed once the listeners accept connections.
    GroupSimProcess(const std::string& binary, const std::vector<std::string>& args, int ports = 1);
    ~GroupSimProcess();
    GroupSimProcess(const GroupSimProcess&) = delete;
    GroupSimProcess& operator=(const GroupSimProcess&) = delete;

    // The ports are 0 when the program did not come up.
    [[nodiscard]] int PlainPort() const { return plainPort_; }
    [[nodiscard]] int TlsPort() const { return tlsPort_; }
    [[nodiscard]] bool Running() const { return plainPort_ > 0; }

private:
    pid_t pid_ = -1;
    int plainPort_ = 0;
    int tlsPort_ = 0;
};

}  // namespace tessaly::test
