#include "dialogs/LoginInput.h"

#include "text/TextUtils.h"

namespace tessaly {

const char* MessageKindCaption(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Warning:
            return "Warning";
        case TMessageKind::Error:
            return "Error";
        case TMessageKind::Information:
            return "Information";
        case TMessageKind::Confirmation:
            return "confirmation";
    }
    return "Warning";
}

bool LooksLikeEmail(std::string_view text) {
    std::string first, second;
    SplitOnce(text, '@', first, second);
    first = Trim(first);
    second = Trim(second);
    return !first.empty() && !second.empty() && second.find('.') != std::string::npos;
}

bool CheckLoginInput(IDialogs& dialogs, const std::string& userName, const std::string& password) {
    if (Trim(userName).empty()) {
        dialogs.CommonMessageBox("Please enter a valid User Name", TMessageKind::Warning, false);
        return false;
    }
    if (Trim(password).empty()) {
        dialogs.CommonMessageBox("Please enter a valid password", TMessageKind::Warning, false);
        return false;
    }
    if (LooksLikeEmail(userName) || userName.find('@') != std::string::npos) {
        dialogs.CommonMessageBox(
            "You should not enter Email Address Here. Please Enter your UserID",
            TMessageKind::Warning, false);
        return false;
    }
    return true;
}

}  // namespace tessaly
