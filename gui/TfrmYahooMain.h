#pragma once
// The main window: menus, toolbars, status bar and the group tree, over the member's session of
// the core. It holds the options, the browser engine and the session, and creates the progress
// dialog and the browser console at start.

#include <QMainWindow>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/SiteBuilder.h"
#include "config/ConfigExportImport.h"
#include "gui/CommandStates.h"
#include "gui/TGuiLoginUi.h"
#include "settings/DownloadOptions.h"
#include "text/IntList.h"

class QLabel;
class QToolBar;
class QToolButton;
class QTimer;

namespace tessaly {
class TPageBrowser;
class TMemberSession;
}  // namespace tessaly

namespace tessaly::gui {

class TGroupTree;
class TfrmProgress;
class TfrmYahooBrowser;

class TfrmYahooMain : public QMainWindow {
    Q_OBJECT
public:
    TfrmYahooMain();
    ~TfrmYahooMain() override;

    // Yahoo
    void mnuItemLoginClick();
    void mnuItemLogoutClick();
    void mnuItemStartDownloadClick();
    // One run of the section over the download list: the progress window, modal, with the main
    // window hidden; the tree is rebuilt afterwards. False when the run was refused because the
    // output folder is held by another run (or cannot be written), which an error box says.
    bool RunDownload(std::uint8_t section);
    // The groups of the next run in download order: Start Download fills it from the chooser
    // (and the order dialog), RunDownload hands it to the progress window and empties it.
    [[nodiscard]] std::vector<std::string>& DownloadList() { return downloadList_; }
    void OpenOutputFolder();
    void mnuItemLoginProfilesClick();
    // Section
    void SelectSection(std::uint8_t section);
    void tbSectionClick();
    void SaveSectionMode();
    // View
    void mnuItemViewOptionsClick();
    void OpenGroupInaBrowser1Click();
    void mnuItemViewDebugFilesFolderClick();
    void mnuItemViewProfilesFolderClick();
    void mnuItemViewArchiveClick();
    // The grabbed groups editor, modal; the tree follows what it changed in the member's cache.
    void mnuItemViewCachedGroupsClick();
    // Utils
    void mnuItemUtilsFindaGroupClick();
    void mnuItemUtilsFindNextClick();
    void CheckAll(bool checked);
    void mnuItemUtilsInvertSelectionClick();
    void CheckGroupsStartingWith(bool checked);
    void CheckSelectedGroups(bool checked);
    void CheckFavouriteGroups(bool checked);
    void MarkFavourite(bool favourite);
    void tbPlusClick();
    void ToolButton2Click();
    // Help
    void mnuItemHelpContentsClick();
    void mnuItemHelpReportBugClick();
    void mnuItemHelpSendSuggestionClick();
    void mnuItemHelpCheckforUpdatesClick();
    // Utils: the configuration transfer
    void mnuItemExportConfigurationDataClick();
    void mnuItemImportConfigurationDataClick();

    // The group tree and its cache.
    void FillGroupTree(const std::vector<std::string>& names);
    // The end of a successful login: the group count, the logged-in state and the tree.
    void ShowLoginResult(const std::vector<std::string>& names);
    void SaveGroupTree();
    void ShowLoggedInState();
    void ShowLoggedOutState();

    // The status bar's two panels.
    void SetStatusPanel(int panel, const std::string& text);
    [[nodiscard]] QString StatusPanel(int panel) const;

    [[nodiscard]] TfrmProgress& Progress() { return *progress_; }
    // FinishProgress, then a fresh progress dialog.
    void ResetProgressDialog();
    [[nodiscard]] TfrmYahooBrowser& Console() { return *console_; }
    [[nodiscard]] TGroupTree& Tree() { return *tree_; }
    [[nodiscard]] TMemberSession& Session() { return *session_; }
    [[nodiscard]] TYahooDownloadOptions& Options() { return options_; }
    [[nodiscard]] bool LoggedIn() const { return loggedIn_; }
    [[nodiscard]] const std::string& CurrentGroup() const { return currentGroup_; }
    [[nodiscard]] QAction* Action(TCommand command) const;
    [[nodiscard]] bool UpdateCheckScheduled() const;

    // Hands folders, files, web pages and mail addresses to the desktop; tests replace it.
    std::function<void(const QUrl&)> openUrl;
    // Asks for a folder under the caption; "" when the user cancels. A folder dialog unless
    // tests replace it.
    std::function<std::string(const std::string& caption)> chooseFolder;
    // Asks for a file to open or (`save`) to save; "" when the user cancels. The windows' own
    // file dialogs unless tests replace it.
    std::function<std::string(const std::string& caption, bool save)> chooseFile;
    // What "Update Site" opens: the maker's site until an update file offers another address.
    [[nodiscard]] const std::string& UpdateSiteAddress() const { return updateSite_; }
    void OpenUrl(const std::string& url);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void SetCommandStates();
    void OpenFolder(const std::string& folder, const std::string& missingText);
    // Runs one export or import with the progress dialog up, then shows what went wrong.
    void RunConfigTransfer(TConfigDirection direction, const std::string& folder);
    // Builds the archive site of the output folder while the progress dialog shows the steps.
    archive::TSiteResult BuildArchive(const std::string& outputFolder);
    // After an import: the options, the section, the stored login and the group marks again.
    void ReloadSettings();

    TYahooDownloadOptions options_;
    TGuiLoginUi loginUi_;
    std::unique_ptr<TPageBrowser> browser_;
    std::unique_ptr<TMemberSession> session_;
    std::unique_ptr<TfrmProgress> progress_;
    TfrmYahooBrowser* console_ = nullptr;
    TGroupTree* tree_ = nullptr;
    QToolBar* groupBar_ = nullptr;
    QToolButton* tbSection_ = nullptr;
    QLabel* panels_[2] = {nullptr, nullptr};
    QTimer* tmrCheckUpdates_ = nullptr;
    std::string updateSite_;
    bool transferRunning_ = false;
    std::atomic<bool> archiveStop_{false};  // ends a build of the archive (closing the window)

    bool loggedIn_ = false;
    std::size_t groupCount_ = 0;
    std::string lastSearch_;
    std::string currentGroup_;
    // The next run: its groups in order, the From and To of each (empty unless the order
    // dialog gave them), and the chooser's "Debug Downloads".
    std::vector<std::string> downloadList_;
    TIntList startList_;
    TIntList endList_;
    bool debugFlag_ = false;

    struct Actions;
    std::unique_ptr<Actions> act_;
};

}  // namespace tessaly::gui
