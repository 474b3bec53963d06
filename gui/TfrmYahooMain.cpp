#include "gui/TfrmYahooMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>

#include "browser/PageBrowser.h"
#include "gui/CommandGuard.h"
#include "gui/DesktopLinks.h"
#include "gui/GroupTreeRules.h"
#include "gui/HelpGuide.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooBrowser.h"
#include "gui/TfrmYahooMainActions.h"
#include "gui/TfrmYahooOptions.h"
#include "gui/TfrmYahooProfiles.h"
#include "gui/TfrmYahooWebUpdate.h"
#include "platform/FileLock.h"
#include "platform/Pacing.h"
#include "platform/SpecialFolders.h"
#include "registry/ProgramRegistry.h"
#include "registry/RegistryAccess.h"
#include "registry/RegistryLayout.h"
#include "session/MemberSession.h"
#include "text/TextUtils.h"
#include "update/UpdateSchedule.h"

namespace tessaly::gui {

TfrmYahooMain::TfrmYahooMain() : loginUi_(*this), act_(std::make_unique<Actions>()) {
    setObjectName(QStringLiteral("TfrmYahooMain"));
    setWindowTitle(QStringLiteral("Tessaly 2.0"));
    QApplication::setApplicationDisplayName(QString());
    resize(420, 560);
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    chooseFolder = [this](const std::string& caption) {
        return QFileDialog::getExistingDirectory(this, QString::fromStdString(caption),
                                                 QDir::homePath(), QFileDialog::ShowDirsOnly)
            .toStdString();
    };
    updateSite_ = kMakerWebSite;

    const bool firstStart =
        ReadRegString(RegRoot::CurrentUser, std::string(reg::kKey) + reg::kStartValue) !=
        reg::kStartValueData;
    try {
        (void)options_.Load();
    } catch (const EFileError& e) {
        QTimer::singleShot(0, this, [this, what = std::string(e.what())] {
            CommonMessageBox(
                this, "The options file could not be read; the defaults are used.\r\n\r\n" + what,
                TMessageKind::Error, false);
        });
    }
    browser_ = std::make_unique<TPageBrowser>(nullptr, options_.intTimeOut);
    session_ = std::make_unique<TMemberSession>(options_, *browser_, loginUi_);

    tree_ = new TGroupTree(this);
    tree_->onCurrentGroup = [this](const std::string& group) { currentGroup_ = group; };
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        RunGuarded(this, "Group Page In a Browser", [this, item] {
            if (!IsRootItemText(TGroupTree::TextOf(item)))
                OpenUrl(GroupPageAddress(TGroupTree::TextOf(item)));
        });
    });
    CreateActions();
    CreateMenus();
    CreateToolBars();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(groupBar_);
    layout->addWidget(tree_, 1);
    setCentralWidget(central);
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("panel%1").arg(i));
        panels_[i]->setMinimumWidth(i == 0 ? 100 : 50);
        statusBar()->addWidget(panels_[i], i == 0 ? 0 : 1);
    }
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { act_->popup->popup(tree_->viewport()->mapToGlobal(at)); });

    ShowLoggedOutState();
    SelectSection(ReadDLMode());
    MarkStartValue();
    session_->LoadStoredLogin();

    // The two windows every run has besides this one.
    progress_ = std::make_unique<TfrmProgress>();
    console_ = new TfrmYahooBrowser(*browser_, this);
    console_->openUrl = [this](const QString& url) { OpenUrl(url.toStdString()); };
    console_->onGroupList = [this] {
        show();
        raise();
        activateWindow();
    };

    ShowLoggedOutState();
    tmrCheckUpdates_ = new QTimer(this);
    tmrCheckUpdates_->setSingleShot(true);
    tmrCheckUpdates_->setInterval(
        static_cast<int>(PacingClock::Scaled(std::chrono::milliseconds(1000)).count()));
    connect(tmrCheckUpdates_, &QTimer::timeout, this, Guarded(this, "Check for Updates", [this] {
                // Not on top of a box the user is still reading (the welcome box at the first
                // start).
                if (QApplication::activeModalWidget() != nullptr) {
                    tmrCheckUpdates_->start();
                    return;
                }
                mnuItemHelpCheckforUpdatesClick();
            }));
    if (TakeDueUpdateCheck(Now())) tmrCheckUpdates_->start();
    if (firstStart) {
        // Once, at the first start rather than at every one.
        QTimer::singleShot(0, this, [this] {
            CommonMessageBox(this,
                             std::string("Welcome to Tessaly.\r\n\r\nIf the program does not work "
                                         "for you, please write to ") +
                                 kSupportMail + ".",
                             TMessageKind::Information, false);
        });
    }
}

TfrmYahooMain::~TfrmYahooMain() {
    delete console_;  // before the engine it shows
    console_ = nullptr;
    session_.reset();
    browser_.reset();
}

bool TfrmYahooMain::UpdateCheckScheduled() const {
    return tmrCheckUpdates_->isActive();
}

void TfrmYahooMain::SetStatusPanel(int panel, const std::string& text) {
    if (panel == 0 || panel == 1) panels_[panel]->setText(QString::fromStdString(text));
}

QString TfrmYahooMain::StatusPanel(int panel) const {
    return panel == 0 || panel == 1 ? panels_[panel]->text() : QString();
}

void TfrmYahooMain::ResetProgressDialog() {
    progress_->FinishProgress();
    progress_ = std::make_unique<TfrmProgress>();
}

void TfrmYahooMain::OpenUrl(const std::string& url) {
    if (openUrl) openUrl(QUrl(QString::fromStdString(url)));
}

void TfrmYahooMain::SetCommandStates() {
    for (const auto& [command, actions] : act_->byCommand) {
        for (QAction* a : actions) a->setEnabled(CommandEnabled(command, loggedIn_));
    }
    tbSection_->setEnabled(CommandEnabled(TCommand::SectionButton, loggedIn_));
}

void TfrmYahooMain::ShowLoggedOutState() {
    loggedIn_ = false;
    SetCommandStates();
    SetStatusPanel(0, "Not logged in.");
}

void TfrmYahooMain::ShowLoggedInState() {
    loggedIn_ = true;
    SetCommandStates();
    SetStatusPanel(0, "Groups :" + std::to_string(groupCount_));
    groupBar_->setVisible(true);
    tree_->setFocus();
}

void TfrmYahooMain::mnuItemLoginClick() {
    const TLoginResult result = session_->RunLoginCommand();
    if (result.loggedIn) {
        ShowLoginResult(result.names);
        if (result.addGroupWanted) tbPlusClick();
    }
    console_->hide();
    show();
    raise();
    activateWindow();
}

void TfrmYahooMain::ShowLoginResult(const std::vector<std::string>& names) {
    groupCount_ = names.size();
    ShowLoggedInState();
    FillGroupTree(names);
}

void TfrmYahooMain::mnuItemLogoutClick() {
    if (!CommonMessageBox(this, "Do you really want to logout ?", TMessageKind::Confirmation, true))
        return;
    ShowLoggedOutState();
    SaveGroupTree();
}

void TfrmYahooMain::mnuItemLoginProfilesClick() {
    TfrmYahooProfiles editor(this);
    editor.exec();
}

void TfrmYahooMain::SelectSection(std::uint8_t section) {
    options_.SetCurrentSection(section);
    const std::uint8_t shown = section == TYahooDownloadOptions::kSectionAttachments
                                   ? TYahooDownloadOptions::kSectionFiles
                                   : section;
    QString caption;
    QIcon icon;
    QAction* item = nullptr;
    switch (shown) {
        case TYahooDownloadOptions::kSectionPhotos:
            caption = tr("Photos");
            icon = style()->standardIcon(QStyle::SP_FileDialogContentsView);
            item = act_->sectionPhotos;
            break;
        case TYahooDownloadOptions::kSectionMessages:
            caption = tr("Messages");
            icon = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
            item = act_->sectionMessages;
            break;
        default:
            caption = tr("Files");
            icon = style()->standardIcon(QStyle::SP_DirIcon);
            item = act_->sectionFiles;
            break;
    }
    tbSection_->setText(caption);
    tbSection_->setIcon(icon);
    item->setChecked(true);
    for (QAction* a : act_->sectionDrop->actions()) a->setChecked(a->data() == item->data());
    WriteDLMode(section);
}

void TfrmYahooMain::tbSectionClick() {
    switch (options_.CurrentSection()) {
        case TYahooDownloadOptions::kSectionPhotos:
            SelectSection(TYahooDownloadOptions::kSectionMessages);
            break;
        case TYahooDownloadOptions::kSectionMessages:
            SelectSection(TYahooDownloadOptions::kSectionFiles);
            break;
        default:
            SelectSection(TYahooDownloadOptions::kSectionPhotos);
            break;
    }
}

void TfrmYahooMain::SaveSectionMode() {
    WriteDLMode(options_.CurrentSection());
}

void TfrmYahooMain::mnuItemViewOptionsClick() {
    try {
        (void)options_.Save();  // the file holds what is in use when the dialog reads it
    } catch (const EFileError& e) {
        CommonMessageBox(this, std::string("The options could not be saved.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
        return;
    }
    TfrmYahooOptions dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        (void)options_.Load();
    } catch (const EFileError& e) {
        CommonMessageBox(this, std::string("The options could not be read.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
    }
}

void TfrmYahooMain::OpenFolder(const std::string& folder, const std::string& missingText) {
    if (!QFileInfo(QString::fromStdString(folder)).isDir()) {
        CommonMessageBox(this, missingText, TMessageKind::Warning, false);
        return;
    }
    if (openUrl) openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void TfrmYahooMain::mnuItemViewDebugFilesFolderClick() {
    OpenFolder(DebugFolder(),
               "There is no debug data.\n\rPlease enable the debug option and try again.");
}

void TfrmYahooMain::mnuItemViewProfilesFolderClick() {
    OpenFolder(SettingsFolder(), "Profile directory not created yet.");
}

void TfrmYahooMain::mnuItemHelpContentsClick() {
    const std::string guide = HelpGuidePath();
    if (guide.empty()) {
        CommonMessageBox(this, "The user guide is not installed.", TMessageKind::Warning, false);
        return;
    }
    if (openUrl) openUrl(QUrl::fromLocalFile(QString::fromStdString(guide)));
}

void TfrmYahooMain::mnuItemHelpReportBugClick() {
    std::string text;
    if (!CommonInputBox(this, "Buglist", "Enter the Bug Description ...", text)) return;
    if (Trim(text).empty()) return;
    OpenUrl(MailToAddress(kBugMail, "Tessaly - Youve Got a Bugs! ", text));
}

void TfrmYahooMain::mnuItemHelpSendSuggestionClick() {
    std::string text = "Please include...";
    if (!CommonInputBox(this, "Wishlist", "Enter your Wish ...", text)) return;
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed == "Please include...") return;
    OpenUrl(MailToAddress(kWishMail, "Tessaly - Please Fullfill my Wish", text));
}

void TfrmYahooMain::mnuItemHelpCheckforUpdatesClick() {
    TfrmYahooWebUpdate window(this, options_.strUpdateServer, updateSite_);
    window.openUrl = openUrl;
    window.exec();
    updateSite_ = window.SiteAddress();
}

void TfrmYahooMain::closeEvent(QCloseEvent* event) {
    if (transferRunning_) {
        // The transfer ends by itself within moments; its report is still to be shown.
        event->ignore();
        return;
    }
    if (!CommonMessageBox(this, "Do you really want to close the application ?",
                          TMessageKind::Warning, true)) {
        event->ignore();
        return;
    }
    // What cannot be kept now (the store held by another program, say) is told; the program
    // still closes, as the user asked.
    RunGuarded(this, "Exit", [this] {
        SaveGroupTree();
        SaveSectionMode();
    });
    if (session_->FailedLogins() > 0) {
        CommonMessageBox(
            this,
            std::string("It seems you have problem login to yahoo.\r\n\r\nNormally everyone can "
                        "use this program without any problem,\r\nif you have any problem, then "
                        "it should be something very \r\nunique to your system.\r\n\r\nPlease "
                        "send an email to ") +
                kSupportMail +
                " for support.\r\n\r\nHope we can help you download all the files from yahoo "
                "groups.",
            TMessageKind::Information, false);
    }
    console_->close();
    progress_->FinishProgress();
    event->accept();
}

}  // namespace tessaly::gui
