#include "support/CliRunner.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessaly::test {

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
    while (open > 0 && ::poll(fds, 2, 60000) > 0) {
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
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace tessaly::test
