#pragma once
// The browser console, "Console - Tessaly": a read-only view of the page the session's browser
// engine holds, with an address bar that follows the engine's location, Back, Forward, Stop,
// Refresh, the group home page and an activity bar while a page loads. The engine belongs to the
// session; the console only shows it and hands it the user's navigation.

#include <QMainWindow>
#include <functional>

#include "browser/BrowserEngine.h"

class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QTabWidget;
class QTextBrowser;
class QTimer;

namespace tessaly::gui {

class TfrmYahooBrowser : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmYahooBrowser(IBrowserEngine& browser, QWidget* parent = nullptr);

    // Reads the engine's state now (the console also does so on a short timer).
    void FollowBrowser();

    [[nodiscard]] QString AddressText() const;
    [[nodiscard]] QString SourceText() const;

    // What "Group List" and "Tessaly Home" do; the main window sets them.
    std::function<void()> onGroupList;
    std::function<void(const QString&)> openUrl;

    QAction* actBack;
    QAction* actForward;
    QAction* actStop;
    QAction* actRefresh;
    QAction* actGroupHome;
    QAction* actGroupList;

private:
    IBrowserEngine& browser_;
    TPagePtr shown_;
    QLineEdit* IEAddressMain_;
    QTabWidget* tabs_;
    QTextBrowser* view_;
    QPlainTextEdit* source_;
    QProgressBar* animation_;
    QTimer* follow_;
};

}  // namespace tessaly::gui
