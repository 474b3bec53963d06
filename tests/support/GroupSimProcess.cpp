#include "support/GroupSimProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace tessaly::test {
namespace {

// One line of the program's standard output ("" at its end).
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
}

}  // namespace

GroupSimProcess::GroupSimProcess(const std::string& binary, const std::vector<std::string>& args,
                                 int ports) {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::vector<std::string> words{binary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const int spawned =
        ::posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        ::close(out[0]);
        return;
    }
    plainPort_ = std::atoi(ReadLine(out[0]).c_str());
    if (ports > 1) tlsPort_ = std::atoi(ReadLine(out[0]).c_str());
    ::close(out[0]);
    if (plainPort_ <= 0 || (ports > 1 && tlsPort_ <= 0)) plainPort_ = tlsPort_ = 0;
}

GroupSimProcess::~GroupSimProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

}  // namespace tessaly::test
