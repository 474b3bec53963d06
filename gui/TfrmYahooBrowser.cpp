#include "gui/TfrmYahooBrowser.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "gui/DesktopLinks.h"
#include "service/ServiceHosts.h"

namespace tessaly::gui {
namespace {

// How often the console looks at the engine: often enough that the address bar seems to follow
// each navigation, rarely enough to cost nothing.
constexpr int kFollowIntervalMs = 150;

}  // namespace

TfrmYahooBrowser::TfrmYahooBrowser(IBrowserEngine& browser, QWidget* parent)
    : QMainWindow(parent, Qt::Window), browser_(browser) {
    setObjectName(QStringLiteral("TfrmYahooBrowser"));
    setWindowTitle(QStringLiteral("Console - Tessaly"));
    resize(820, 600);

    QMenu* console = menuBar()->addMenu(tr("Console"));
    console->addAction(tr("Tessaly Home"), this, [this] {
        if (openUrl) openUrl(QString::fromLatin1(kMakerSite));
    });
    console->addSeparator();
    console->addAction(tr("Close"), this, &QWidget::close);

    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setObjectName(QStringLiteral("tbConsole"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actBack = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"), this,
                             [this] { browser_.GoBack(); });
    actForward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"), this,
                                [this] { browser_.GoForward(); });
    actStop = bar->addAction(style()->standardIcon(QStyle::SP_BrowserStop), tr("Stop"), this,
                             [this] { browser_.Stop(); });
    actRefresh = bar->addAction(style()->standardIcon(QStyle::SP_BrowserReload), tr("Refresh"),
                                this, [this] {
                                    const std::string at = browser_.LocationURL();
                                    if (!at.empty()) browser_.Navigate(at);
                                });
    actGroupHome = bar->addAction(
        style()->standardIcon(QStyle::SP_DirHomeIcon), tr("Yahoo Group Home"), this,
        [this] { browser_.Navigate(std::string("http://") + hosts::kGroups + "/mygroups"); });
    actGroupList = bar->addAction(style()->standardIcon(QStyle::SP_FileDialogListView),
                                  tr("Group List"), this, [this] {
                                      if (onGroupList) onGroupList();
                                  });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    IEAddressMain_ = new QLineEdit(central);
    IEAddressMain_->setObjectName(QStringLiteral("IEAddressMain"));
    IEAddressMain_->setEnabled(false);
    tabs_ = new QTabWidget(central);
    view_ = new QTextBrowser(tabs_);
    view_->setObjectName(QStringLiteral("view"));
    view_->setOpenLinks(false);  // the console shows pages; it does not browse on its own
    source_ = new QPlainTextEdit(tabs_);
    source_->setObjectName(QStringLiteral("source"));
    source_->setReadOnly(true);
    source_->setLineWrapMode(QPlainTextEdit::NoWrap);
    tabs_->addTab(view_, tr("Page"));
    tabs_->addTab(source_, tr("Source"));
    layout->addWidget(IEAddressMain_);
    layout->addWidget(tabs_, 1);
    setCentralWidget(central);

    animation_ = new QProgressBar(this);
    animation_->setObjectName(QStringLiteral("animation"));
    animation_->setRange(0, 0);
    animation_->setMaximumWidth(120);
    animation_->setVisible(false);
    statusBar()->addPermanentWidget(animation_);

    follow_ = new QTimer(this);
    follow_->setInterval(kFollowIntervalMs);
    connect(follow_, &QTimer::timeout, this, [this] { FollowBrowser(); });
    follow_->start();
    FollowBrowser();
}

void TfrmYahooBrowser::FollowBrowser() {
    const bool busy = browser_.Busy();
    animation_->setVisible(busy);
    actStop->setEnabled(busy);
    actBack->setEnabled(browser_.CanGoBack());
    actForward->setEnabled(browser_.CanGoForward());
    const QString at = QString::fromStdString(browser_.LocationURL());
    if (IEAddressMain_->text() != at) IEAddressMain_->setText(at);
    TPagePtr page = browser_.Document();
    if (page == shown_) return;
    shown_ = page;
    const QString text = QString::fromStdString(page->Source());
    source_->setPlainText(text);
    view_->setHtml(text);
    statusBar()->showMessage(page->Failure().empty() ? tr("Done")
                                                     : QString::fromStdString(page->Failure()));
}

QString TfrmYahooBrowser::AddressText() const {
    return IEAddressMain_->text();
}

QString TfrmYahooBrowser::SourceText() const {
    return source_->toPlainText();
}

}  // namespace tessaly::gui
