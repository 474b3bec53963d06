// The main window's menus, toolbars and the tree's popup.
#include <QActionGroup>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "gui/CommandGuard.h"
#include "gui/DesktopLinks.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmYahooBrowser.h"
#include "gui/TfrmYahooMain.h"
#include "gui/TfrmYahooMainActions.h"

namespace tessaly::gui {
namespace {

QAction* Make(QObject* owner, const QString& caption, const char* name) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

void TfrmYahooMain::CreateActions() {
    Actions& a = *act_;
    // Every command runs guarded: what the core throws is shown, named, and the program goes on.
    auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this,
                Guarded(this, CommandName(action), [this, handler] { (this->*handler)(); }));
        return action;
    };
    auto* s = style();
    a.login = on(Make(this, tr("Login"), "mnuItemLogin"), &TfrmYahooMain::mnuItemLoginClick);
    a.login->setIcon(s->standardIcon(QStyle::SP_DialogYesButton));
    a.logout = on(Make(this, tr("Logout"), "mnuItemLogout"), &TfrmYahooMain::mnuItemLogoutClick);
    a.logout->setIcon(s->standardIcon(QStyle::SP_DialogNoButton));
    a.startDownload = on(Make(this, tr("Start Download"), "mnuItemStartDownload"),
                         &TfrmYahooMain::mnuItemStartDownloadClick);
    a.startDownload->setIcon(s->standardIcon(QStyle::SP_ArrowDown));
    a.loginProfiles = on(Make(this, tr("Login Profiles"), "mnuItemLoginProfiles"),
                         &TfrmYahooMain::mnuItemLoginProfilesClick);
    a.exit = Make(this, tr("Exit"), "pmnuExit");
    connect(a.exit, &QAction::triggered, this, &QWidget::close);

    a.sectionPhotos = Make(this, tr("Photo Section Files"), "mnuItemSectionPhotos");
    a.sectionFiles = Make(this, tr("Files Section Files"), "mnuItemSectionFiles");
    a.sectionMessages = Make(this, tr("Text Messages"), "mnuItemSectionMessages");
    a.sectionAttachments = Make(this, tr("Embbeded Attachment Files"), "mnuItemSectionAttachments");
    a.sectionAttachments->setVisible(false);  // no command makes the attachments current
    auto* sections = new QActionGroup(this);
    const std::pair<QAction*, std::uint8_t> codes[] = {
        {a.sectionPhotos, TYahooDownloadOptions::kSectionPhotos},
        {a.sectionFiles, TYahooDownloadOptions::kSectionFiles},
        {a.sectionMessages, TYahooDownloadOptions::kSectionMessages}};
    for (const auto& [action, code] : codes) {
        action->setCheckable(true);
        action->setData(code);
        sections->addAction(action);
        connect(action, &QAction::triggered, this,
                Guarded(this, CommandName(action), [this, c = code] { SelectSection(c); }));
    }

    a.options = on(Make(this, tr("Downloader Options"), "mnuItemViewOptions"),
                   &TfrmYahooMain::mnuItemViewOptionsClick);
    a.options->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    a.cachedGroups = on(Make(this, tr("Cached Group Names && URLs"), "mnuItemViewCachedGroups"),
                        &TfrmYahooMain::mnuItemViewCachedGroupsClick);
    a.groupPage = on(Make(this, tr("Group Page In a Browser"), "OpenGroupInaBrowser1"),
                     &TfrmYahooMain::OpenGroupInaBrowser1Click);
    a.debugFolder = on(Make(this, tr("Debug Files Folder"), "mnuItemViewDebugFilesFolder"),
                       &TfrmYahooMain::mnuItemViewDebugFilesFolderClick);
    a.profilesFolder = on(Make(this, tr("Profiles Information"), "mnuItemViewProfilesFolder"),
                          &TfrmYahooMain::mnuItemViewProfilesFolderClick);
    a.viewArchive = on(Make(this, tr("View Archive"), "mnuItemViewArchive"),
                       &TfrmYahooMain::mnuItemViewArchiveClick);
    a.console = Make(this, tr("Console"), "mnuItemViewConsole");
    connect(a.console, &QAction::triggered, this, Guarded(this, CommandName(a.console), [this] {
                console_->show();
                console_->raise();
                console_->FollowBrowser();
            }));

    a.find = on(Make(this, tr("Find a Group"), "mnuItemUtilsFindaGroup"),
                &TfrmYahooMain::mnuItemUtilsFindaGroupClick);
    a.find->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    a.find->setIconText(tr("Quick Find"));
    a.findNext = on(Make(this, tr("Find Next"), "mnuItemUtilsFindNext"),
                    &TfrmYahooMain::mnuItemUtilsFindNextClick);
    a.findNext->setIcon(s->standardIcon(QStyle::SP_ArrowRight));
    a.findNext->setIconText(tr("FindNext"));
    a.add = on(Make(this, tr("Add"), "tbPlus"), &TfrmYahooMain::tbPlusClick);
    a.add->setToolTip(tr("Add a Group"));
    a.add->setIcon(s->standardIcon(QStyle::SP_FileDialogNewFolder));
    a.remove = on(Make(this, tr("Delete"), "ToolButton2"), &TfrmYahooMain::ToolButton2Click);
    a.remove->setToolTip(tr("Delete Seleted Group"));
    a.remove->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    a.help = on(Make(this, tr("Help Contents"), "mnuItemHelpContents"),
                &TfrmYahooMain::mnuItemHelpContentsClick);
    a.help->setIcon(s->standardIcon(QStyle::SP_DialogHelpButton));
    a.help->setIconText(tr("Help"));

    a.byCommand[TCommand::Login] = {a.login};
    a.byCommand[TCommand::LoginProfiles] = {a.loginProfiles};
    a.byCommand[TCommand::Logout] = {a.logout};
    a.byCommand[TCommand::StartDownload] = {a.startDownload};
    a.byCommand[TCommand::SectionMenu] = {a.sectionPhotos, a.sectionFiles, a.sectionMessages};
    a.byCommand[TCommand::GroupToolbar] = {a.add, a.remove};
}

void TfrmYahooMain::CreateMenus() {
    Actions& a = *act_;
    QMenu* yahoo = menuBar()->addMenu(tr("Yahoo"));
    yahoo->addAction(a.login);
    yahoo->addAction(a.logout);
    yahoo->addSeparator();
    yahoo->addAction(a.startDownload);
    yahoo->addAction(a.loginProfiles);
    yahoo->addSeparator();
    yahoo->addAction(a.exit);

    QMenu* section = menuBar()->addMenu(tr("Section"));
    section->addAction(a.sectionAttachments);
    section->addAction(a.sectionPhotos);
    section->addAction(a.sectionFiles);
    section->addAction(a.sectionMessages);

    QMenu* view = menuBar()->addMenu(tr("View"));
    view->addAction(a.options);
    view->addAction(a.cachedGroups);
    view->addAction(a.groupPage);
    view->addSeparator();
    view->addAction(a.debugFolder);
    view->addAction(a.profilesFolder);
    view->addAction(a.console);
    view->addSeparator();
    view->addAction(a.viewArchive);

    // The group commands, in the Utils menu and again in the tree's popup.
    QMenu* utils = menuBar()->addMenu(tr("Utils"));
    a.popup = new QMenu(this);
    a.popup->setObjectName(QStringLiteral("pmnuTree"));
    std::vector<QAction*>& group = a.byCommand[TCommand::GroupCommands];
    auto item = [&](QAction* action) {
        utils->addAction(action);
        a.popup->addAction(action);
        group.push_back(action);
    };
    auto command = [&](const QString& caption, const char* name, auto handler) {
        QAction* action = Make(this, caption, name);
        connect(action, &QAction::triggered, this, Guarded(this, CommandName(action), handler));
        item(action);
        return action;
    };
    auto separator = [&] {
        utils->addSeparator();
        a.popup->addSeparator();
    };
    item(a.find);
    item(a.findNext);
    separator();
    command(tr("Check all groups"), "mnuItemUtilsCheckallGroups", [this] { CheckAll(true); });
    command(tr("Uncheck all groups"), "mnuItemUtilsUnCheckallGroups", [this] { CheckAll(false); });
    command(tr("Invert selection"), "mnuItemUtilsInvertSelection",
            [this] { mnuItemUtilsInvertSelectionClick(); });
    separator();
    command(tr("Check Groups Starting With ..."), "mnuItemCheckGroupsStartingWith",
            [this] { CheckGroupsStartingWith(true); });
    command(tr("Uncheck Groups Starting With ..."), "mnuItemUncheckGroupsStartingWith",
            [this] { CheckGroupsStartingWith(false); });
    command(tr("Check Selected Groups"), "mnuItemUtilsCheckSelectedGroups",
            [this] { CheckSelectedGroups(true); });
    command(tr("Uncheck Selected Groups"), "mnuItemUtilsUncheckSelectedGroups",
            [this] { CheckSelectedGroups(false); });
    separator();
    command(tr("Check All Favourite Groups"), "mnuItemUtilsCheckAllFavouriteGroups",
            [this] { CheckFavouriteGroups(true); });
    command(tr("Uncheck All Favourite Groups"), "mnuItemUtilsUnCheckAllFavouriteGroups",
            [this] { CheckFavouriteGroups(false); });
    command(tr("Mark As Favourite"), "mnuItemUtilsMarkAsFavourite",
            [this] { MarkFavourite(true); });
    command(tr("UnMark As Favourite"), "mnuItemUtilsUnMarkAsFavourite",
            [this] { MarkFavourite(false); });
    utils->addSeparator();
    QAction* exportConfig =
        Make(this, tr("Export Configuration Data"), "mnuItemExportConfigurationData");
    connect(exportConfig, &QAction::triggered, this,
            Guarded(this, CommandName(exportConfig),
                    [this] { mnuItemExportConfigurationDataClick(); }));
    QAction* importConfig =
        Make(this, tr("Import Configuration Data"), "mnuItemImportConfigurationData");
    connect(importConfig, &QAction::triggered, this,
            Guarded(this, CommandName(importConfig),
                    [this] { mnuItemImportConfigurationDataClick(); }));
    utils->addAction(exportConfig);
    utils->addAction(importConfig);

    QMenu* help = menuBar()->addMenu(tr("Help"));
    help->addAction(a.help);
    QAction* updates = help->addAction(tr("Check for Updates"));
    updates->setObjectName(QStringLiteral("mnuItemHelpCheckforUpdates"));
    connect(updates, &QAction::triggered, this,
            Guarded(this, CommandName(updates), [this] { mnuItemHelpCheckforUpdatesClick(); }));
    help->addSeparator();
    QAction* bug = help->addAction(tr("Report a Problem"));
    bug->setObjectName(QStringLiteral("mnuItemHelpReportBug"));
    connect(bug, &QAction::triggered, this,
            Guarded(this, CommandName(bug), [this] { mnuItemHelpReportBugClick(); }));
    QAction* wish = help->addAction(tr("Send a Suggestion"));
    wish->setObjectName(QStringLiteral("mnuItemHelpSendSuggestion"));
    connect(wish, &QAction::triggered, this,
            Guarded(this, CommandName(wish), [this] { mnuItemHelpSendSuggestionClick(); }));
    help->addSeparator();
    QAction* site = help->addAction(tr("Visit Tessaly Page"));
    connect(site, &QAction::triggered, this,
            Guarded(this, CommandName(site), [this] { OpenUrl(kMakerSite); }));
    QAction* products = help->addAction(tr("Other Orvanta Products"));
    connect(products, &QAction::triggered, this,
            Guarded(this, CommandName(products), [this] { OpenUrl(kMakerProducts); }));
}

void TfrmYahooMain::CreateToolBars() {
    Actions& a = *act_;
    QToolBar* bar = addToolBar(tr("Main"));
    bar->setObjectName(QStringLiteral("tbMain"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setMovable(false);
    bar->addAction(a.login);
    bar->addAction(a.logout);
    QAction* download = bar->addAction(
        a.startDownload->icon(), tr("Download"), this,
        Guarded(this, CommandName(a.startDownload), [this] { mnuItemStartDownloadClick(); }));
    download->setObjectName(QStringLiteral("tbDownload"));
    a.byCommand[TCommand::StartDownload].push_back(download);

    tbSection_ = new QToolButton(bar);
    tbSection_->setObjectName(QStringLiteral("tbSection"));
    tbSection_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbSection_->setPopupMode(QToolButton::MenuButtonPopup);
    a.sectionDrop = new QMenu(tbSection_);
    auto* dropGroup = new QActionGroup(a.sectionDrop);
    const std::pair<QString, QAction*> drops[] = {{tr("Photosection"), a.sectionPhotos},
                                                  {tr("Files Section"), a.sectionFiles},
                                                  {tr("Messages"), a.sectionMessages}};
    QAction* dropAttachments = a.sectionDrop->addAction(tr("Embbeded Attachments"));
    dropAttachments->setVisible(false);
    for (const auto& [caption, menuItem] : drops) {
        QAction* drop = a.sectionDrop->addAction(caption);
        drop->setCheckable(true);
        drop->setData(menuItem->data());
        dropGroup->addAction(drop);
        connect(drop, &QAction::triggered, menuItem, &QAction::trigger);
    }
    tbSection_->setMenu(a.sectionDrop);
    connect(tbSection_, &QToolButton::clicked, this,
            Guarded(this, "Section", [this] { tbSectionClick(); }));
    bar->addWidget(tbSection_);
    bar->addSeparator();
    QAction* options = bar->addAction(
        a.options->icon(), tr("Options"), this,
        Guarded(this, CommandName(a.options), [this] { mnuItemViewOptionsClick(); }));
    options->setObjectName(QStringLiteral("tbOptions"));
    bar->addAction(a.help);

    groupBar_ = new QToolBar(tr("Groups"), this);
    groupBar_->setObjectName(QStringLiteral("tbGroups"));
    groupBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    groupBar_->setIconSize(QSize(16, 16));
    groupBar_->addAction(a.add);
    groupBar_->addAction(a.remove);
    groupBar_->addSeparator();
    groupBar_->addAction(a.find);
    groupBar_->addAction(a.findNext);
    groupBar_->setVisible(false);  // shown once logged in
}

QAction* TfrmYahooMain::Action(TCommand command) const {
    auto it = act_->byCommand.find(command);
    return it == act_->byCommand.end() || it->second.empty() ? nullptr : it->second.front();
}

}  // namespace tessaly::gui
