#pragma once
// The profile editor: lists, adds, edits, deletes and selects the stored login profiles. The
// registry is read once when the editor is made and written once, in one transaction, when it
// closes (by "Select" or otherwise); edits in between live in the editor.

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

#include "registry/LoginProfiles.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tessaly::gui {

class TfrmYahooProfiles : public QDialog {
    Q_OBJECT
public:
    explicit TfrmYahooProfiles(QWidget* parent = nullptr);

    [[nodiscard]] std::pair<std::string, std::string> GetSelected() const;
    [[nodiscard]] const std::vector<TLoginProfile>& GetProfileLists() const { return profiles_; }

    void btAddProfileClick();
    void btEditProfileClick();
    void btDeleteProfileClick();
    void btSelectClick();

    // SaveProfiles runs on every close.
    void done(int result) override;

private:
    void LoadProfiles();
    bool SaveProfiles();
    void ShowProfile();
    [[nodiscard]] int SelectedIndex() const;

    std::vector<TLoginProfile> profiles_;
    TLoginProfile selected_;
    QListWidget* lbProfile_;
    QLineEdit* txtUserName_;
    QLineEdit* txtPassword_;
    QCheckBox* cbShowPassword_;
    QPushButton* btAddProfile_;
    QPushButton* btEditProfile_;
    QPushButton* btDeleteProfile_;
    QPushButton* btSelect_;
};

}  // namespace tessaly::gui
