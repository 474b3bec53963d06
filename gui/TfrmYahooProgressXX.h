#pragma once
// The window of a download run: for the run's section a group line and an item line with their
// bars above, one row per group below, and the buttons to stop the current group, stop all,
// go to the notification area, collapse the list and wake the picture viewer. It is the
// workers' viewer: their reports reach it on the user-interface thread, change its state at
// once and show at the next refresh, so a run reporting thousands of items a second costs a
// few repaints a second. While the run lasts the window refuses to close.

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "harvest/ProgressReports.h"
#include "harvest/SectionWorkers.h"
#include "text/IntList.h"
#include "threading/UiThread.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class QTreeView;

namespace tessaly {
class TMemberSession;
class TYahooDownloadOptions;
}  // namespace tessaly

namespace tessaly::gui {

class TProgressRowsModel;
class TfrmProgress;

class TfrmYahooProgressXX : public QWidget, public IProgressReporter {
    Q_OBJECT
public:
    TfrmYahooProgressXX(QWidget* mainWindow, TMemberSession& session);
    ~TfrmYahooProgressXX() override;

    void SetRunInputs(const std::vector<std::string>& groups, TYahooDownloadOptions& options,
                      const TIntList& ends, const TIntList& starts, bool debugPages);
    // Prepare the window for the section and create its worker, not started; false when the
    // section cannot be downloaded.
    bool StartMessagesRun();
    bool StartAttachmentsRun();
    bool StartFilesRun();
    bool StartPhotosRun();
    // Starts the worker made by a start operation.
    void StartWorker();
    // Shows the window modally and returns when the user has closed it.
    void ShowModal();

    void ShowRunningState();

    // IProgressReporter (on the user-interface thread).
    void SetGroupBarRange(int min, int max) override;
    void ResetItemBar() override;
    void SetItemBarRange(int min, int max) override;
    void ShowGroupLine(const std::string& text, int position) override;
    void ShowItemLine(const std::string& text, int position) override;
    void ReportGroup(const TGroupReport& report) override;
    void ReportFileGroup(const TFileGroupReport& report) override;
    void ShowFinishedState() override;

    void btCancelClick();
    void btCancellAllClick();
    void btDetailsClick();
    void btToTrayClick();
    void ctrayAppsClick();
    void btPreviewClick();
    // The double click on a row of the section's list.
    void ListDblClick(int row);
    // Draws what the reports changed since the last refresh.
    void Refresh();

    [[nodiscard]] bool Running() const { return stops_.running; }
    [[nodiscard]] TStopRequests& Stops() { return stops_; }
    [[nodiscard]] TProgressRowsModel& Rows() const;
    [[nodiscard]] TSection Section() const { return section_; }
    [[nodiscard]] TfrmProgress& StoppingDialog() { return *stopping_; }
    [[nodiscard]] QSystemTrayIcon* TrayIcon() const { return ctrayApps_; }
    // Whether the window waits in the notification area, and the tray picture shown now.
    [[nodiscard]] bool InTray() const { return inTray_; }
    [[nodiscard]] int TrayFrame() const { return trayFrame_; }

    // Hands folders and web pages to the desktop; tests replace it.
    std::function<void(const QUrl&)> openUrl;
    // Hides the browser console (To Tray).
    std::function<void()> hideConsole;
    // Whether the desktop has a notification area; tests replace it.
    std::function<bool()> trayAvailable;

    // The controls of the shown section.
    QLabel* GroupLine() const;
    QLabel* ItemLine() const;
    QProgressBar* GroupBar() const;
    QProgressBar* ItemBar() const;
    QTreeView* List() const;
    QGroupBox* GroupBox() const;

    QPushButton* btCancel;
    QPushButton* btCancellAll;
    QPushButton* btToTray;
    QPushButton* btPreview;
    QPushButton* btDetails;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

Q_SIGNALS:
    void closed();
    // The run is over and the window shows it ("Ok").
    void finished();

private:
    struct TPage {
        QGroupBox* box = nullptr;
        QLabel* groupLine = nullptr;
        QLabel* itemLine = nullptr;
        QProgressBar* groupBar = nullptr;
        QProgressBar* itemBar = nullptr;
        QTreeView* list = nullptr;
        TProgressRowsModel* model = nullptr;
    };
    bool StartRun(TSection section);
    void ResetProgressDialog();
    void LeaveTray();
    [[nodiscard]] const TPage& Page() const;

    TMemberSession& session_;
    QPointer<QWidget> main_;
    TUiThread ui_;
    TStopRequests stops_;
    std::unique_ptr<TDownloadWorker> worker_;
    bool started_ = false;
    std::unique_ptr<TfrmProgress> stopping_;

    std::vector<std::string> groups_;
    TYahooDownloadOptions* options_ = nullptr;
    TIntList ends_;
    TIntList starts_;
    bool debugPages_ = false;
    TSection section_ = TSection::Messages;

    // What the reports set, drawn at the next refresh.
    struct TLines {
        std::string groupText, itemText;
        int groupMin = 0, groupMax = 100, groupPos = 0;
        int itemMin = 0, itemMax = 100, itemPos = 0;
        bool dirty = false;
    } lines_;

    QStackedWidget* nbStatus_;
    QStackedWidget* nbList_;
    std::array<TPage, 4> pages_;
    QTimer* tmrRefresh_;
    QTimer* tmrStopper_;
    QTimer* tmrStopperOnce_;
    QTimer* tmrTray_;
    QSystemTrayIcon* ctrayApps_;
    int trayFrame_ = 0;
    bool inTray_ = false;
};

}  // namespace tessaly::gui
