#include "gui/Screenshots.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

#include "browser/BrowserEngine.h"
#include "gui/DownloadLaunch.h"
#include "gui/ProgressRowsModel.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmYahooBrowser.h"
#include "gui/TfrmYahooChooseOptions.h"
#include "gui/TfrmYahooGrabber.h"
#include "gui/TfrmYahooMain.h"
#include "gui/TfrmYahooOptions.h"
#include "gui/TfrmYahooProgressXX.h"
#include "gui/TfrmYahooReorder.h"
#include "registry/GroupCache.h"
#include "registry/ProgramRegistry.h"
#include "service/ServiceHosts.h"
#include "session/MemberSession.h"
#include "text/DateTime.h"
#include "text/TextUtils.h"

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

bool Grab(QWidget& window, const QString& file, int settleMs = 400) {
    window.show();
    window.raise();
    Settle(settleMs);
    const QPixmap picture = window.screen()->grabWindow(window.winId());
    return !picture.isNull() && picture.save(file);
}

// Serves events until `done` holds; false when `ms` passed first.
bool Until(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

// The progress window in the middle of a Files run of three groups: the first done, the second
// on its way. The service answers slowly enough (scripts/screenshots) that the picture is taken
// before the second group ends; a picture of another moment is refused.
bool GrabFilesRun(TfrmYahooMain& main, const QString& file) {
    // The stored member signs in as the login command would, with the password given.
    std::string password;
    std::getline(std::cin, password);
    main.Session().SetPassword(Trim(password));
    if (!main.Session().FormLogin()) {
        std::fprintf(stderr, "screenshots: the stored member could not sign in\n");
        return false;
    }
    TfrmYahooProgressXX progress(&main, main.Session());
    progress.SetRunInputs({"DemoGroup", "Filler16", "MixedCaseGroup"}, main.Options(), {}, {},
                          false);
    if (!progress.StartFilesRun()) return false;
    progress.move(60, 60);
    progress.StartWorker();
    progress.show();
    const TProgressRowsModel& rows = progress.Rows();
    auto midRun = [&] {
        return rows.Picture(0) == 1 && rows.Picture(1) == 3 && progress.ItemBar()->value() > 0;
    };
    const auto over = [&] { return !progress.Running(); };
    bool ok = Until([&] { return midRun() || over(); }, 60000) && midRun() &&
              Grab(progress, file, 150) && midRun();
    ok = Until(over, 120000) && ok;
    if (!ok) {
        std::fprintf(stderr, "screenshots: the Files run was not caught in its middle:\n");
        for (int r = 0; r < rows.rowCount(); ++r)
            std::fprintf(
                stderr, "  %s %s (%s)\n", rows.Cell(r, 0).toUtf8().constData(),
                rows.Cell(r, 4).toUtf8().constData(),
                rows.data(rows.index(r, 0), Qt::ToolTipRole).toString().toUtf8().constData());
    }
    progress.btCancel->click();
    return ok;
}

}  // namespace

int TakeScreenshots(const QString& folder) {
    QDir().mkpath(folder);
    const QDir dir(folder);
    bool ok = true;
    MarkStartValue();  // no welcome box in the pictures
    // Nor the start-up update check's window, which would wait for an answer.
    WriteUpdatedCheckedOn(Now());
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

    // Start Download: the chooser over the tree, then the order dialog of a messages run.
    std::vector<TTreeEntry> entries;
    for (QTreeWidgetItem* item : main.Tree().AllItems())
        entries.push_back(
            {TGroupTree::TextOf(item), TGroupTree::IsChecked(item), TGroupTree::IsFavourite(item)});
    TfrmYahooChooseOptions chooser(&main, std::move(entries), 1);
    chooser.txtDir->setText(QString::fromStdString(main.Options().strSaveDir));
    chooser.SetSection(TYahooDownloadOptions::kSectionMessages);
    chooser.cbReOrder->setChecked(true);
    ok = Grab(chooser, dir.filePath(QStringLiteral("chooser.png"))) && ok;
    chooser.hide();

    TfrmYahooReorder order(&main, {"DemoGroup", "BritishWalkers", "SportsFans", "OneMessage"}, true,
                           main.Session().UserName());
    order.Shown()->setCurrentItem(order.Shown()->topLevelItem(0));
    ok = Grab(order, dir.filePath(QStringLiteral("order.png"))) && ok;
    order.hide();

    ok = GrabFilesRun(main, dir.filePath(QStringLiteral("progress-files.png"))) && ok;

    // The group and URL editor on the member's own group cache.
    TfrmYahooGrabber editor(&main);
    editor.Open();
    const std::vector<std::string> sources = editor.SourceCaptions();
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (sources[i] == main.Session().UserName()) editor.SelectSource(static_cast<int>(i));
    ok = Grab(editor, dir.filePath(QStringLiteral("group-editor.png"))) && ok;
    editor.hide();

    TfrmYahooBrowser& console = main.Console();
    console.move(80, 60);
    (void)main.Session().Browser().Open(std::string("http://") + hosts::kGroups + "/mygroups");
    console.FollowBrowser();
    ok = Grab(console, dir.filePath(QStringLiteral("console.png"))) && ok;
    return ok ? 0 : 1;
}

}  // namespace tessaly::gui
