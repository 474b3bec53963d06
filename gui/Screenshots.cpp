#include "gui/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include "browser/BrowserEngine.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmYahooBrowser.h"
#include "gui/TfrmYahooMain.h"
#include "gui/TfrmYahooOptions.h"
#include "registry/GroupCache.h"
#include "registry/ProgramRegistry.h"
#include "service/ServiceHosts.h"
#include "session/MemberSession.h"

namespace tessaly::gui {
namespace {

// Lets the window system draw what was shown.
void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool Grab(QWidget& window, const QString& file) {
    window.show();
    window.raise();
    Settle(400);
    const QPixmap picture = window.screen()->grabWindow(window.winId());
    return !picture.isNull() && picture.save(file);
}

}  // namespace

int TakeScreenshots(const QString& folder) {
    QDir().mkpath(folder);
    const QDir dir(folder);
    bool ok = true;
    MarkStartValue();  // no welcome box in the pictures
    TfrmYahooMain main;
    main.move(40, 40);
    main.resize(460, 600);
    main.show();
    main.ShowLoginResult(LoadCachedGroupNames(main.Session().UserName()));
    const auto items = main.Tree().GroupItems();
    if (items.size() > 2) {
        main.Tree().SetFavourite(items[1], true);
        main.Tree().SetChecked(items[2], false);
    }
    ok = Grab(main, dir.filePath(QStringLiteral("main-window.png"))) && ok;

    TfrmCommonDlg login(&main);
    login.ShowPasswordPage("Yahoo Login.", main.Session().UserName(), false, "password");
    ok = Grab(login, dir.filePath(QStringLiteral("login-box.png"))) && ok;
    login.hide();

    TfrmYahooOptions options(&main);
    options.ShowPage(0);
    ok = Grab(options, dir.filePath(QStringLiteral("options.png"))) && ok;
    options.hide();

    TfrmYahooBrowser& console = main.Console();
    console.move(80, 60);
    (void)main.Session().Browser().Open(std::string("http://") + hosts::kGroups + "/mygroups");
    console.FollowBrowser();
    ok = Grab(console, dir.filePath(QStringLiteral("console.png"))) && ok;
    return ok ? 0 : 1;
}

}  // namespace tessaly::gui
