#pragma once
// The program's own boxes: messages, one-line input and the login box, one window with three
// pages of which one is shown. A box is made for one question and released afterwards; only the
// use-cache choice of the login page (registry value UseCache) carries over from one box to the
// next. Only the login page uses the settings store, so a box can always tell that the store
// failed.
//
// The boxes have no parent window: the progress dialog disables the window that was active
// while it runs, and a box asked for meanwhile (the login's error box) must stay usable. They are
// placed over their owner instead.

#include <QDialog>
#include <QPointer>
#include <string>
#include <vector>

#include "dialogs/Dialogs.h"
#include "registry/LoginProfiles.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace tessaly::gui {

class TfrmCommonDlg : public QDialog {
    Q_OBJECT
public:
    enum Page { pgMessageBox = 0, pgPasswordBox = 1, pgInputBox = 2 };

    explicit TfrmCommonDlg(QWidget* owner);

    void ShowMessagePage(const std::string& text, TMessageKind kind, bool ask);
    void ShowInputPage(const std::string& caption, const std::string& prompt,
                       const std::string& text);
    void ShowPasswordPage(const std::string& caption, const std::string& userName, bool plainMode,
                          const std::string& password);

    [[nodiscard]] std::string UserNameText() const;
    [[nodiscard]] std::string PasswordText() const;
    [[nodiscard]] std::string InputText() const;
    [[nodiscard]] bool UseCacheChecked() const;

    // Stores the use-cache choice (of the login page) whatever way the box closes.
    void done(int result) override;

    // The profile names and passwords, as the profile editor keeps them.
    [[nodiscard]] const std::vector<TLoginProfile>& Profiles() const { return profiles_; }

private:
    void FillProfileNames();
    void ProfileChosen(int index);
    void btProfilesClick();
    void PlaceOver();

    QStackedWidget* nbPages_;
    QLabel* imgKind_;
    QLabel* lbMessage_;
    QComboBox* cbUserName_;
    QLineEdit* txtUserName_;
    QLineEdit* txtPassword_;
    QCheckBox* cbUseCache_;
    QLabel* lbPrompt_;
    QLineEdit* txtInput_;
    QPushButton* btOk_;
    QPushButton* btCancel_;
    QPushButton* btCenterOk_;
    QPushButton* btProfiles_;
    QPointer<QWidget> owner_;
    bool plainMode_ = true;
    bool keepsUseCache_ = false;  // the login page was shown
    std::vector<TLoginProfile> profiles_;
};

// Shows `text` in a box of the kind; with `ask` offers Ok and Cancel, else Ok alone. True when
// the user confirmed with Ok.
bool CommonMessageBox(QWidget* owner, const std::string& text, TMessageKind kind, bool ask);
// True when confirmed; `text` then holds the edit's text, else it stays as it was.
bool CommonInputBox(QWidget* owner, const std::string& caption, const std::string& prompt,
                    std::string& text);
// The login box; in plain mode a free user-name field and no profiles or cache choice, in
// profile mode the list of profile names, the "Profiles" button and the use-cache box (ticked).
bool CommonPasswordBox(QWidget* owner, const std::string& caption, std::string& userName,
                       bool plainMode, bool& useCache, std::string& password);

// A box text as the widgets show it: "\r\n" and "\n\r" are one line break.
[[nodiscard]] QString BoxText(const std::string& text);

}  // namespace tessaly::gui
