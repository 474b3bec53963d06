#include "support/CliRunner.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace tessaly::test {
namespace {

// No run of the suite takes this long; a program still running then has hung. It stays under
// the 120 s a test may take, so the test fails with the program's threads in its output rather
// than being cut off with nothing to go on.
constexpr auto kRunDeadline = std::chrono::seconds(95);

// The stacks of every thread of `pid`, when a debugger is at hand.
std::string StacksOf(pid_t pid) {
    if (::access("/usr/bin/gdb", X_OK) != 0) return "(no debugger to show the stacks)\n";
    const std::string command = "/usr/bin/gdb -p " + std::to_string(pid) +
                                " -batch -ex 'thread apply all bt 30' 2>/dev/null";
    std::string stacks;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) stacks.append(buf, n);
        ::pclose(pipe);
    }
    return stacks;
}

}  // namespace

CliRun RunCli(const std::string& program, const std::vector<std::string>& args,
              const std::string& input, const std::function<void(pid_t)>& onStart,
              const std::function<void(const std::string&, pid_t)>& onLine) {
    int in[2], out[2], err[2];
    EXPECT_EQ(::pipe(in), 0);
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (onStart) onStart(pid);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    const std::string line = input + "\n";
    [[maybe_unused]] auto w = ::write(in[1], line.data(), line.size());
    ::close(in[1]);
    CliRun run;
    std::string* text[2] = {&run.out, &run.err};
    std::string pending[2];
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    int status = 0;
    bool exited = false;
    const auto deadline = std::chrono::steady_clock::now() + kRunDeadline;
    while (open > 0) {
        const int ready = ::poll(fds, 2, 500);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) {
            // Quiet: a program that has ended is done even when something it started still
            // holds its output open.
            if (!exited && ::waitpid(pid, &status, WNOHANG) == pid) exited = true;
            if (exited) break;
            if (std::chrono::steady_clock::now() < deadline) continue;
            run.err += "\n[test runner] " + program + " still running after " +
                       std::to_string(kRunDeadline.count()) + " s; its threads:\n" + StacksOf(pid);
            ADD_FAILURE() << program << " hung:\n" << run.err;
            ::kill(pid, SIGKILL);
            break;
        }
        for (std::size_t s = 0; s < 2; ++s) {
            pollfd& p = fds[s];
            if (p.fd < 0 || (p.revents & (POLLIN | POLLHUP)) == 0) continue;
            char buf[4096];
            const ssize_t n = ::read(p.fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(p.fd);
                p.fd = -1;
                --open;
                continue;
            }
            text[s]->append(buf, static_cast<std::size_t>(n));
            if (!onLine) continue;
            pending[s].append(buf, static_cast<std::size_t>(n));
            for (std::size_t nl; (nl = pending[s].find('\n')) != std::string::npos;
                 pending[s].erase(0, nl + 1)) {
                onLine(pending[s].substr(0, nl), pid);
            }
        }
    }
    for (auto& p : fds)
        if (p.fd >= 0) ::close(p.fd);
    if (!exited) ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool ExitsWithin(pid_t pid, int ms) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    const bool ended = ::poll(&p, 1, ms) > 0;
    ::close(fd);
    return ended;
}

}  // namespace tessaly::test
