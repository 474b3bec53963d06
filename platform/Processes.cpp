#include "platform/Processes.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <vector>

extern char** environ;

namespace tessaly {

bool RunProgram(const std::string& commandLine, bool /*hidden*/, bool wait) {
    QStringList args = QProcess::splitCommand(QString::fromLocal8Bit(commandLine));
    if (args.isEmpty()) return false;
    if (!wait) {
        // Detached: the child is re-parented, so no zombie is left behind.
        QString program = args.takeFirst();
        return QProcess::startDetached(program, args);
    }
    std::vector<std::string> owned;
    owned.reserve(static_cast<std::size_t>(args.size()));
    for (const QString& a : args) owned.push_back(a.toLocal8Bit().toStdString());
    std::vector<char*> argv;
    for (auto& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

void OpenWithShell(const std::string& target) {
    if (target.empty()) return;
    QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromLocal8Bit(target)});
}

namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool TStartGate::MayStart() const {
    return NowMs() >= quietUntil_.load();
}

void TStartGate::Failed() {
    quietUntil_ = NowMs() + std::chrono::milliseconds(kQuiet).count();
}

}  // namespace tessaly
