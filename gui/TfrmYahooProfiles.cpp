#include "gui/TfrmYahooProfiles.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"
#include "gui/TfrmCommonDlg.h"
#include "platform/RegistryStore.h"

namespace tessaly::gui {

TfrmYahooProfiles::TfrmYahooProfiles(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmYahooProfiles"));
    setWindowTitle(tr("Profile Editor"));
    lbProfile_ = new QListWidget(this);
    lbProfile_->setObjectName(QStringLiteral("lbProfile"));
    txtUserName_ = new QLineEdit(this);
    txtUserName_->setObjectName(QStringLiteral("txtUserName"));
    txtUserName_->setReadOnly(true);
    txtPassword_ = new QLineEdit(this);
    txtPassword_->setObjectName(QStringLiteral("txtPassword"));
    txtPassword_->setReadOnly(true);
    txtPassword_->setEchoMode(QLineEdit::Password);
    cbShowPassword_ = new QCheckBox(tr("Show Password"), this);
    cbShowPassword_->setObjectName(QStringLiteral("cbShowPassword"));
    btAddProfile_ = new QPushButton(tr("Add"), this);
    btAddProfile_->setObjectName(QStringLiteral("btAddProfile"));
    btEditProfile_ = new QPushButton(tr("Edit"), this);
    btEditProfile_->setObjectName(QStringLiteral("btEditProfile"));
    btDeleteProfile_ = new QPushButton(tr("Delete"), this);
    btDeleteProfile_->setObjectName(QStringLiteral("btDeleteProfile"));
    btSelect_ = new QPushButton(tr("Select"), this);
    btSelect_->setObjectName(QStringLiteral("btSelect"));
    btSelect_->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(tr("User Name"), this), 0, 0);
    fields->addWidget(txtUserName_, 0, 1);
    fields->addWidget(new QLabel(tr("Password"), this), 1, 0);
    fields->addWidget(txtPassword_, 1, 1);
    fields->addWidget(cbShowPassword_, 2, 1);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {btAddProfile_, btEditProfile_, btDeleteProfile_, btSelect_})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Profiles..."), this));
    layout->addWidget(lbProfile_);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(lbProfile_, &QListWidget::currentRowChanged, this, [this] { ShowProfile(); });
    connect(cbShowPassword_, &QCheckBox::toggled, this, [this](bool show) {
        txtPassword_->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(btAddProfile_, &QPushButton::clicked, this,
            Guarded(this, "Add", [this] { btAddProfileClick(); }));
    connect(btEditProfile_, &QPushButton::clicked, this,
            Guarded(this, "Edit", [this] { btEditProfileClick(); }));
    connect(btDeleteProfile_, &QPushButton::clicked, this,
            Guarded(this, "Delete", [this] { btDeleteProfileClick(); }));
    connect(btSelect_, &QPushButton::clicked, this,
            Guarded(this, "Select", [this] { btSelectClick(); }));
    LoadProfiles();
}

void TfrmYahooProfiles::LoadProfiles() {
    profiles_ = LoadLoginProfiles();
    lbProfile_->clear();
    for (const auto& p : profiles_) lbProfile_->addItem(QString::fromStdString(p.userName));
    if (!profiles_.empty()) lbProfile_->setCurrentRow(0);
    ShowProfile();
}

bool TfrmYahooProfiles::SaveProfiles() {
    try {
        SaveLoginProfiles(profiles_);
        return true;
    } catch (const ERegistryException& e) {
        CommonMessageBox(this,
                         std::string("The profiles could not be saved; the stored profiles are "
                                     "unchanged.\r\n\r\n") +
                             e.what(),
                         TMessageKind::Error, false);
        return false;
    }
}

int TfrmYahooProfiles::SelectedIndex() const {
    const int row = lbProfile_->currentRow();
    return row >= 0 && static_cast<std::size_t>(row) < profiles_.size() ? row : -1;
}

void TfrmYahooProfiles::ShowProfile() {
    const int row = SelectedIndex();
    if (row < 0) {
        txtUserName_->clear();
        txtPassword_->clear();
        return;
    }
    const auto& p = profiles_[static_cast<std::size_t>(row)];
    txtUserName_->setText(QString::fromStdString(p.userName));
    txtPassword_->setText(QString::fromStdString(p.password));
}

void TfrmYahooProfiles::btAddProfileClick() {
    std::string user, password;
    bool useCache = false;
    if (!CommonPasswordBox(this, "Add Profile", user, true, useCache, password)) return;
    profiles_.push_back({user, password});
    lbProfile_->addItem(QString::fromStdString(user));
    lbProfile_->setCurrentRow(lbProfile_->count() - 1);
    ShowProfile();
}

void TfrmYahooProfiles::btEditProfileClick() {
    const int row = SelectedIndex();
    if (row < 0) {
        CommonMessageBox(this, "Please select an item before editing.", TMessageKind::Error, false);
        return;
    }
    auto& p = profiles_[static_cast<std::size_t>(row)];
    std::string user = p.userName, password = p.password;
    bool useCache = false;
    if (!CommonPasswordBox(this, "Edit Profile", user, true, useCache, password)) return;
    p = {user, password};
    lbProfile_->item(row)->setText(QString::fromStdString(user));
    ShowProfile();
}

void TfrmYahooProfiles::btDeleteProfileClick() {
    const int row = SelectedIndex();
    if (row < 0) {
        CommonMessageBox(this, "Please select an item before deleting.", TMessageKind::Error,
                         false);
        return;
    }
    profiles_.erase(profiles_.begin() + row);
    delete lbProfile_->takeItem(row);
    lbProfile_->setCurrentRow(profiles_.empty() ? -1 : 0);
    ShowProfile();
}

void TfrmYahooProfiles::btSelectClick() {
    const int row = SelectedIndex();
    if (row < 0) {
        CommonMessageBox(this, "Please select an item before Selecting.", TMessageKind::Error,
                         false);
        return;
    }
    selected_ = profiles_[static_cast<std::size_t>(row)];
    accept();
}

std::pair<std::string, std::string> TfrmYahooProfiles::GetSelected() const {
    return {selected_.userName, selected_.password};
}

void TfrmYahooProfiles::done(int result) {
    (void)SaveProfiles();
    QDialog::done(result);
}

}  // namespace tessaly::gui
