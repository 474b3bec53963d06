#pragma once
// What the benchmark programs share: rounds in which every program runs once, back to back,
// the order rotating from round to round; wall and CPU time of one run, in this process or in a
// child process; and min / median / max over the rounds.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// Wall and CPU (user + system) seconds of one run; wall < 0 when the run failed.
struct Sample {
    double wall = -1;
    double cpu = -1;
};

// Rounds from the environment variable ROUNDS, else `fallback`.
inline int Rounds(int fallback) {
    const char* text = std::getenv("ROUNDS");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : fallback;
}

// Runs round r (0-based) of every program: programs[(r + k) % size] for k = 0, 1, ...
inline void RunRounds(int rounds, const std::vector<std::function<void(int round)>>& programs) {
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t k = 0; k < programs.size(); ++k)
            programs[(static_cast<std::size_t>(r) + k) % programs.size()](r);
    }
}

// CPU seconds of this process so far, all threads, user and system.
inline double CpuSelf() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU seconds, user and system, of the child processes waited for so far.
inline double CpuChildren() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Times `work` in this process.
inline Sample TimeHere(const std::function<void()>& work) {
    const double cpu0 = CpuSelf();
    const auto t0 = std::chrono::steady_clock::now();
    work();
    Sample s;
    s.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    s.cpu = CpuSelf() - cpu0;
    return s;
}

// Runs `argv` (searched in PATH) as a whole process, its standard output into `outPath`, its
// errors into /dev/null, its standard input from `inPath` when one is given; the sample covers
// the process from start to exit. wall < 0 when it cannot start or does not exit with 0.
inline Sample TimeProcess(const std::vector<std::string>& argv, const std::string& outPath,
                          const std::string& inPath = {}) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t files;
    ::posix_spawn_file_actions_init(&files);
    ::posix_spawn_file_actions_addopen(&files, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
    ::posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    if (!inPath.empty()) ::posix_spawn_file_actions_addopen(&files, 0, inPath.c_str(), O_RDONLY, 0);
    const double cpu0 = CpuChildren();
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = -1;
    const bool started = ::posix_spawnp(&pid, args[0], &files, nullptr, args.data(), environ) == 0;
    if (started) ::waitpid(pid, &status, 0);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ::posix_spawn_file_actions_destroy(&files);
    Sample s;
    if (started && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        s.wall = wall;
        s.cpu = CpuChildren() - cpu0;
    }
    return s;
}

struct Spread {
    double min = 0, median = 0, max = 0;
};

// Min, median and max of the values; zeros when there are none.
inline Spread Summarize(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    s.min = v.front();
    s.max = v.back();
    s.median = n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return s;
}

// "  min  median  max" with the given printf format for each number.
inline std::string Columns(const Spread& s, const char* format) {
    std::string out;
    char buf[64];
    for (double x : {s.min, s.median, s.max}) {
        std::snprintf(buf, sizeof buf, format, x);
        out += buf;
    }
    return out;
}

}  // namespace bench
