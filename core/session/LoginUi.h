#pragma once
// What the login needs from a front end: the common dialogs, the login box, the small progress
// dialog and the status line. The command-line front end prints or asks on the terminal; tests
// record them.

#include <string>

#include "dialogs/Dialogs.h"

namespace tessaly {

// Addresses of the program's maker, in one place.
inline constexpr const char* kPasswordHelpUrl = "https://tessaly.example.org/help/password";
inline constexpr const char* kSupportMail = "support@tessaly.example.org";

class ILoginUi : public IDialogs {
public:
    // The login box: caption, user name and password in and out, plain mode (no profiles, no
    // use-cache box) or profile mode, use-cache out. False when cancelled.
    virtual bool CommonPasswordBox(const std::string& caption, std::string& userName,
                                   bool plainMode, bool& useCache, std::string& password) = 0;
    // A plain message box with OK.
    virtual void ShowPlainMessage(const std::string& text) = 0;
    virtual void StartProgress(const std::string& caption, int maximum) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void ResetProgressDialog() = 0;
    virtual void SetStatusPanel(int panel, const std::string& text) = 0;
    // Opens a web page for the user (the password help page).
    virtual void OpenWebPage(const std::string& url) = 0;
};

}  // namespace tessaly
