#include "gui/TfrmYahooGrabber.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "platform/RegistryStore.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

QPushButton* MakeButton(QWidget* owner, const QString& caption, const char* name) {
    auto* b = new QPushButton(caption, owner);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QAction* MakeAction(QMenu* menu, const QString& caption, const char* name) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

TfrmYahooGrabber::TfrmYahooGrabber(QWidget* parent, std::function<TfrmProgress&()> progress,
                                   std::function<void()> resetProgress)
    : QDialog(parent), progress_(std::move(progress)), resetProgress_(std::move(resetProgress)) {
    setObjectName(QStringLiteral("TfrmYahooGrabber"));
    setWindowTitle(tr("Grabbed Groups"));
    auto* heading = new QLabel(tr("Group and URL Editor"), this);
    heading->setObjectName(QStringLiteral("lbHeading"));
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
    lstSources_ = new QListWidget(this);
    lstSources_->setObjectName(QStringLiteral("lstSources"));
    lstSources_->setMaximumWidth(200);
    lstEntries_ = new QListWidget(this);
    lstEntries_->setObjectName(QStringLiteral("lstEntries"));
    btAdd_ = MakeButton(this, tr("Add"), "btAdd");
    btEdit_ = MakeButton(this, tr("Edit"), "btEdit");
    btDelete_ = MakeButton(this, tr("Delete"), "btDelete");
    btUtils_ = MakeButton(this, tr("Utils"), "btUtils");
    btCancel_ = MakeButton(this, tr("Close"), "btCancel");
    pmnuUtils_ = new QMenu(this);
    pmnuUtils_->setObjectName(QStringLiteral("pmnuUtils"));
    connect(MakeAction(pmnuUtils_, tr("Add From Emails List"), "btImportFromEmailsList"),
            &QAction::triggered, this,
            Guarded(this, "Add From Emails List", [this] { btImportFromEmailsListClick(); }));
    connect(MakeAction(pmnuUtils_, tr("Add Group List From *.ygrp File"),
                       "btImportGroupListFromygrpFile"),
            &QAction::triggered, this, Guarded(this, "Add Group List From *.ygrp File", [this] {
                btImportGroupListFromygrpFileClick();
            }));
    connect(MakeAction(pmnuUtils_, tr("Export Group List"), "ExportGroupList1"),
            &QAction::triggered, this,
            Guarded(this, "Export Group List", [this] { ExportGroupList1Click(); }));
    pmnuUtils_->addSeparator();
    // Shown but greyed: Add, Edit and the imports never let in an entry that differs from a
    // listed one only by case or blanks, so it would have nothing to remove.
    MakeAction(pmnuUtils_, tr("Remove Duplicates"), "RemoveDuplicates1")->setEnabled(false);

    auto* lists = new QHBoxLayout;
    lists->addWidget(lstSources_, 1);
    lists->addWidget(lstEntries_, 2);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {btAdd_, btEdit_, btDelete_, btUtils_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(btCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(560, 400);

    chooseFile = [this](const std::string& caption, bool save) {
        const QString title = QString::fromStdString(caption);
        const QString file = save ? QFileDialog::getSaveFileName(this, title)
                                  : QFileDialog::getOpenFileName(this, title);
        return file.toStdString();
    };
    connect(lstSources_, &QListWidget::currentRowChanged, this,
            Guarded(this, "Show the list", [this] { ShowSource(); }));
    connect(lstEntries_, &QListWidget::itemDoubleClicked, this,
            Guarded(this, "Edit", [this] { btEditClick(); }));
    connect(btAdd_, &QPushButton::clicked, this, Guarded(this, "Add", [this] { btAddClick(); }));
    connect(btEdit_, &QPushButton::clicked, this, Guarded(this, "Edit", [this] { btEditClick(); }));
    connect(btDelete_, &QPushButton::clicked, this,
            Guarded(this, "Delete", [this] { btDeleteClick(); }));
    connect(btCancel_, &QPushButton::clicked, this,
            Guarded(this, "Close", [this] { btCancelClick(); }));
    connect(btUtils_, &QPushButton::clicked, this,
            Guarded(this, "Utils", [this] { btUtilsClick(); }));
}

TfrmYahooGrabber::~TfrmYahooGrabber() = default;

void TfrmYahooGrabber::Open() {
    try {
        sources_ = ListNameSources();
    } catch (const ERegistryException& e) {
        // The two files are still there to edit.
        sources_ = {{TNameSourceKind::GrabbedGroups, {}}, {TNameSourceKind::GrabbedURLs, {}}};
        CommonMessageBox(
            this, std::string("The members' group caches could not be read.\r\n\r\n") + e.what(),
            TMessageKind::Error, false);
    }
    const QSignalBlocker block(lstSources_);
    lstSources_->clear();
    for (const TNameSource& s : sources_) lstSources_->addItem(QString::fromStdString(s.Caption()));
    SelectSource(0);
}

void TfrmYahooGrabber::SelectSource(int row) {
    const QSignalBlocker block(lstSources_);
    lstSources_->setCurrentRow(row);
    ShowSource();
}

const TNameSource* TfrmYahooGrabber::Source() const {
    const int row = lstSources_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= sources_.size()) return nullptr;
    return &sources_[static_cast<std::size_t>(row)];
}

void TfrmYahooGrabber::ShowSource() {
    lstEntries_->clear();
    const TNameSource* source = Source();
    if (source == nullptr) return;
    const TListResult read = ReadNameSource(*source);
    if (!read.Ok()) {
        // Shown empty, the list would look as if it had lost its names.
        CommonMessageBox(
            this, "The list " + source->Caption() + " could not be read.\r\n\r\n" + read.error,
            TMessageKind::Error, false);
        return;
    }
    QStringList items;
    items.reserve(static_cast<int>(read.names.size()));
    for (const std::string& name : read.names) items.append(QString::fromStdString(name));
    lstEntries_->addItems(items);
}

std::vector<std::string> TfrmYahooGrabber::Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < lstEntries_->count(); ++i)
        entries.push_back(lstEntries_->item(i)->text().toStdString());
    return entries;
}

std::vector<std::string> TfrmYahooGrabber::SourceCaptions() const {
    std::vector<std::string> captions;
    for (const TNameSource& s : sources_) captions.push_back(s.Caption());
    return captions;
}

bool TfrmYahooGrabber::Listed(const std::string& name, int except) const {
    const std::string wanted = Trim(name);
    for (int i = 0; i < lstEntries_->count(); ++i) {
        if (i != except && SameText(Trim(lstEntries_->item(i)->text().toStdString()), wanted))
            return true;
    }
    return false;
}

bool TfrmYahooGrabber::CheckNewName(const std::string& text, int except, const char* duplicate) {
    if (Trim(text).empty()) {
        CommonMessageBox(this, "You should enter a valid name.", TMessageKind::Error, false);
        return false;
    }
    if (Listed(text, except)) {
        CommonMessageBox(this, duplicate, TMessageKind::Error, false);
        return false;
    }
    if (!NameFitsSource(*Source(), text)) {
        CommonMessageBox(this,
                         "This list cannot keep the name: it may not hold \"=\" or be longer "
                         "than 253 characters.",
                         TMessageKind::Error, false);
        return false;
    }
    return true;
}

void TfrmYahooGrabber::btAddClick() {
    if (Source() == nullptr) return;
    std::string text;
    if (!CommonInputBox(this, "Add new Group", "Group name", text)) return;
    if (!CheckNewName(text, -1, "You already have this Group name. Please enter a new name."))
        return;
    const TListResult stored = AddToNameSource(*Source(), {text});
    if (!stored.Ok()) {
        CommonMessageBox(this, "The name could not be stored.\r\n\r\n" + stored.error,
                         TMessageKind::Error, false);
        return;
    }
    lstEntries_->addItem(QString::fromStdString(text));
}

void TfrmYahooGrabber::btEditClick() {
    if (Source() == nullptr) return;
    if (lstEntries_->count() == 0) {
        CommonMessageBox(this, "You dont have any Group to Edit. \r\n\r\nAdd some before editing.",
                         TMessageKind::Error, false);
        return;
    }
    QListWidgetItem* item = lstEntries_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        CommonMessageBox(this, "Please select a group name before trying to edit.",
                         TMessageKind::Error, false);
        return;
    }
    const std::string old = item->text().toStdString();
    std::string text = old;
    if (!CommonInputBox(this, "Edit Group name", "Group Name", text)) return;
    // Unchanged, the entry keeps what its store holds for it (a cached group its marks).
    if (text == old) return;
    if (!CheckNewName(text, lstEntries_->row(item),
                      "You already have the Group name. Please enter a new name."))
        return;
    const TListResult stored = RenameInNameSource(*Source(), old, text);
    if (!stored.Ok()) {
        CommonMessageBox(this, "The name could not be changed.\r\n\r\n" + stored.error,
                         TMessageKind::Error, false);
        return;
    }
    item->setText(QString::fromStdString(text));
}

void TfrmYahooGrabber::btDeleteClick() {
    if (Source() == nullptr) return;
    if (lstEntries_->count() == 0) {
        CommonMessageBox(this,
                         "You dont have any Group name to Delete. \r\n\r\nAdd some before "
                         "deleting.",
                         TMessageKind::Error, false);
        return;
    }
    QListWidgetItem* item = lstEntries_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        CommonMessageBox(this, "Please select a group name before trying to delete.",
                         TMessageKind::Error, false);
        return;
    }
    if (!CommonMessageBox(this, "Do you really want to delete the selected Group Name ?",
                          TMessageKind::Confirmation, true))
        return;
    const TListResult stored = RemoveFromNameSource(*Source(), item->text().toStdString());
    if (!stored.Ok()) {
        CommonMessageBox(this, "The name could not be deleted.\r\n\r\n" + stored.error,
                         TMessageKind::Error, false);
        return;
    }
    delete lstEntries_->takeItem(lstEntries_->row(item));
}

void TfrmYahooGrabber::btCancelClick() {
    reject();
}

void TfrmYahooGrabber::btUtilsClick() {
    pmnuUtils_->popup(btUtils_->mapToGlobal(QPoint(0, btUtils_->height())));
}

TfrmProgress& TfrmYahooGrabber::Progress() {
    if (progress_) return progress_();
    if (!ownProgress_) ownProgress_ = std::make_unique<TfrmProgress>();
    return *ownProgress_;
}

void TfrmYahooGrabber::ResetProgress() {
    if (resetProgress_) {
        resetProgress_();
        return;
    }
    if (ownProgress_) ownProgress_->FinishProgress();
    ownProgress_.reset();
}

}  // namespace tessaly::gui
