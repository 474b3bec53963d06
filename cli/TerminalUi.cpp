#include "cli/TerminalUi.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "text/TextUtils.h"

namespace tessaly::cli {

std::string ReadPassword(const std::string& prompt) {
    const bool tty = ::isatty(STDIN_FILENO) != 0;
    termios old{};
    if (tty) {
        std::cerr << prompt << std::flush;
        ::tcgetattr(STDIN_FILENO, &old);
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::cerr << "\n";
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

TTerminalUi::TTerminalUi(std::string user, std::string password, bool useCache, bool verbose)
    : user_(std::move(user)),
      password_(std::move(password)),
      useCache_(useCache),
      verbose_(verbose) {}

bool TTerminalUi::CommonMessageBox(const std::string& text, TMessageKind kind, bool) {
    const std::string flat = ReplaceAllStr(ReplaceAllStr(text, "\r\n", " "), "  ", " ");
    messages_.push_back(flat);
    std::cerr << MessageKindCaption(kind) << ": " << flat << "\n";
    return false;  // nothing to confirm on a terminal (no help page is opened)
}

bool TTerminalUi::CommonInputBox(const std::string& caption, const std::string&, std::string&) {
    // Runs of the command-line program take everything from their arguments: an input box is
    // answered as cancelled and the caller goes on without it.
    std::cerr << caption << ": no input on the command line, cancelled\n";
    return false;
}

bool TTerminalUi::CommonPasswordBox(const std::string&, std::string& userName, bool, bool& useCache,
                                    std::string& password) {
    if (!user_.empty()) userName = user_;
    if (!password_.empty()) password = password_;
    useCache = useCache_;
    return true;
}

void TTerminalUi::ShowPlainMessage(const std::string& text) {
    CommonMessageBox(text, TMessageKind::Information, false);
}

void TTerminalUi::StartProgress(const std::string& caption, int) {
    if (verbose_) std::cerr << caption << "\n";
}

void TTerminalUi::SetStatusText(const std::string& text) {
    if (verbose_) std::cerr << text << "\n";
}

void TTerminalUi::OpenWebPage(const std::string& url) {
    std::cerr << "See " << url << "\n";
}

}  // namespace tessaly::cli
