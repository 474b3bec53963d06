// tessaly-cli: the command-line front end. It signs in, lists the cached groups, downloads
// a section of the chosen groups, exports and imports the configuration and checks for a newer
// version, over the core libraries.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "browser/PageBrowser.h"
#include "cli/ArchiveCommands.h"
#include "cli/ConfigCommands.h"
#include "cli/ExitCodes.h"
#include "cli/TerminalUi.h"
#include "cli/TerminalView.h"
#include "harvest/GroupChoice.h"
#include "harvest/SectionWorkers.h"
#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "platform/RunLock.h"
#include "platform/SpecialFolders.h"
#include "platform/TemporaryFiles.h"
#include "registry/GroupCache.h"
#include "registry/ProgramRegistry.h"
#include "service/ProgramVersion.h"
#include "service/ServiceHosts.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "text/TextUtils.h"

using namespace tessaly;
using namespace tessaly::cli;

namespace {

std::atomic<int> interrupts{0};

void OnInterrupt(int) {
    interrupts.fetch_add(1);
}
void OnTerminate(int) {
    interrupts.store(2);
}

struct Credentials {
    std::string user;
    bool passwordStdin = false;
    // How long the service may stay silent during any transfer, pages and items alike, for this
    // run; 0: as the options have it (intTimeOut).
    int timeoutSeconds = 0;
};

int SilenceLimit(const Credentials& creds, const TYahooDownloadOptions& options) {
    return creds.timeoutSeconds > 0 ? creds.timeoutSeconds : options.intTimeOut;
}

// The user name and password for this run: --user or the stored login; the password from
// standard input, a prompt, or the stored one (where storing it is allowed).
bool ResolveCredentials(const Credentials& given, std::string& user, std::string& password) {
    const std::string storedPassword = PasswordStoringAllowed() ? StoredPassword() : std::string();
    user = given.user.empty() ? StoredUserName() : given.user;
    if (Trim(user).empty()) {
        std::cerr << "tessaly-cli: no user name: give --user NAME (or log in once)\n";
        return false;
    }
    if (given.passwordStdin) {
        password = ReadPassword("");
    } else if (::isatty(STDIN_FILENO) != 0 && (storedPassword.empty() || !given.user.empty())) {
        password = ReadPassword("Password for " + user + ": ");
    } else {
        password = storedPassword;
    }
    if (password.empty()) {
        std::cerr << "tessaly-cli: no password: give it on standard input with --password-stdin\n";
        return false;
    }
    return true;
}

// Whether the login failed because the service could not be reached (rather than refused).
bool ServiceUnreachable(TMemberSession& session) {
    return session.Browser().NavigationFailed();  // the last page never came from the service
}

// Tells the user how the run ended and gives its exit status.
int Outcome(TOutcome outcome, std::string_view detail = {}) {
    if (outcome != TOutcome::Ok)
        std::cerr << "tessaly-cli: " << OutcomeText(outcome) << detail << "\n";
    return ExitCodeOf(outcome);
}

int LoginFailure(TMemberSession& session) {
    // No trusted secure connection: the login went no further, and says why.
    if (!session.InsecureLoginFailure().empty())
        return Outcome(TOutcome::Unreachable, ": " + session.InsecureLoginFailure());
    if (ServiceUnreachable(session))
        return Outcome(TOutcome::Unreachable, " (check the network or the proxy setting)");
    return Outcome(TOutcome::LoginRefused);
}

int RunLogin(TYahooDownloadOptions& options, const Credentials& creds, bool useCache) {
    std::string user, password;
    if (!ResolveCredentials(creds, user, password)) return kExitUsage;
    TPageBrowser browser(nullptr, SilenceLimit(creds, options));
    TTerminalUi ui(user, password, useCache, true);
    TMemberSession session(options, browser, ui);
    session.LoadStoredLogin();
    const TLoginResult result = session.RunLoginCommand();
    if (!result.attempted) return kExitUsage;
    if (!result.loggedIn) return LoginFailure(session);
    // Store the groups as a login does, keeping the marks of groups already known.
    const std::vector<std::string> known = LoadCachedGroupNames(session.UserName());
    std::vector<std::string> fresh;
    for (const auto& name : result.names) {
        const bool have = std::any_of(known.begin(), known.end(),
                                      [&](const std::string& k) { return SameText(k, name); });
        if (!have) fresh.push_back(name);
    }
    CacheNewGroups(session.UserName(), fresh);
    std::cout << "Logged in as " << session.UserName() << "; " << result.names.size()
              << " groups:\n";
    for (const auto& name : result.names) std::cout << "  " << name << "\n";
    return kExitOk;
}

int RunGroups(const std::string& userGiven) {
    const std::string user = userGiven.empty() ? StoredUserName() : userGiven;
    if (user.empty()) {
        std::cerr << "tessaly-cli: nobody has logged in yet: run tessaly-cli login first\n";
        return kExitUsage;
    }
    const auto names = LoadCachedGroupNames(user);
    std::cout << "Groups of " << user << " (" << names.size() << "):\n";
    for (const auto& name : names) {
        const TGroupMarks marks = CachedGroupMarks(user, name);
        const auto position = GetLastPosition(user, name);
        std::cout << "  [" << (marks.checked ? 'x' : ' ') << "] " << (marks.favourite ? "* " : "  ")
                  << name;
        if (position > 0) std::cout << "  (last message " << position << ")";
        std::cout << "\n";
    }
    return kExitOk;
}

struct DownloadArgs {
    std::string section = "messages";
    std::string current, fromGroup;
    bool checked = false, all = false, favourites = false, checkedFavourites = false;
    std::vector<std::string> names;
    std::string out;
    int from = 0, to = 0;
    bool resume = false, debug = false;
    int threads = 0;                       // 0: as the options have it
    std::optional<bool> ignoreDuplicates;  // unset: as the options have it
};

bool OutputWritable(const std::string& folder) {
    if (!ForceDirectories(folder)) return false;
    RemoveStaleTemporaries(folder, {".tessaly-write-test"});  // a probe of a killed run
    const std::string probe = folder + ".tessaly-write-test";
    try {
        SaveFileAtomically(probe, "");
    } catch (const EFileError&) {
        return false;
    }
    std::error_code ec;
    std::filesystem::remove(probe, ec);
    return true;
}

int RunDownload(QCoreApplication& app, TYahooDownloadOptions& options, const Credentials& creds,
                const DownloadArgs& a) {
    const std::optional<TSection> section = SectionByName(a.section);
    if (!section) {
        std::cerr << "tessaly-cli: no section \"" << a.section
                  << "\": use messages, attachments, files or photos\n";
        return kExitUsage;
    }
    std::string user, password;
    if (!ResolveCredentials(creds, user, password)) return kExitUsage;

    TGroupChoice choice = TGroupChoice::Checked;
    std::string name;
    if (!a.names.empty())
        choice = TGroupChoice::Named;
    else if (!a.current.empty()) {
        choice = TGroupChoice::Current;
        name = a.current;
    } else if (!a.fromGroup.empty()) {
        choice = TGroupChoice::FromGroup;
        name = a.fromGroup;
    } else if (a.all)
        choice = TGroupChoice::All;
    else if (a.checkedFavourites)
        choice = TGroupChoice::CheckedFavourites;
    else if (a.favourites)
        choice = TGroupChoice::Favourites;
    const std::vector<std::string> groups = ChooseGroups(user, choice, name, a.names);
    if (groups.empty()) {
        std::cerr << "tessaly-cli: no group chosen (log in first to fill the group list, or name "
                     "the groups)\n";
        return kExitUsage;
    }
    if (a.to > 0 && a.from > a.to) {
        std::cerr << "tessaly-cli: --from " << a.from << " lies after --to " << a.to << "\n";
        return kExitUsage;
    }
    const std::string out = a.out.empty()
                                ? IncludeTrailingDelimiter(options.strSaveDir)
                                : IncludeTrailingDelimiter(
                                      std::filesystem::absolute(a.out).lexically_normal().string());
    if (!OutputWritable(out)) {
        std::cerr << "tessaly-cli: cannot write to the output folder " << out << "\n";
        return kExitOutputFolder;
    }
    // Held until the run has ended; a second run into the folder is refused meanwhile.
    const TRunLock hold(out);
    if (hold.State() == TRunLock::TState::Busy) {
        std::cerr << "tessaly-cli: " << FolderBusyText(out) << "\n";
        return kExitFolderBusy;
    }
    if (!hold.MayRun()) {
        std::cerr << "tessaly-cli: cannot write to the output folder " << out << ": "
                  << std::strerror(hold.Error()) << "\n";
        return kExitOutputFolder;
    }
    // Kept for the next run only once it is known to be usable, and only when it changed; the
    // other choices of the run are kept as the options dialog and the chooser keep them.
    bool changed = !a.out.empty() && out != options.strSaveDir;
    if (changed) options.strSaveDir = out;
    // Photos come one at a time by design; --threads asks for more for this run only.
    const bool photoThreads = *section == TSection::Photos;
    if (!photoThreads && a.threads != 0 && a.threads != options.intThreadCount) {
        options.intThreadCount = a.threads;
        changed = true;
    }
    if (a.ignoreDuplicates && *a.ignoreDuplicates != options.boolIgnoreDuplicated) {
        options.boolIgnoreDuplicated = *a.ignoreDuplicates;
        changed = true;
    }
    if (changed) {
        try {
            options.Save();
        } catch (const EFileError& e) {
            std::cerr << "tessaly-cli: cannot save the options: " << e.what() << "\n";
        }
    }
    options.boolDebugDownloads = a.debug;
    options.SetCurrentSection(OptionsSection(*section));
    // The run's silence limit reaches every transfer: the pages here, the items through the
    // options the section's worker reads (never saved).
    options.intTimeOut = SilenceLimit(creds, options);

    TPageBrowser browser(nullptr, options.intTimeOut);
    TTerminalUi ui(user, password, true, false);
    TMemberSession session(options, browser, ui);
    session.SetUserName(Trim(user));
    session.SetPassword(Trim(password));
    session.EndBrowserSession();
    bool loginRefused = false;
    if (!session.FormLogin()) {
        if (ServiceUnreachable(session)) return LoginFailure(session);
        loginRefused = true;  // the run still goes on: every group ends "Error"
    }

    TWorkerInputs inputs;
    inputs.userName = session.UserName();
    inputs.password = session.Password();
    inputs.groups = groups;
    inputs.debugPages = a.debug;
    if (photoThreads && a.threads != 0) inputs.photoItems = a.threads;
    for (const auto& g : groups) {
        std::int64_t first = a.from;
        if (a.resume && first == 0)
            first = std::max<std::int64_t>(0, GetLastPosition(inputs.userName, g));
        inputs.starts.Add(first);
        inputs.ends.Add(a.to);
    }
    const bool live = ::isatty(STDOUT_FILENO) != 0;
    TTerminalView view(groups, live, FileForm(*section));
    // The run's end quits at once, not at the watch's next look.
    view.OnFinished = [&app] { app.quit(); };
    TStopRequests stops;
    TUiThread uiThread;
    const std::unique_ptr<TDownloadWorker> worker =
        MakeSectionWorker(*section, session, options, view, stops, uiThread, std::move(inputs));
    if (!worker) {
        std::cerr << "tessaly-cli: the section \"" << a.section << "\" is not available yet\n";
        return kExitUsage;
    }

    signal(SIGINT, OnInterrupt);
    signal(SIGTERM, OnTerminate);
    bool userStopped = false;
    bool stopAllAsked = false;  // the run clears its request when it ends; asked once is enough
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int n = interrupts.load();
        if (n >= 1 && !userStopped) {
            userStopped = true;
            stops.stopCurrent = true;
            std::cerr << "\nStop: leaving the current group (Ctrl-C again stops all)\n";
        }
        if (n >= 2 && !stopAllAsked) {
            stopAllAsked = true;
            stops.stopAll = true;
            std::cerr << "\nStop All: skipping the remaining groups\n";
        }
        view.Refresh();
        if (view.Finished()) app.quit();
    });
    watch.start(50);
    worker->Start();
    app.exec();
    worker->Wait();

    int failed = 0;
    std::cout << "\nArchive: " << IncludeTrailingDelimiter(options.strSaveDir) << "\n";
    for (const auto& row : view.Summary()) {
        const bool bad = IsFailure(row.code);
        std::cout << "  " << row.group << ": " << row.status << " (" << row.detail << ")\n";
        if (bad) {
            ++failed;
            std::cerr << "tessaly-cli: " << row.group << " failed ("
                      << (loginRefused ? std::string("the login was refused") : row.status) << ")"
                      << (row.reason.empty() ? "" : ": ") << row.reason << "\n";
        }
    }
    // The store first: nothing of the run could be recorded, and later groups were not started.
    if (worker->StoreFailed()) return Outcome(TOutcome::Store, " (" + worker->RunFailure() + ")");
    if (loginRefused) return Outcome(TOutcome::LoginRefused);
    if (userStopped || interrupts.load() > 0) return Outcome(TOutcome::Stopped);
    if (!worker->RunFailure().empty())
        return Outcome(TOutcome::GroupsFailed,
                       " (the run ended early: " + worker->RunFailure() + ")");
    return Outcome(failed > 0 ? TOutcome::GroupsFailed : TOutcome::Ok);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CLI::App cli{"tessaly-cli: archive the messages of Yahoo! Groups from a terminal"};
    cli.require_subcommand(1);
    cli.set_version_flag("--version", "tessaly-cli " + ProgramVersion());
    Credentials creds;
    auto addCredentials = [&creds](CLI::App* sub) {
        sub->add_option("--user", creds.user, "the member's user name (default: the stored login)");
        sub->add_flag("--password-stdin", creds.passwordStdin,
                      "read the password from one line of standard input");
        sub->add_option("--timeout", creds.timeoutSeconds,
                        "seconds the service may stay silent before a page, file or picture "
                        "counts as failed (default: the option intTimeOut, 60)")
            ->check(CLI::Range(1, TPageBrowser::kPageTimeLimitSeconds));
    };
    CLI::App* login = cli.add_subcommand("login", "sign in and list the member's groups");
    addCredentials(login);
    bool useCache = false, refresh = false;
    login->add_flag("--use-cache", useCache,
                    "take the groups from the cache when it has any (the default)");
    login->add_flag("--refresh", refresh, "read the groups from the service's My Groups pages");
    CLI::App* groups =
        cli.add_subcommand("groups", "list the cached groups with their marks and last positions");
    std::string groupsUser;
    groups->add_option("--user", groupsUser, "whose groups (default: the stored login)");
    CLI::App* download = cli.add_subcommand("download", "download a section of the chosen groups");
    addCredentials(download);
    DownloadArgs d;
    download->add_option("--section", d.section, "messages, attachments, files or photos")
        ->capture_default_str();
    download
        ->add_option(
            "--threads", d.threads,
            "parallel downloads, 1 to 9: of files and attachments (kept for later runs), of "
            "photos (this run only; one at a time otherwise)")
        ->check(CLI::Range(1, 9));
    download->add_flag_callback(
        "--ignore-duplicates", [&d] { d.ignoreDuplicates = true; },
        "skip files (photos) the Files (Photos) index records as downloaded (kept for later runs)");
    download->add_flag_callback(
        "--no-ignore-duplicates", [&d] { d.ignoreDuplicates = false; },
        "download every file again (kept for later runs)");
    download->add_option("--current", d.current, "only this group");
    download->add_flag("--checked", d.checked, "the checked groups (the default)");
    download->add_flag("--all", d.all, "all cached groups");
    download->add_flag("--favourites", d.favourites, "the favourite groups");
    download->add_flag("--checked-favourites", d.checkedFavourites, "the checked favourite groups");
    download->add_option("--from-group", d.fromGroup, "the cached groups from this one on");
    download->add_option("--out", d.out, "output folder (saved to the options)");
    download->add_option("--from", d.from, "first message number of every group")
        ->check(CLI::NonNegativeNumber);
    download->add_option("--to", d.to, "last message number of every group")
        ->check(CLI::NonNegativeNumber);
    download->add_flag("--resume", d.resume, "start every group at its stored last position");
    download->add_flag("--debug", d.debug, "save the fetched pages into the debug folder");
    download->add_option("names", d.names, "groups to download, by name");
    CLI::App* exportConfig = cli.add_subcommand(
        "export-config",
        "write the configuration (registry.reg and the configuration folder) into DIR");
    std::string exportFolder;
    exportConfig
        ->add_option("DIR", exportFolder, "the folder to export into (created when missing)")
        ->required();
    CLI::App* importConfig = cli.add_subcommand(
        "import-config", "read a configuration exported with export-config back from DIR");
    std::string importFolder;
    importConfig->add_option("DIR", importFolder, "the folder holding registry.reg")->required();
    CLI::App* checkUpdate =
        cli.add_subcommand("check-update", "ask the update server whether a newer version exists");
    std::string updateServer;
    checkUpdate->add_option(
        "--server", updateServer,
        "the update server's host[:port] (default: the option strUpdateServer)");
    CLI::App* archiveCmd =
        cli.add_subcommand("archive", "read what was saved: a browsable site, mbox files");
    archiveCmd->require_subcommand(1);
    std::string archiveDir, archiveGroup, mboxFile;
    CLI::App* archiveBuild = archiveCmd->add_subcommand(
        "build", "write or update the browsable site in DIR/Archive/ (saved files stay untouched)");
    archiveBuild->add_option("DIR", archiveDir, "the output folder of the downloads")->required();
    CLI::App* archiveMbox =
        archiveCmd->add_subcommand("mbox", "write the saved messages of a group as an mbox file");
    archiveMbox->add_option("DIR", archiveDir, "the output folder of the downloads")->required();
    archiveMbox->add_option("GROUP", archiveGroup, "the group")->required();
    archiveMbox->add_option("--out", mboxFile, "the mbox file to write")->required();
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end well; every wrong argument is a usage error, whatever the
        // argument library would number it.
        const int libraryCode = cli.exit(e);
        return libraryCode == 0 ? kExitOk : kExitUsage;
    }

    // Reading an archive needs neither the settings nor a sign-in.
    if (*archiveBuild) return RunArchiveBuild(archiveDir);
    if (*archiveMbox) return RunArchiveMbox(archiveDir, archiveGroup, mboxFile);

    // Temporaries of a run that was killed while it saved a settings file.
    RemoveStaleTemporaries(SettingsFolder(), {ExtractFileName(TYahooDownloadOptions::FileName())});
    RemoveStaleTemporaries(PrivateStateFolder(), {"cookies.txt"});
    TYahooDownloadOptions options;
    try {
        options.Load();
    } catch (const EFileError& e) {
        std::cerr << "tessaly-cli: cannot read the options: " << e.what() << "\n";
        return kExitUsage;
    }
    try {
        if (*login) return RunLogin(options, creds, !refresh);
        if (*groups) return RunGroups(groupsUser);
        if (*exportConfig) return RunExportConfig(exportFolder);
        if (*importConfig) return RunImportConfig(importFolder);
        if (*checkUpdate) return RunCheckUpdate(options, updateServer);
        return RunDownload(app, options, creds, d);
    } catch (const ERegistryException& e) {
        // The member's cache and marks live there: say which file and why, change nothing.
        return Outcome(TOutcome::Store, std::string(" (") + e.what() + ")");
    }
}
