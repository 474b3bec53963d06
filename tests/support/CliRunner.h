#pragma once
// Runs a command-line program as a process of its own for the end-to-end tests: its arguments,
// one line on standard input, and everything it prints on standard output and standard error.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace tessaly::test {

struct CliRun {
    int status = -1;  // the exit status; -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

// Runs `program` with `args`, `input` (one line, the password say) on its standard input.
// `onStart` is told the process id once it runs; `onLine` sees every line of standard output and
// of standard error as it comes (and may signal the program).
CliRun RunCli(const std::string& program, const std::vector<std::string>& args,
              const std::string& input, const std::function<void(pid_t)>& onStart = {},
              const std::function<void(const std::string&, pid_t)>& onLine = {});

// Whether the child ends within `ms` milliseconds (it is not reaped).
bool ExitsWithin(pid_t pid, int ms);

}  // namespace tessaly::test
