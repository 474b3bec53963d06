// tessaly-groupsim: the simulated Yahoo! Groups service on loopback.
#include <pthread.h>
#include <signal.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "groupsim/SimServer.h"
#include "service/ProgramVersion.h"
#include "service/ServiceHosts.h"

int main(int argc, char** argv) {
    CLI::App app{
        "tessaly-groupsim: a simulated Yahoo! Groups service (groups, login, photos and file-store "
        "hosts)\n"
        "serving every page Tessaly relies on, as an origin server and as an HTTP forward proxy."};
    app.set_version_flag("--version", "tessaly-groupsim " + tessaly::ProgramVersion());
    int port = 0;
    int tlsPort = 0;
    std::string tlsCert, tlsKey;
    std::string bind = "127.0.0.1";
    std::uint64_t seed = 1;
    int messages = 0;
    bool listMessages = false;
    int threads = 16;
    std::string logFile;
    groupsim::Faults faults;
    std::vector<std::string> fail;
    std::vector<int> authPages{5};
    std::vector<int> adPages{10, 11};
    app.add_option("--port", port,
                   "TCP port; 0 picks a free one (printed on the first line of standard output)");
    CLI::Option* tlsPortOption = app.add_option(
        "--tls-port", tlsPort,
        "also serve over TLS on this port; 0 picks a free one (printed on the second line of "
        "standard output); needs --tls-cert and --tls-key");
    app.add_option("--tls-cert", tlsCert,
                   "PEM file with the TLS listener's certificate (and any intermediate ones)");
    app.add_option("--tls-key", tlsKey, "PEM file with the TLS listener's private key");
    app.add_option("--bind", bind, "address to listen on")->capture_default_str();
    app.add_option("--seed", seed, "seed of the generated content (file bytes, big group)")
        ->capture_default_str();
    app.add_option("--messages", messages,
                   "add the generated group BigGroup with this many messages");
    app.add_flag("--list-messages", listMessages,
                 "print the numbers of BigGroup's messages, one a line, and exit");
    groupsim::BenchData bench;
    bool listBenchFiles = false;
    app.add_option("--bench-files", bench.files,
                   "add the group BenchFiles with this many files in its top Files folder");
    app.add_option("--bench-file-size", bench.fileSize, "bytes of each BenchFiles file")
        ->capture_default_str();
    app.add_option("--bench-big-file", bench.bigFile,
                   "add the group BenchBig with one file of this many bytes");
    bool listBenchPhotos = false;
    app.add_option("--bench-photos", bench.photos,
                   "add the group BenchPhotos with this many pictures in albums of 100");
    app.add_option("--bench-photo-size", bench.photoSize, "bytes of each BenchPhotos picture")
        ->capture_default_str();
    app.add_flag("--list-bench-photos", listBenchPhotos,
                 "print the file-store addresses of the BenchPhotos pictures (as demo_member), "
                 "one a line, and exit");
    app.add_flag("--list-bench-files", listBenchFiles,
                 "print the file-store addresses of the BenchFiles and BenchBig files (as "
                 "demo_member), one a line, and exit");
    app.add_option("--threads", threads, "worker threads (one per open connection)")
        ->capture_default_str();
    app.add_option("--auth-pages", authPages,
                   "DemoGroup messages first answered by a re-authorisation page")
        ->capture_default_str();
    app.add_option("--ad-pages", adPages,
                   "DemoGroup messages first answered by an advertisement page")
        ->capture_default_str();
    app.add_option(
        "--log", logFile,
        "append every request (method, host, path, status, bytes, ms, scheme) to this file");
    app.add_option("--latency", faults.latencyMs,
                   "fault: delay every answer by this many milliseconds");
    app.add_option(
        "--fail", fail,
        "fault: STATUS:TEXT answers STATUS (403, 404, 500) when host+path contains TEXT");
    app.add_option("--drop", faults.dropFor,
                   "fault: hang up half-way through bodies whose host+path contains TEXT");
    app.add_option("--stall", faults.stallFor,
                   "fault: send half the body, stay silent for 3 s, then hang up");
    app.add_option("--trickle", faults.trickleFor,
                   "fault: send bodies of matching requests 64 bytes every 100 ms");
    app.add_option("--redirect-loop", faults.redirectLoopFor,
                   "fault: answer matching requests with endless redirects");
    app.add_option("--oversize", faults.oversizeFor,
                   "fault: answer matching requests with a 64 MB page");
    app.add_option("--throttle-every", faults.throttleEvery,
                   "fault: every N-th group page answers error 999");
    app.add_option("--throttle-for", faults.throttleFor,
                   "fault: requests whose host+path contains TEXT answer error 999");
    app.add_option("--throttle-times", faults.throttleTimes,
                   "fault: --throttle-for answers error 999 only this many times (0: always)");
    app.add_option("--fail-times", faults.failTimes,
                   "fault: --status rules answer only this many matching requests (0: always)");
    app.add_option("--hang", faults.hangFor,
                   "fault: never answer requests whose host+path contains TEXT");
    app.add_option("--hang-times", faults.hangTimes,
                   "fault: --hang holds only this many matching requests (0: always)");
    app.add_option("--not-image", faults.notImageFor,
                   "fault: answer matching requests with a text sent as a JPEG picture");
    app.add_option("--line-ends", faults.lineEnds,
                   "fault: message pages with these line ends instead of LF: crlf, cr, or mixed "
                   "(CR LF, LF and CR in turn, none after the last line)")
        ->check(CLI::IsMember({"crlf", "cr", "mixed"}));
    groupsim::UpdateFile update;
    update.version = tessaly::ProgramVersion();
    app.add_option("--update-version", update.version,
                   "the version the update file names (empty: no version key)")
        ->capture_default_str();
    app.add_option("--update-msg", update.msg, "the update file's Msg (empty: none)");
    app.add_option("--update-url", update.url, "the update file's URLToOpen (empty: none)");
    app.add_option("--update-header", update.header,
                   "an extra NAME:VALUE header on the update file's answer");
    app.footer(
        "Demo accounts: demo_member / tessaly-demo (member of every demo group, enough for three "
        "My Groups pages);\n"
        "               other_member / other-pass (Filler01 and OneMessage).\n"
        "Demo groups: DemoGroup (gaps, purged message, attachments, Files tree, two Photos "
        "albums), BritishWalkers\n"
        "(uk.), SportsFans (sports.), AdultGroup (adult), MixedCaseGroup (listed as "
        "mixedcasegroup), OneMessage,\n"
        "EmptyGroup, Filler01..Filler16.\n"
        "Update server: http://" +
        std::string(tessaly::hosts::kUpdateServer) +
        "/updates/ovupdate.ini (the update file of the --update-* options).\n"
        "Control (host groupsim.control, or a loopback name such as localhost when reached "
        "directly): /log, /log/clear, /echo, /set-cookie?c=SET-COOKIE-VALUE, "
        "/faults?latency=&status=403:/x,...&drop=&stall=&trickle=&loop=\n"
        "&oversize=&throttle=&throttlefor=&throttletimes=&failtimes=&hang=&hangtimes=&notimage=&"
        "lineends=, "
        "/update-file?version=&msg=&url=&header=.  Point a client at it "
        "with "
        "http_proxy=http://127.0.0.1:PORT.  Stops "
        "on SIGTERM/SIGINT.");
    CLI11_PARSE(app, argc, argv);
    const bool tls = tlsPortOption->count() > 0;
    if (tls && (tlsCert.empty() || tlsKey.empty())) {
        std::fprintf(stderr, "--tls-port needs --tls-cert and --tls-key\n");
        return 2;
    }
    for (const auto& rule : fail) {
        const auto colon = rule.find(':');
        if (colon == std::string::npos) {
            std::fprintf(stderr, "--fail needs STATUS:TEXT, got %s\n", rule.c_str());
            return 2;
        }
        faults.statusFor.emplace_back(rule.substr(colon + 1),
                                      std::atoi(rule.substr(0, colon).c_str()));
    }

    // Signals are taken by one thread, which stops the server; every other thread blocks them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    groupsim::SimData data = groupsim::DemoData(seed, messages, bench);
    for (auto& g : data.groups) {
        if (g.name == "DemoGroup") {
            g.authMessages = {authPages.begin(), authPages.end()};
            g.interstitialMessages = {adPages.begin(), adPages.end()};
        }
    }
    if (listBenchFiles) {
        for (const auto& g : data.groups) {
            if (g.name != "BenchFiles" && g.name != "BenchBig") continue;
            const std::string base = std::string("http://f1.") + tessaly::hosts::kFileStore +
                                     "/v1/" +
                                     groupsim::FileStoreToken(seed, "demo_member/" + g.name);
            for (const auto& f : g.files.files)
                std::printf("%s/%s\n", base.c_str(), groupsim::UrlEncode(f).c_str());
        }
        return 0;
    }
    if (listBenchPhotos) {
        for (const auto& g : data.groups) {
            if (g.name != "BenchPhotos") continue;
            const std::string base = std::string("http://f1.") + tessaly::hosts::kFileStore +
                                     "/v1/" +
                                     groupsim::FileStoreToken(seed, "demo_member/" + g.name);
            for (const auto& a : g.albums) {
                for (const auto& photo : a.photos)
                    std::printf("%s/.photos/%s/%s\n", base.c_str(),
                                groupsim::UrlEncode(a.name).c_str(),
                                groupsim::UrlEncode(photo).c_str());
            }
        }
        return 0;
    }
    if (listMessages) {
        for (const auto& g : data.groups) {
            if (g.name != "BigGroup") continue;
            for (const auto& m : g.messages) std::printf("%d\n", m.number);
        }
        return 0;
    }
    groupsim::GroupService service(std::move(data));
    service.SetFaults(faults);
    service.SetUpdateFile(update);
    if (!logFile.empty()) service.SetLogFile(logFile);
    groupsim::SimServer server(service, threads);
    const int bound = server.Bind(bind, port);
    if (bound < 0) {
        std::fprintf(stderr, "tessaly-groupsim: cannot listen on %s:%d\n", bind.c_str(), port);
        return 1;
    }
    int tlsBound = -1;
    if (tls) {
        tlsBound = server.BindTls(bind, tlsPort, tlsCert, tlsKey);
        if (tlsBound < 0) {
            std::fprintf(stderr,
                         "tessaly-groupsim: cannot serve TLS on %s:%d with certificate %s and key "
                         "%s\n",
                         bind.c_str(), tlsPort, tlsCert.c_str(), tlsKey.c_str());
            return 1;
        }
    }
    // The ports are printed once the listeners accept connections: a server stops only once it
    // listens, so a client that read them may stop this program at once.
    const pthread_t mainThread = pthread_self();
    std::atomic<bool> served{false};
    std::thread serving([&] {
        server.Serve();
        served = true;
        pthread_kill(mainThread, SIGTERM);  // Serve also ends when listening fails
    });
    while (!server.Running() && !served) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::printf("%d\n", bound);
    if (tls) std::printf("%d\n", tlsBound);
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.Stop();
    serving.join();
    return 0;
}
