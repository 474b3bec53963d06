#pragma once
// The core's login front end in the desktop program: its boxes are the program's own boxes, its
// progress the progress dialog, its status the main window's status bar.

#include "session/LoginUi.h"

namespace tessaly::gui {

class TfrmYahooMain;

class TGuiLoginUi : public ILoginUi {
public:
    explicit TGuiLoginUi(TfrmYahooMain& main) : main_(main) {}

    bool CommonMessageBox(const std::string& text, TMessageKind kind, bool ask) override;
    bool CommonInputBox(const std::string& caption, const std::string& prompt,
                        std::string& text) override;
    bool CommonPasswordBox(const std::string& caption, std::string& userName, bool plainMode,
                           bool& useCache, std::string& password) override;
    void ShowPlainMessage(const std::string& text) override;
    void StartProgress(const std::string& caption, int maximum) override;
    void SetStatusText(const std::string& text) override;
    void ResetProgressDialog() override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void OpenWebPage(const std::string& url) override;

private:
    TfrmYahooMain& main_;
};

}  // namespace tessaly::gui
