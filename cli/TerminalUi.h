#pragma once
// The login's boxes and messages on a terminal: the login box answers with the user name and
// password given on the command line (or asked for without echo), messages go to standard error.

#include <string>
#include <vector>

#include "session/LoginUi.h"

namespace tessaly::cli {

class TTerminalUi : public ILoginUi {
public:
    TTerminalUi(std::string user, std::string password, bool useCache, bool verbose);

    bool CommonMessageBox(const std::string& text, TMessageKind kind, bool ask) override;
    bool CommonInputBox(const std::string& caption, const std::string& prompt,
                        std::string& text) override;
    bool CommonPasswordBox(const std::string& caption, std::string& userName, bool plainMode,
                           bool& useCache, std::string& password) override;
    void ShowPlainMessage(const std::string& text) override;
    void StartProgress(const std::string& caption, int maximum) override;
    void SetStatusText(const std::string& text) override;
    void ResetProgressDialog() override {}
    void SetStatusPanel(int, const std::string&) override {}
    void OpenWebPage(const std::string& url) override;

    [[nodiscard]] const std::vector<std::string>& Messages() const { return messages_; }

private:
    std::string user_;
    std::string password_;
    bool useCache_;
    bool verbose_;
    std::vector<std::string> messages_;
};

// Reads a password: one line of standard input, without echo when it is a terminal.
std::string ReadPassword(const std::string& prompt);

}  // namespace tessaly::cli
