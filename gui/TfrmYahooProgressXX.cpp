#include "gui/TfrmYahooProgressXX.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/CommandGuard.h"
#include "gui/DesktopLinks.h"
#include "gui/ProgressRowsModel.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "harvest/YahooAttach.h"
#include "platform/ImageViewer.h"
#include "platform/Pacing.h"
#include "session/MemberSession.h"
#include "settings/DownloadOptions.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

constexpr const char* kPageNames[] = {"Messages", "Attachments", "Files", "Photos"};
constexpr const char* kBoxTexts[] = {
    "Message Section Download Status", "Embbeded Attachments Download Status",
    "Files Section Download Status", "Photo Section Download Status"};
constexpr int kDesignHeight = 344;
constexpr int kCollapsedHeight = 167;
constexpr int kExpandedHeight = 339;
// How often what the reports changed is drawn: often enough to look live, rarely enough that a
// fast run spends its time on the run.
constexpr int kRefreshMs = 50;

std::vector<std::int64_t> Numbers(const TIntList& list) {
    std::vector<std::int64_t> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
    return out;
}

// Every shown window of the program goes to the taskbar, or comes back from it.
void MinimizeApplication() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !w->isMinimized()) w->showMinimized();
    }
}

void RestoreApplication() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isMinimized()) w->showNormal();
    }
}

int Interval(int designedMs) {
    // At least a millisecond: a zero-interval timer would spin while the run winds down.
    const auto ms = PacingClock::Scaled(std::chrono::milliseconds(designedMs)).count();
    return static_cast<int>(std::max<std::int64_t>(1, ms));
}

}  // namespace

TfrmYahooProgressXX::TfrmYahooProgressXX(QWidget* mainWindow, TMemberSession& session)
    : QWidget(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      session_(session),
      main_(mainWindow),
      stopping_(std::make_unique<TfrmProgress>()) {
    setObjectName(QStringLiteral("TfrmYahooProgressXX"));
    setWindowTitle(QStringLiteral("Progress..."));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    nbStatus_ = new QStackedWidget(this);
    nbStatus_->setObjectName(QStringLiteral("nbStatus"));
    nbList_ = new QStackedWidget(this);
    nbList_->setObjectName(QStringLiteral("nbList"));
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        TPage& p = pages_[i];
        auto* upper = new QWidget(nbStatus_);
        upper->setObjectName(QString::fromLatin1(kPageNames[i]));
        auto* upperLayout = new QVBoxLayout(upper);
        upperLayout->setContentsMargins(0, 0, 0, 0);
        p.box = new QGroupBox(QString::fromLatin1(kBoxTexts[i]), upper);
        auto* boxLayout = new QVBoxLayout(p.box);
        p.groupLine = new QLabel(p.box);
        p.groupBar = new QProgressBar(p.box);
        p.itemLine = new QLabel(p.box);
        p.itemBar = new QProgressBar(p.box);
        for (QWidget* w :
             std::initializer_list<QWidget*>{p.groupLine, p.groupBar, p.itemLine, p.itemBar})
            boxLayout->addWidget(w);
        upperLayout->addWidget(p.box);
        nbStatus_->addWidget(upper);

        const bool fileForm = i >= 2;
        p.model = new TProgressRowsModel(fileForm, this);
        p.list = new QTreeView(nbList_);
        p.list->setObjectName(QString::fromLatin1(kPageNames[i]));
        p.list->setRootIsDecorated(false);
        p.list->setUniformRowHeights(true);
        p.list->setModel(p.model);
        p.list->setSelectionBehavior(QAbstractItemView::SelectRows);
        p.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // Narrow number columns, so that the status fits beside them in the window's width.
        p.list->header()->setDefaultSectionSize(fileForm ? 66 : 56);
        p.list->header()->resizeSection(0, 110);
        connect(p.list, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
            RunGuarded(this, "Open the group's folder",
                       [this, index] { ListDblClick(index.row()); });
        });
        nbList_->addWidget(p.list);
    }
    layout->addWidget(nbStatus_);
    layout->addWidget(nbList_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    btToTray = button("btToTray", "To Tray");
    btPreview = button("btPreview", "Preview");
    btDetails = button("btDetails", "Details <<");
    buttons->addStretch(1);
    btCancellAll = button("btCancellAll", "Stop All");
    btCancel = button("btCancel", "Stop");
    layout->addLayout(buttons);
    QStyle* st = style();
    btDetails->setIcon(st->standardIcon(QStyle::SP_ArrowUp));
    btCancel->setIcon(st->standardIcon(QStyle::SP_BrowserStop));
    btCancellAll->setIcon(st->standardIcon(QStyle::SP_BrowserStop));
    connect(btCancel, &QPushButton::clicked, this,
            Guarded(this, "Stop", [this] { btCancelClick(); }));
    connect(btCancellAll, &QPushButton::clicked, this,
            Guarded(this, "Stop All", [this] { btCancellAllClick(); }));
    connect(btDetails, &QPushButton::clicked, this,
            Guarded(this, "Details", [this] { btDetailsClick(); }));
    connect(btToTray, &QPushButton::clicked, this,
            Guarded(this, "To Tray", [this] { btToTrayClick(); }));
    connect(btPreview, &QPushButton::clicked, this,
            Guarded(this, "Preview", [this] { btPreviewClick(); }));

    tmrRefresh_ = new QTimer(this);
    tmrRefresh_->setInterval(kRefreshMs);
    connect(tmrRefresh_, &QTimer::timeout, this, [this] { Refresh(); });
    tmrStopper_ = new QTimer(this);
    tmrStopperOnce_ = new QTimer(this);
    for (QTimer* t : {tmrStopper_, tmrStopperOnce_}) {
        t->setSingleShot(true);
        t->setInterval(Interval(100));
    }
    // Each looks again while the run goes on and its request is still unanswered.
    connect(tmrStopperOnce_, &QTimer::timeout, this, [this] {
        if (stops_.running && stops_.stopCurrent)
            tmrStopperOnce_->start();
        else
            ResetProgressDialog();
    });
    connect(tmrStopper_, &QTimer::timeout, this, [this] {
        if (stops_.running && stops_.stopAll)
            tmrStopper_->start();
        else
            ResetProgressDialog();
    });

    trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    ctrayApps_ = new QSystemTrayIcon(this);
    ctrayApps_->setToolTip(QApplication::applicationDisplayName());
    ctrayApps_->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    connect(ctrayApps_, &QSystemTrayIcon::activated, this, [this] { ctrayAppsClick(); });
    tmrTray_ = new QTimer(this);
    tmrTray_->setInterval(100);  // the animation's pace, not a wait
    connect(tmrTray_, &QTimer::timeout, this, [this] {
        static const QStyle::StandardPixmap frames[] = {QStyle::SP_ArrowDown, QStyle::SP_ArrowLeft,
                                                        QStyle::SP_ArrowUp, QStyle::SP_ArrowRight};
        trayFrame_ = (trayFrame_ + 1) % 4;
        ctrayApps_->setIcon(style()->standardIcon(frames[trayFrame_]));
    });
    resize(426, kDesignHeight);
}

TfrmYahooProgressXX::~TfrmYahooProgressXX() {
    if (worker_ && started_ && !worker_->Finished()) {
        // Only when the window goes with its run still going (the program ends): the worker
        // waits for the user-interface thread at its end, so serve it until it is done.
        stops_.stopAll = true;
        while (!worker_->Finished()) QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker_.reset();
    stopping_->FinishProgress();
}

void TfrmYahooProgressXX::SetRunInputs(const std::vector<std::string>& groups,
                                       TYahooDownloadOptions& options, const TIntList& ends,
                                       const TIntList& starts, bool debugPages) {
    groups_ = groups;
    options_ = &options;
    ends_ = ends;
    starts_ = starts;
    debugPages_ = debugPages;
}

const TfrmYahooProgressXX::TPage& TfrmYahooProgressXX::Page() const {
    return pages_[static_cast<std::size_t>(section_)];
}

TProgressRowsModel& TfrmYahooProgressXX::Rows() const {
    return *Page().model;
}
QLabel* TfrmYahooProgressXX::GroupLine() const {
    return Page().groupLine;
}
QLabel* TfrmYahooProgressXX::ItemLine() const {
    return Page().itemLine;
}
QProgressBar* TfrmYahooProgressXX::GroupBar() const {
    return Page().groupBar;
}
QProgressBar* TfrmYahooProgressXX::ItemBar() const {
    return Page().itemBar;
}
QTreeView* TfrmYahooProgressXX::List() const {
    return Page().list;
}
QGroupBox* TfrmYahooProgressXX::GroupBox() const {
    return Page().box;
}

bool TfrmYahooProgressXX::StartMessagesRun() {
    return StartRun(TSection::Messages);
}
bool TfrmYahooProgressXX::StartAttachmentsRun() {
    return StartRun(TSection::Attachments);
}
bool TfrmYahooProgressXX::StartFilesRun() {
    return StartRun(TSection::Files);
}
bool TfrmYahooProgressXX::StartPhotosRun() {
    return StartRun(TSection::Photos);
}

bool TfrmYahooProgressXX::StartRun(TSection section) {
    if (options_ == nullptr || worker_) return false;
    section_ = section;
    for (TPage& p : pages_) p.model->Reset({}, {}, {});
    if (main_) setWindowTitle(main_->windowTitle());
    const auto page = static_cast<int>(section);
    Page().box->setTitle(QString::fromLatin1(kBoxTexts[page]) + QStringLiteral("  [") +
                         QString::fromStdString(session_.UserName()) + QStringLiteral("]"));
    nbStatus_->setCurrentIndex(page);
    nbList_->setCurrentIndex(page);
    lines_ = TLines{};
    lines_.dirty = true;
    ShowRunningState();
    const bool ranges = section == TSection::Messages || section == TSection::Attachments;
    Page().model->Reset(groups_, ranges ? Numbers(starts_) : std::vector<std::int64_t>{},
                        ranges ? Numbers(ends_) : std::vector<std::int64_t>{});
    Refresh();
    stops_.running = true;
    stops_.stopAll = false;
    stops_.stopCurrent = false;

    TWorkerInputs inputs;
    inputs.userName = session_.UserName();
    inputs.password = session_.Password();
    inputs.groups = groups_;
    inputs.debugPages = debugPages_;
    if (ranges) {
        inputs.starts = starts_;
        inputs.ends = ends_;
    }
    options_->SetCurrentSection(OptionsSection(section));
    worker_ =
        MakeSectionWorker(section, session_, *options_, *this, stops_, ui_, std::move(inputs));
    if (!worker_) {
        stops_.running = false;
        return false;
    }
    return true;
}

void TfrmYahooProgressXX::StartWorker() {
    if (worker_) started_ = worker_->Start();
    tmrRefresh_->start();
}

void TfrmYahooProgressXX::ShowModal() {
    QEventLoop loop;
    connect(this, &TfrmYahooProgressXX::closed, &loop, &QEventLoop::quit);
    show();
    raise();
    loop.exec();
}

void TfrmYahooProgressXX::ShowRunningState() {
    btCancel->setText(QStringLiteral("Stop"));
    btCancel->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    btCancellAll->setEnabled(true);
    btToTray->setEnabled(true);
    stops_.running = false;
    ResetProgressDialog();
}

void TfrmYahooProgressXX::ShowFinishedState() {
    Refresh();
    tmrRefresh_->stop();
    btCancel->setText(QStringLiteral("Ok"));
    btCancel->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    btCancellAll->setEnabled(false);
    btToTray->setEnabled(false);
    stops_.running = false;
    if (inTray_) LeaveTray();
    ResetProgressDialog();
    Q_EMIT finished();
}

void TfrmYahooProgressXX::ResetProgressDialog() {
    stopping_->FinishProgress();
    stopping_ = std::make_unique<TfrmProgress>();
}

void TfrmYahooProgressXX::SetGroupBarRange(int min, int max) {
    lines_.groupMax = max;
    lines_.groupMin = min;
    lines_.dirty = true;
}

void TfrmYahooProgressXX::ResetItemBar() {
    lines_.itemMin = 0;
    lines_.itemMax = 0;
    lines_.dirty = true;
}

void TfrmYahooProgressXX::SetItemBarRange(int min, int max) {
    lines_.itemMax = max;
    lines_.itemMin = min;
    lines_.dirty = true;
}

void TfrmYahooProgressXX::ShowGroupLine(const std::string& text, int position) {
    lines_.groupText = text;
    lines_.groupPos = position;
    lines_.dirty = true;
}

void TfrmYahooProgressXX::ShowItemLine(const std::string& text, int position) {
    lines_.itemText = text;
    lines_.itemPos = position;
    lines_.dirty = true;
}

void TfrmYahooProgressXX::ReportGroup(const TGroupReport& report) {
    Page().model->Apply(report);
}

void TfrmYahooProgressXX::ReportFileGroup(const TFileGroupReport& report) {
    Page().model->Apply(report);
}

void TfrmYahooProgressXX::Refresh() {
    const TPage& p = Page();
    if (lines_.dirty) {
        lines_.dirty = false;
        p.groupLine->setText(QString::fromStdString(lines_.groupText));
        p.itemLine->setText(QString::fromStdString(lines_.itemText));
        auto set = [](QProgressBar* bar, int min, int max, int pos) {
            // An empty range (0..0) shows a busy bar in Qt; the run means an empty one.
            bar->setRange(min, std::max(min + (max == min ? 1 : 0), max));
            bar->setValue(std::clamp(pos, bar->minimum(), bar->maximum()));
        };
        set(p.groupBar, lines_.groupMin, lines_.groupMax, lines_.groupPos);
        set(p.itemBar, lines_.itemMin, lines_.itemMax, lines_.itemPos);
    }
    p.model->Flush();
    const int current = p.model->Current();
    if (current >= 0 &&
        (!p.list->currentIndex().isValid() || p.list->currentIndex().row() != current)) {
        const QModelIndex index = p.model->index(current, 0);
        p.list->setCurrentIndex(index);
        p.list->scrollTo(index);
    }
}

void TfrmYahooProgressXX::btCancelClick() {
    if (!stops_.running) {
        close();
        return;
    }
    if (!CommonMessageBox(this, "Downloading is in progress.Do you want to stop it ?",
                          TMessageKind::Information, true))
        return;
    stopping_->StartProgress("Stopping", 100);
    stopping_->SetStatusText("Trying to stop the current download...");
    stops_.stopCurrent = true;
    tmrStopperOnce_->start();
}

void TfrmYahooProgressXX::btCancellAllClick() {
    if (!stops_.running) {
        close();
        return;
    }
    if (!CommonMessageBox(this, "Downloading is in progress. Do you want to stop it ?",
                          TMessageKind::Information, true))
        return;
    stopping_->StartProgress("Stopping", 100);
    stopping_->SetStatusText("Trying to stop all the downloads...");
    stops_.stopAll = true;
    tmrStopper_->start();
}

void TfrmYahooProgressXX::closeEvent(QCloseEvent* event) {
    if (stops_.running) {
        event->ignore();
        CommonMessageBox(this, "Download is in Progress.You cannot quite now.", TMessageKind::Error,
                         false);
        return;
    }
    event->accept();
    Q_EMIT closed();
}

void TfrmYahooProgressXX::btDetailsClick() {
    const bool expanded =
        btDetails->text().compare(QStringLiteral("Details <<"), Qt::CaseInsensitive) == 0;
    nbList_->setVisible(!expanded);
    setFixedHeight(expanded ? kCollapsedHeight : kExpandedHeight);
    btDetails->setText(expanded ? QStringLiteral("Details >>") : QStringLiteral("Details <<"));
    btDetails->setIcon(style()->standardIcon(expanded ? QStyle::SP_ArrowDown : QStyle::SP_ArrowUp));
}

void TfrmYahooProgressXX::btToTrayClick() {
    if (!stops_.running || inTray_) return;
    // Without a notification area the hidden window could not be brought back before the run
    // ends: it goes to the taskbar instead.
    if (!trayAvailable || !trayAvailable()) {
        MinimizeApplication();
        return;
    }
    if (hideConsole) hideConsole();
    hide();
    inTray_ = true;
    trayFrame_ = 0;
    ctrayApps_->show();
    tmrTray_->start();
    if (main_) main_->hide();
}

void TfrmYahooProgressXX::ctrayAppsClick() {
    if (inTray_) LeaveTray();
}

void TfrmYahooProgressXX::LeaveTray() {
    inTray_ = false;
    tmrTray_->stop();
    ctrayApps_->hide();
    RestoreApplication();
    showNormal();
    raise();
    activateWindow();
}

void TfrmYahooProgressXX::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimising the window of a run minimises the whole program: the main window and the
    // console have nothing to show until the run is over.
    if (event->type() == QEvent::WindowStateChange && isMinimized()) MinimizeApplication();
}

void TfrmYahooProgressXX::btPreviewClick() {
    StartImageViewer(false);
    for (int i = 0; i < 3; ++i) AnnouncePreview("wakeup");
}

void TfrmYahooProgressXX::ListDblClick(int row) {
    const std::string group = Page().model->Group(row);
    if (group.empty() || options_ == nullptr) return;
    const std::string folder =
        SectionFolder(options_->strSaveDir, kPageNames[static_cast<int>(section_)], Trim(group));
    // A group not downloaded yet has no folder: its web page is the next best thing.
    if (QDir(QString::fromStdString(folder)).exists()) {
        if (openUrl) openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
        return;
    }
    if (openUrl) openUrl(QUrl(QString::fromStdString(GroupPageAddress(Trim(group)))));
}

}  // namespace tessaly::gui
