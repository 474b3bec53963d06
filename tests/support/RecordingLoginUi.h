#pragma once
// A login front end for tests: records what the login shows and answers the login box as told.

#include <optional>
#include <string>
#include <vector>

#include "session/LoginUi.h"

namespace tessaly::test {

// The simulated service's demo member.
inline constexpr const char* kDemoUser = "demo_member";
inline constexpr const char* kDemoPassword = "tessaly-demo";

class RecordingLoginUi : public ILoginUi {
public:
    // Records "<caption of the kind>: <text>" in `messages`; answers `messageAnswer`.
    bool CommonMessageBox(const std::string& text, TMessageKind kind, bool ask) override;
    // Records the caption and the mode; when `confirm`, fills in `answerUser` and
    // `answerPassword` and confirms, else cancels. Either way `useCache` becomes
    // `answerUseCache`.
    bool CommonPasswordBox(const std::string& caption, std::string& userName, bool plain,
                           bool& useCache, std::string& password) override;
    // Records "input: <caption>" in `messages`; with `inputAnswer` set, returns it and confirms.
    bool CommonInputBox(const std::string& caption, const std::string& prompt,
                        std::string& text) override;
    // Records "plain: <text>" in `messages`.
    void ShowPlainMessage(const std::string& text) override;
    // Records "progress: <caption>" in `status`.
    void StartProgress(const std::string& caption, int maximum) override;
    // Records the text in `status`.
    void SetStatusText(const std::string& text) override;
    void ResetProgressDialog() override {}
    // Records "panel<N>: <text>" in `status`.
    void SetStatusPanel(int panel, const std::string& text) override;
    // Records the address in `opened`; opens nothing.
    void OpenWebPage(const std::string& url) override;

    // Answers.
    bool messageAnswer = false;
    bool confirm = true;
    bool answerUseCache = true;
    std::string answerUser = kDemoUser;
    std::string answerPassword = kDemoPassword;
    std::optional<std::string> inputAnswer;  // unset: input boxes are cancelled

    // Records, in the order they came.
    std::vector<std::string> messages;
    std::vector<std::string> status;
    std::vector<std::string> opened;
    int passwordBoxes = 0;
    std::string boxCaption;  // of the latest login box
    bool plainMode = true;   // of the latest login box
};

}  // namespace tessaly::test
