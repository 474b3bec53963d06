// What the progress window costs a run: the message walk of one generated group of N messages
// (default 20,000) at pacing 0, once by `tessaly-cli download` and once by the desktop
// program's progress window on the offscreen platform, both from the same simulated service,
// each as a whole process signed in the same way (the password on standard input), each into a
// fresh output folder. ROUNDS (default 5) rounds; round r of both runs back to back, the order
// rotating. Printed: min / median / max of wall and CPU seconds (user + system, all threads,
// from getrusage of the finished child) of each, the window's own run from its start to its
// finished state, and the per-round ratios window / cli. Every round's saved pages are counted
// against N.
//
// Usage: progress_window_bench [messages]
// Environment: ROUNDS, OUT_DIR (where the pages go; default /dev/shm when it is there).
//
// `progress_window_bench --run OUT` is one window run into OUT (the bench starts itself so);
// it prints the pages saved and the run's seconds.

#include <signal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "BenchRounds.h"
#include "gui/TfrmYahooMain.h"
#include "gui/TfrmYahooProgressXX.h"
#include "platform/SpecialFolders.h"
#include "registry/ProgramRegistry.h"
#include "session/MemberSession.h"
#include "text/DateTime.h"
#include "text/TextUtils.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUser = "demo_member";
constexpr const char* kPassword = "tessaly-demo";
constexpr const char* kGroup = "BigGroup";

std::size_t PagesIn(const fs::path& folder) {
    std::size_t n = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        n += it->path().extension() == ".html" ? 1u : 0u;
    return n;
}

// One run of the window, as the main window's RunDownload makes it, its main window hidden.
int WindowRun(int argc, char** argv, const std::string& out) {
    QApplication app(argc, argv);
    tessaly::MarkStartValue();
    tessaly::WriteUpdatedCheckedOn(tessaly::Now());  // no update check in the middle of a run
    std::string password;
    std::getline(std::cin, password);
    tessaly::gui::TfrmYahooMain main;
    tessaly::TMemberSession& session = main.Session();
    session.SetUserName(kUser);
    session.SetPassword(tessaly::Trim(password));
    session.EndBrowserSession();
    if (!session.FormLogin()) {
        std::fprintf(stderr, "the login failed\n");
        return 1;
    }
    main.Options().strSaveDir = tessaly::IncludeTrailingDelimiter(out);
    tessaly::gui::TfrmYahooProgressXX window(&main, session);
    window.SetRunInputs({kGroup}, main.Options(), {}, {}, false);
    if (!window.StartMessagesRun()) return 1;
    QElapsedTimer t;
    t.start();
    window.StartWorker();
    window.show();
    QObject::connect(&window, &tessaly::gui::TfrmYahooProgressXX::finished, &app,
                     &QApplication::quit);
    app.exec();
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    std::printf("%zu %.6f\n", PagesIn(fs::path(out) / "Messages" / kGroup), seconds);
    return 0;
}

// Starts the service with a group of `messages`; its port, or "" when it did not come up.
std::string StartService(int messages, const fs::path& work, pid_t& pid) {
    const std::string portFile = (work / "port").string();
    std::vector<std::string> argv{GROUPSIM_BINARY, "--port", "0", "--messages",
                                  std::to_string(messages)};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t files;
    ::posix_spawn_file_actions_init(&files);
    ::posix_spawn_file_actions_addopen(&files, 1, portFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
    const bool started = ::posix_spawn(&pid, args[0], &files, nullptr, args.data(), environ) == 0;
    ::posix_spawn_file_actions_destroy(&files);
    if (!started) return {};
    for (int i = 0; i < 600; ++i) {
        std::ifstream in(portFile);
        std::string port;
        if (std::getline(in, port) && !port.empty()) return port;
        ::usleep(100000);
    }
    return {};
}

void PrintRow(const char* what, const std::vector<double>& v) {
    std::printf("  %-34s%s\n", what, bench::Columns(bench::Summarize(v), " %9.3f").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--run") return WindowRun(argc, argv, argv[2]);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (messages <= 0) {
        std::fprintf(stderr, "usage: progress_window_bench [messages]\n");
        return 2;
    }
    const int rounds = bench::Rounds(5);

    const fs::path work =
        fs::temp_directory_path() / ("tessaly-progress-bench-" + std::to_string(::getpid()));
    const char* outDir = std::getenv("OUT_DIR");
    const fs::path outRoot = (outDir != nullptr              ? fs::path(outDir)
                              : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                             : work) /
                             ("tessaly-progress-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "home");
    fs::create_directories(work / "run");
    fs::permissions(work / "run", fs::perms::owner_all);
    fs::create_directories(outRoot);
    ::setenv("HOME", (work / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    ::setenv("TESSALY_PACE", "0", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");

    pid_t service = -1;
    const std::string port = StartService(messages, work, service);
    if (port.empty()) {
        std::fprintf(stderr, "tessaly-groupsim did not start\n");
        return 1;
    }
    ::setenv("http_proxy", ("http://127.0.0.1:" + port).c_str(), 1);
    const std::string passwordFile = (work / "password").string();
    std::ofstream(passwordFile) << kPassword << "\n";

    // The member's group list once, as a user's first login keeps it.
    const bench::Sample login =
        bench::TimeProcess({TESSALY_CLI, "login", "--user", kUser, "--password-stdin", "--refresh"},
                           (work / "login.out").string(), passwordFile);
    if (login.wall < 0) {
        std::fprintf(stderr, "tessaly-cli login failed\n");
        ::kill(service, SIGTERM);
        return 1;
    }

    std::vector<double> cliWall, cliCpu, winWall, winCpu, winRun, wallRatio, cpuRatio;
    std::vector<bench::Sample> cliRound(static_cast<std::size_t>(rounds)),
        winRound(static_cast<std::size_t>(rounds));
    bool complete = true;
    auto fresh = [&](const char* who, int round) {
        const fs::path dir = outRoot / (std::string(who) + "-" + std::to_string(round));
        fs::remove_all(dir);
        return dir;
    };
    auto counted = [&](const char* who, int round, std::size_t pages) {
        if (pages != static_cast<std::size_t>(messages)) {
            std::fprintf(stderr, "warning: %s round %d saved %zu pages of %d\n", who, round + 1,
                         pages, messages);
            complete = false;
        }
    };
    bench::RunRounds(
        rounds,
        {[&](int r) {
             const fs::path dir = fresh("cli", r);
             const bench::Sample s = bench::TimeProcess(
                 {TESSALY_CLI, "download", "--password-stdin", "--out", dir.string(), kGroup},
                 (work / "cli.out").string(), passwordFile);
             cliRound[static_cast<std::size_t>(r)] = s;
             counted("tessaly-cli", r, PagesIn(dir / "Messages" / kGroup));
             fs::remove_all(dir);
         },
         [&](int r) {
             const fs::path dir = fresh("window", r);
             const bench::Sample s = bench::TimeProcess(
                 {argv[0], "--run", dir.string()}, (work / "window.out").string(), passwordFile);
             winRound[static_cast<std::size_t>(r)] = s;
             std::size_t pages = 0;
             double run = -1;
             std::ifstream((work / "window.out").string()) >> pages >> run;
             if (run >= 0) winRun.push_back(run);
             counted("progress window", r, pages);
             fs::remove_all(dir);
         }});
    ::kill(service, SIGTERM);
    ::waitpid(service, nullptr, 0);

    for (int r = 0; r < rounds; ++r) {
        const bench::Sample c = cliRound[static_cast<std::size_t>(r)];
        const bench::Sample w = winRound[static_cast<std::size_t>(r)];
        if (c.wall < 0 || w.wall < 0) {
            std::fprintf(stderr, "round %d: a run failed\n", r + 1);
            complete = false;
            continue;
        }
        cliWall.push_back(c.wall);
        cliCpu.push_back(c.cpu);
        winWall.push_back(w.wall);
        winCpu.push_back(w.cpu);
        wallRatio.push_back(w.wall / c.wall);
        cpuRatio.push_back(w.cpu / c.cpu);
    }
    std::printf("message walk of %d messages at pacing 0, %d rounds (min / median / max)\n",
                messages, rounds);
    PrintRow("tessaly-cli wall s", cliWall);
    PrintRow("tessaly-cli cpu s", cliCpu);
    PrintRow("progress window wall s", winWall);
    PrintRow("progress window cpu s", winCpu);
    PrintRow("  of which the run (start..end)", winRun);
    PrintRow("ratio window / cli, wall", wallRatio);
    PrintRow("ratio window / cli, cpu", cpuRatio);
    std::error_code ec;
    fs::remove_all(outRoot, ec);
    fs::remove_all(work, ec);
    return complete ? 0 : 1;
}
