#include "gui/TfrmYahooWebUpdate.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"

namespace tessaly::gui {
namespace {

QLabel* NamedLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* NamedButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmYahooWebUpdate::TfrmYahooWebUpdate(QWidget* parent, std::string updateServer,
                                       std::string siteAddress)
    : QDialog(parent), server_(std::move(updateServer)), siteAddress_(std::move(siteAddress)) {
    setObjectName(QStringLiteral("TfrmYahooWebUpdate"));
    setWindowTitle(QString::fromLatin1(kUpdateWindowCaption));
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* heading = NamedLabel(QString::fromLatin1(kUpdateWindowHeading), "lbHeading", this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    heading->setFont(headingFont);

    lbInstalledVersion =
        NamedLabel(QString::fromLatin1(kVersionLabelStart), "lbInstalledVersion", this);
    lbCurrentVersion =
        NamedLabel(QString::fromLatin1(kVersionLabelStart), "lbCurrentVersion", this);
    lbInstalledVersion->setText(QString::fromStdString(TUpdateCheck::InstalledVersionText()));
    auto* versions = new QGridLayout;
    versions->addWidget(new QLabel(QString::fromLatin1(kInstalledVersionLabel), this), 0, 0);
    versions->addWidget(lbInstalledVersion, 0, 1);
    versions->addWidget(new QLabel(QString::fromLatin1(kCurrentVersionLabel), this), 1, 0);
    versions->addWidget(lbCurrentVersion, 1, 1);
    versions->setColumnStretch(1, 1);

    mmUpdateLog = new QPlainTextEdit(this);
    mmUpdateLog->setObjectName(QStringLiteral("mmUpdateLog"));
    mmUpdateLog->setReadOnly(true);
    mmUpdateLog->setMinimumSize(360, 140);

    btCheck = NamedButton(tr("Check"), "btCheck", this);
    btOpenSite = NamedButton(tr("Update Site"), "btOpenSite", this);
    btClose = NamedButton(tr("Close"), "btClose", this);
    connect(btCheck, &QPushButton::clicked, this, Guarded(this, "Check", [this] { RunCheck(); }));
    connect(btOpenSite, &QPushButton::clicked, this,
            Guarded(this, "Update Site", [this] { btOpenSiteClick(); }));
    connect(btClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btCheck);
    buttons->addWidget(btOpenSite);
    buttons->addStretch(1);
    buttons->addWidget(btClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(versions);
    layout->addWidget(mmUpdateLog, 1);
    layout->addLayout(buttons);
    SetButtons();
}

TfrmYahooWebUpdate::~TfrmYahooWebUpdate() {
    // The thread posts to this window: it must have ended before the window goes. Lines it
    // posted meanwhile are dropped with the window's pending events.
    cancel_.store(true);
    JoinCheck();
}

void TfrmYahooWebUpdate::JoinCheck() {
    if (thread_.joinable()) thread_.join();
}

void TfrmYahooWebUpdate::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Opening the window checks at once; showing it again later does not.
    if (!shownOnce_) {
        shownOnce_ = true;
        QTimer::singleShot(0, this, [this] { RunCheck(); });
    }
}

void TfrmYahooWebUpdate::RunCheck() {
    if (checking_) return;
    JoinCheck();  // the last check's thread has posted its end; it is over or about to be
    checking_ = true;
    cancel_.store(false);
    SetButtons();
    thread_ = std::thread([this, server = server_] {
        TUpdateCheck check(server);
        check.CancelFlag = &cancel_;
        check.OnLogCleared = [this] {
            QMetaObject::invokeMethod(
                this, [this] { mmUpdateLog->clear(); }, Qt::QueuedConnection);
        };
        check.OnLogLine = [this](const std::string& line) {
            QMetaObject::invokeMethod(
                this,
                [this, text = QString::fromStdString(line)] { mmUpdateLog->appendPlainText(text); },
                Qt::QueuedConnection);
        };
        TUpdateCheckResult result = check.FetchUpdateFile();
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { CheckEnded(result); }, Qt::QueuedConnection);
    });
}

void TfrmYahooWebUpdate::CheckEnded(const TUpdateCheckResult& result) {
    lbInstalledVersion->setText(QString::fromStdString(result.installedVersion));
    if (result.currentVersion) {
        lbCurrentVersion->setText(QString::fromStdString(*result.currentVersion));
        QFont font = lbCurrentVersion->font();
        font.setBold(result.currentVersionBold);
        lbCurrentVersion->setFont(font);
    }
    // The address is only remembered for "Update Site"; the user decides whether to open it.
    if (!result.urlToOpen.empty()) siteAddress_ = result.urlToOpen;
    checking_ = false;
    ++checksDone_;
    SetButtons();
}

void TfrmYahooWebUpdate::SetButtons() {
    btCheck->setEnabled(!checking_);
    btClose->setEnabled(!checking_);
    btOpenSite->setEnabled(!checking_ && IsWebAddress(siteAddress_));
}

void TfrmYahooWebUpdate::btOpenSiteClick() {
    if (!IsWebAddress(siteAddress_) || !openUrl) return;
    const QUrl url(QString::fromStdString(siteAddress_), QUrl::StrictMode);
    if (url.isValid()) openUrl(url);
}

void TfrmYahooWebUpdate::done(int result) {
    // Escape and the window's close button still close it while a check runs: the check is
    // then cancelled, and its thread is awaited when the window is released.
    if (checking_) cancel_.store(true);
    QDialog::done(result);
}

}  // namespace tessaly::gui
