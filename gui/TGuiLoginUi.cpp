#include "gui/TGuiLoginUi.h"

#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooMain.h"

namespace tessaly::gui {

bool TGuiLoginUi::CommonMessageBox(const std::string& text, TMessageKind kind, bool ask) {
    return gui::CommonMessageBox(&main_, text, kind, ask);
}

bool TGuiLoginUi::CommonInputBox(const std::string& caption, const std::string& prompt,
                                 std::string& text) {
    return gui::CommonInputBox(&main_, caption, prompt, text);
}

bool TGuiLoginUi::CommonPasswordBox(const std::string& caption, std::string& userName,
                                    bool plainMode, bool& useCache, std::string& password) {
    return gui::CommonPasswordBox(&main_, caption, userName, plainMode, useCache, password);
}

void TGuiLoginUi::ShowPlainMessage(const std::string& text) {
    gui::CommonMessageBox(&main_, text, TMessageKind::Information, false);
}

void TGuiLoginUi::StartProgress(const std::string& caption, int maximum) {
    main_.Progress().StartProgress(caption, maximum);
}

void TGuiLoginUi::SetStatusText(const std::string& text) {
    main_.Progress().SetStatusText(text);
}

void TGuiLoginUi::ResetProgressDialog() {
    main_.ResetProgressDialog();
}

void TGuiLoginUi::SetStatusPanel(int panel, const std::string& text) {
    main_.SetStatusPanel(panel, text);
}

void TGuiLoginUi::OpenWebPage(const std::string& url) {
    main_.OpenUrl(url);
}

}  // namespace tessaly::gui
