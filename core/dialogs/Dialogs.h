#pragma once
// How the core asks the user something or tells the user something. The command-line front end
// prints these (and asks on the terminal); tests record them. The core never knows which front
// end it talks to.

#include <string>

namespace tessaly {

enum class TMessageKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// The caption of each kind: "Warning", "Error", "Information", "confirmation".
[[nodiscard]] const char* MessageKindCaption(TMessageKind kind);

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Shows `text`; with `ask`, offers Ok and Cancel. True when the user confirmed with Ok.
    virtual bool CommonMessageBox(const std::string& text, TMessageKind kind, bool ask) = 0;
    // A one-line input box with a caption and a prompt, the edit starting with `text`. True when
    // the user confirmed with Ok (`text` then holds what was entered); otherwise `text` stays.
    virtual bool CommonInputBox(const std::string& caption, const std::string& prompt,
                                std::string& text) = 0;
};

}  // namespace tessaly
