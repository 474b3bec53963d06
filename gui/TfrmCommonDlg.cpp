#include "gui/TfrmCommonDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"
#include "gui/TfrmYahooProfiles.h"
#include "registry/ProgramRegistry.h"

namespace tessaly::gui {
namespace {

QLabel* KeyPicture(QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setPixmap(
        parent->style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(QSize(32, 32)));
    picture->setAlignment(Qt::AlignTop);
    return picture;
}

QStyle::StandardPixmap KindPicture(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Warning:
            return QStyle::SP_MessageBoxWarning;
        case TMessageKind::Error:
            return QStyle::SP_MessageBoxCritical;
        case TMessageKind::Information:
            return QStyle::SP_MessageBoxInformation;
        case TMessageKind::Confirmation:
            return QStyle::SP_MessageBoxQuestion;
    }
    return QStyle::SP_MessageBoxInformation;
}

}  // namespace

QString BoxText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    s.remove(QLatin1Char('\r'));
    return s;
}

TfrmCommonDlg::TfrmCommonDlg(QWidget* owner) : QDialog(nullptr), owner_(owner) {
    setObjectName(QStringLiteral("TfrmCommonDlg"));
    setModal(true);
    // A box closing never ends the program, even when no other window of it shows at that
    // moment: the window a box answers for may be one whose owner is hidden (the progress
    // window, while its run keeps the main window hidden).
    setAttribute(Qt::WA_QuitOnClose, false);
    nbPages_ = new QStackedWidget(this);

    auto* messagePage = new QWidget(nbPages_);
    auto* messageLayout = new QHBoxLayout(messagePage);
    imgKind_ = new QLabel(messagePage);
    imgKind_->setAlignment(Qt::AlignTop);
    lbMessage_ = new QLabel(messagePage);
    lbMessage_->setObjectName(QStringLiteral("lbMessage"));
    lbMessage_->setWordWrap(true);
    lbMessage_->setAlignment(Qt::AlignCenter);
    lbMessage_->setMinimumWidth(320);
    lbMessage_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    messageLayout->addWidget(imgKind_);
    messageLayout->addWidget(lbMessage_, 1);

    auto* passwordPage = new QWidget(nbPages_);
    auto* passwordLayout = new QGridLayout(passwordPage);
    passwordLayout->addWidget(KeyPicture(passwordPage), 0, 0, 3, 1);
    passwordLayout->addWidget(new QLabel(tr("User Name"), passwordPage), 0, 1);
    cbUserName_ = new QComboBox(passwordPage);
    cbUserName_->setObjectName(QStringLiteral("cbUserName"));
    cbUserName_->setEditable(true);
    cbUserName_->setInsertPolicy(QComboBox::NoInsert);
    txtUserName_ = new QLineEdit(passwordPage);
    txtUserName_->setObjectName(QStringLiteral("txtUserName"));
    passwordLayout->addWidget(cbUserName_, 0, 2);
    passwordLayout->addWidget(txtUserName_, 0, 2);
    passwordLayout->addWidget(new QLabel(tr("Password"), passwordPage), 1, 1);
    txtPassword_ = new QLineEdit(passwordPage);
    txtPassword_->setObjectName(QStringLiteral("txtPassword"));
    txtPassword_->setEchoMode(QLineEdit::Password);
    passwordLayout->addWidget(txtPassword_, 1, 2);
    cbUseCache_ =
        new QCheckBox(tr("Use cached My Groups ( uncheck for updating groups)"), passwordPage);
    cbUseCache_->setObjectName(QStringLiteral("cbUseCache"));
    passwordLayout->addWidget(cbUseCache_, 2, 1, 1, 2);
    passwordLayout->setColumnStretch(2, 1);

    auto* inputPage = new QWidget(nbPages_);
    auto* inputLayout = new QGridLayout(inputPage);
    inputLayout->addWidget(KeyPicture(inputPage), 0, 0, 2, 1);
    lbPrompt_ = new QLabel(inputPage);
    lbPrompt_->setObjectName(QStringLiteral("lbPrompt"));
    txtInput_ = new QLineEdit(inputPage);
    txtInput_->setObjectName(QStringLiteral("txtInput"));
    txtInput_->setMinimumWidth(280);
    inputLayout->addWidget(lbPrompt_, 0, 1);
    inputLayout->addWidget(txtInput_, 1, 1);
    inputLayout->setColumnStretch(1, 1);

    nbPages_->insertWidget(pgMessageBox, messagePage);
    nbPages_->insertWidget(pgPasswordBox, passwordPage);
    nbPages_->insertWidget(pgInputBox, inputPage);

    btOk_ = new QPushButton(tr("Ok"), this);
    btOk_->setObjectName(QStringLiteral("btOk"));
    btCancel_ = new QPushButton(tr("Cancel"), this);
    btCancel_->setObjectName(QStringLiteral("btCancel"));
    btCenterOk_ = new QPushButton(tr("Ok"), this);
    btCenterOk_->setObjectName(QStringLiteral("btCenterOk"));
    btProfiles_ = new QPushButton(tr("Profiles"), this);
    btProfiles_->setObjectName(QStringLiteral("btProfiles"));
    connect(btOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCenterOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btProfiles_, &QPushButton::clicked, this,
            Guarded(this, "Profiles", [this] { btProfilesClick(); }));
    connect(cbUserName_, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { ProfileChosen(index); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btProfiles_);
    buttons->addStretch(1);
    buttons->addWidget(btOk_);
    buttons->addWidget(btCenterOk_);
    buttons->addWidget(btCancel_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nbPages_);
    layout->addLayout(buttons);
}

void TfrmCommonDlg::PlaceOver() {
    adjustSize();
    const QRect area = owner_ != nullptr && owner_->isVisible()
                           ? owner_->frameGeometry()
                           : QApplication::primaryScreen()->availableGeometry();
    move(area.center() - rect().center());
}

void TfrmCommonDlg::FillProfileNames() {
    const QString typed = cbUserName_->currentText();
    cbUserName_->clear();
    for (const auto& p : profiles_) cbUserName_->addItem(QString::fromStdString(p.userName));
    cbUserName_->setEditText(typed);
}

void TfrmCommonDlg::ProfileChosen(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= profiles_.size()) return;
    txtPassword_->setText(
        QString::fromStdString(profiles_[static_cast<std::size_t>(index)].password));
}

void TfrmCommonDlg::btProfilesClick() {
    TfrmYahooProfiles editor(this);
    if (editor.exec() == QDialog::Accepted) {
        const auto [user, password] = editor.GetSelected();
        cbUserName_->setEditText(QString::fromStdString(user));
        txtUserName_->setText(QString::fromStdString(user));
        txtPassword_->setText(QString::fromStdString(password));
    }
    profiles_ = editor.GetProfileLists();
    FillProfileNames();
}

void TfrmCommonDlg::ShowMessagePage(const std::string& text, TMessageKind kind, bool ask) {
    nbPages_->setCurrentIndex(pgMessageBox);
    setWindowTitle(QString::fromLatin1(MessageKindCaption(kind)));
    imgKind_->setPixmap(style()->standardIcon(KindPicture(kind)).pixmap(QSize(32, 32)));
    lbMessage_->setText(BoxText(text));
    btOk_->setVisible(ask);
    btCancel_->setVisible(ask);
    btCenterOk_->setVisible(!ask);
    btProfiles_->setVisible(false);
    (ask ? btOk_ : btCenterOk_)->setDefault(true);
    PlaceOver();
}

void TfrmCommonDlg::ShowInputPage(const std::string& caption, const std::string& prompt,
                                  const std::string& text) {
    nbPages_->setCurrentIndex(pgInputBox);
    setWindowTitle(QString::fromStdString(caption));
    lbPrompt_->setText(BoxText(prompt));
    txtInput_->setText(QString::fromStdString(text));
    txtInput_->selectAll();
    btOk_->setVisible(true);
    btCancel_->setVisible(true);
    btCenterOk_->setVisible(false);
    btProfiles_->setVisible(false);
    btOk_->setDefault(true);
    PlaceOver();
    txtInput_->setFocus();
}

void TfrmCommonDlg::ShowPasswordPage(const std::string& caption, const std::string& userName,
                                     bool plainMode, const std::string& password) {
    plainMode_ = plainMode;
    // Only the login page reads the store (the profiles, the last use-cache choice): a message
    // box must open when the store cannot be used, to say so.
    profiles_ = LoadLoginProfiles();
    FillProfileNames();
    cbUseCache_->setChecked(ReadUseCache());
    keepsUseCache_ = true;
    nbPages_->setCurrentIndex(pgPasswordBox);
    setWindowTitle(QString::fromStdString(caption));
    txtPassword_->setText(QString::fromStdString(password));
    btOk_->setVisible(true);
    btCancel_->setVisible(true);
    btCenterOk_->setVisible(false);
    btOk_->setDefault(true);
    txtUserName_->setVisible(plainMode);
    PlaceOver();
    cbUserName_->setVisible(!plainMode);
    btProfiles_->setVisible(!plainMode);
    cbUseCache_->setVisible(!plainMode);
    if (plainMode) {
        txtUserName_->setText(QString::fromStdString(userName));
        setTabOrder(txtUserName_, txtPassword_);
        txtUserName_->setFocus();
    } else {
        cbUserName_->setEditText(QString::fromStdString(userName));
        cbUseCache_->setChecked(true);  // a login offers the cache whatever was chosen last
        setTabOrder(cbUserName_, txtPassword_);
        cbUserName_->setFocus();
    }
}

std::string TfrmCommonDlg::UserNameText() const {
    return (plainMode_ ? txtUserName_->text() : cbUserName_->currentText()).toStdString();
}

std::string TfrmCommonDlg::PasswordText() const {
    return txtPassword_->text().toStdString();
}

std::string TfrmCommonDlg::InputText() const {
    return txtInput_->text().toStdString();
}

bool TfrmCommonDlg::UseCacheChecked() const {
    return cbUseCache_->isChecked();
}

void TfrmCommonDlg::done(int result) {
    if (keepsUseCache_) {
        RunGuarded(this, "Keeping the use-cache choice",
                   [this] { WriteUseCache(cbUseCache_->isChecked()); });
    }
    QDialog::done(result);
}

bool CommonMessageBox(QWidget* owner, const std::string& text, TMessageKind kind, bool ask) {
    TfrmCommonDlg box(owner);
    box.ShowMessagePage(text, kind, ask);
    return box.exec() == QDialog::Accepted;
}

bool CommonInputBox(QWidget* owner, const std::string& caption, const std::string& prompt,
                    std::string& text) {
    TfrmCommonDlg box(owner);
    box.ShowInputPage(caption, prompt, text);
    if (box.exec() != QDialog::Accepted) return false;
    text = box.InputText();
    return true;
}

bool CommonPasswordBox(QWidget* owner, const std::string& caption, std::string& userName,
                       bool plainMode, bool& useCache, std::string& password) {
    TfrmCommonDlg box(owner);
    box.ShowPasswordPage(caption, userName, plainMode, password);
    if (box.exec() != QDialog::Accepted) return false;
    useCache = box.UseCacheChecked();
    userName = box.UserNameText();
    password = box.PasswordText();
    return true;
}

}  // namespace tessaly::gui
