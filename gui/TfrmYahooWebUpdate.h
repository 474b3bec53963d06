#pragma once
// The "Check Updates" window: asks the update server for its update file and shows the
// installed and the newest version, the check's log as it goes, and an "Update Site" button.
//
// The check runs on a thread of its own (TUpdateCheck blocks for up to three requests), so the
// window stays responsive; the thread posts each log line to the window. Closing the window
// while a check runs cancels the check; the window waits for its thread before it goes, so no
// posted line outlives it. Nothing is opened unless the user clicks "Update Site", and only an
// http or https address.

#include <QDialog>
#include <QUrl>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "update/UpdateCheck.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tessaly::gui {

class TfrmYahooWebUpdate : public QDialog {
    Q_OBJECT
public:
    // `updateServer`: the host (and port) serving the update file; `siteAddress`: what "Update
    // Site" opens until a check offers another address.
    TfrmYahooWebUpdate(QWidget* parent, std::string updateServer,
                       std::string siteAddress = kMakerWebSite);
    ~TfrmYahooWebUpdate() override;
    TfrmYahooWebUpdate(const TfrmYahooWebUpdate&) = delete;
    TfrmYahooWebUpdate& operator=(const TfrmYahooWebUpdate&) = delete;

    // Starts a check unless one runs: "Check" and "Close" stay disabled until it ends.
    void RunCheck();
    [[nodiscard]] bool Checking() const { return checking_; }
    // How many checks have ended (tests wait for it).
    [[nodiscard]] int ChecksDone() const { return checksDone_; }
    // What "Update Site" opens: the given address or the last one an update file offered.
    [[nodiscard]] const std::string& SiteAddress() const { return siteAddress_; }
    void btOpenSiteClick();

    // Hands the update site to the desktop; the main window passes its own, tests record.
    std::function<void(const QUrl&)> openUrl;

    QLabel* lbInstalledVersion;
    QLabel* lbCurrentVersion;
    QPlainTextEdit* mmUpdateLog;
    QPushButton* btCheck;
    QPushButton* btOpenSite;
    QPushButton* btClose;

    // Closing cancels a running check.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CheckEnded(const TUpdateCheckResult& result);
    void SetButtons();
    void JoinCheck();

    std::string server_;
    std::string siteAddress_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    bool checking_ = false;
    bool shownOnce_ = false;
    int checksDone_ = 0;
};

}  // namespace tessaly::gui
