#include "support/RecordingLoginUi.h"

namespace tessaly::test {

bool RecordingLoginUi::CommonMessageBox(const std::string& text, TMessageKind kind, bool) {
    messages.push_back(std::string(MessageKindCaption(kind)) + ": " + text);
    return messageAnswer;
}

bool RecordingLoginUi::CommonInputBox(const std::string& caption, const std::string&,
                                      std::string& text) {
    messages.push_back("input: " + caption);
    if (!inputAnswer) return false;
    text = *inputAnswer;
    return true;
}

bool RecordingLoginUi::CommonPasswordBox(const std::string& caption, std::string& userName,
                                         bool plain, bool& useCache, std::string& password) {
    ++passwordBoxes;
    boxCaption = caption;
    plainMode = plain;
    useCache = answerUseCache;
    if (!confirm) return false;
    userName = answerUser;
    password = answerPassword;
    return true;
}

void RecordingLoginUi::ShowPlainMessage(const std::string& text) {
    messages.push_back("plain: " + text);
}

void RecordingLoginUi::StartProgress(const std::string& caption, int) {
    status.push_back("progress: " + caption);
}

void RecordingLoginUi::SetStatusText(const std::string& text) {
    status.push_back(text);
}

void RecordingLoginUi::SetStatusPanel(int panel, const std::string& text) {
    status.push_back("panel" + std::to_string(panel) + ": " + text);
}

void RecordingLoginUi::OpenWebPage(const std::string& url) {
    opened.push_back(url);
}

}  // namespace tessaly::test
