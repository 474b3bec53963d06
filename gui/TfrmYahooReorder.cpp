#include "gui/TfrmYahooReorder.h"

#include <QDialogButtonBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"
#include "gui/DownloadLaunch.h"
#include "gui/TfrmYahooEditMessageProp.h"
#include "registry/GroupCache.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

constexpr int kFrom = 1;
constexpr int kTo = 2;
constexpr int kOldPos = 3;

std::string Text(const QTreeWidgetItem* item, int column) {
    return item->text(column).toStdString();
}

}  // namespace

TReorderTree::TReorderTree(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);  // the mark is drawn here, by the rule of halves
    setDragDropMode(QAbstractItemView::DragDrop);
}

void TReorderTree::startDrag(Qt::DropActions actions) {
    QTreeWidgetItem* item = currentItem();
    if (item == nullptr) return;
    BeginDrag(indexOfTopLevelItem(item));
    QTreeWidget::startDrag(actions);
    BeginDrag(-1);
    SetMark({});
}

TReorderTree::TDropMark TReorderTree::MarkAt(const QPoint& at) const {
    QTreeWidgetItem* target = itemAt(at);
    if (target == nullptr || dragged_ < 0) return {};
    const int row = indexOfTopLevelItem(target);
    if (row == dragged_) return {};
    const QRect rect = visualItemRect(target);
    return {row, DropsAfter(at.y(), rect.top(), rect.height())};
}

void TReorderTree::SetMark(TDropMark mark) {
    if (mark.row == mark_.row && mark.after == mark_.after) return;
    mark_ = mark;
    viewport()->update();
}

void TReorderTree::dragEnterEvent(QDragEnterEvent* event) {
    if (dragged_ < 0) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

bool TReorderTree::DragOver(const QPoint& at) {
    const TDropMark mark = MarkAt(at);
    SetMark(mark);
    return mark.row >= 0;
}

bool TReorderTree::DropAt(const QPoint& at) {
    const TDropMark mark = MarkAt(at);
    SetMark({});
    if (mark.row < 0) return false;
    const int to = DropIndex(dragged_, mark.row, mark.after, topLevelItemCount());
    if (to != dragged_) {
        QTreeWidgetItem* item = takeTopLevelItem(dragged_);
        insertTopLevelItem(to, item);
        setCurrentItem(item);
    }
    return true;
}

void TReorderTree::dragMoveEvent(QDragMoveEvent* event) {
    if (!DragOver(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TReorderTree::dragLeaveEvent(QDragLeaveEvent* event) {
    SetMark({});
    QTreeWidget::dragLeaveEvent(event);
}

void TReorderTree::dropEvent(QDropEvent* event) {
    if (!DropAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    // The row has moved here already; the source must not remove anything.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}

void TReorderTree::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (mark_.row < 0) return;
    QTreeWidgetItem* target = topLevelItem(mark_.row);
    if (target == nullptr) return;
    const QRect rect = visualItemRect(target);
    const int y = mark_.after ? rect.bottom() : rect.top();
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(0, y, viewport()->width(), y);
}

TfrmYahooReorder::TfrmYahooReorder(QWidget* parent, const std::vector<std::string>& groups,
                                   bool messagePage, const std::string& user)
    : QDialog(parent), messagePage_(messagePage) {
    setObjectName(QStringLiteral("TfrmYahooReorder"));
    setWindowTitle(QStringLiteral("ReOrder Groups"));
    pages_ = new QStackedWidget(this);
    elTreeNormal = new TReorderTree(pages_);
    elTreeNormal->setObjectName(QStringLiteral("elTreeNormal"));
    elTreeNormal->setHeaderLabels({QStringLiteral("Group Name")});
    elTreeAttach = new TReorderTree(pages_);
    elTreeAttach->setObjectName(QStringLiteral("elTreeAttach"));
    elTreeAttach->setHeaderLabels({QStringLiteral("Group Name"), QStringLiteral("From"),
                                   QStringLiteral("To"), QStringLiteral("Old Pos")});
    pages_->addWidget(elTreeAttach);
    pages_->addWidget(elTreeNormal);
    lbHelp = new QLabel(this);
    lbHelp->setObjectName(QStringLiteral("lbHelp"));

    if (messagePage_) {
        lbHelp->setText(
            QStringLiteral("Drag and Drop the groups to reorder and Double click to Edit."));
        pages_->setCurrentWidget(elTreeAttach);
        for (const auto& group : groups) {
            const std::string name = Trim(group);
            const std::int64_t last = GetLastPosition(user, name);
            auto* item = new QTreeWidgetItem(
                elTreeAttach, {QString::fromStdString(name), QStringLiteral("0"),
                               QStringLiteral("0"), QString::number(last < 0 ? 0 : last)});
            item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
        }
        connect(elTreeAttach, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
            RunGuarded(this, "Edit the range", [this, item] { (void)EditRow(item); });
        });
    } else {
        lbHelp->setText(QStringLiteral("Drag and Drop the groups to reorder"));
        pages_->setCurrentWidget(elTreeNormal);
        for (const auto& group : groups) {
            auto* item = new QTreeWidgetItem(elTreeNormal, {QString::fromStdString(group)});
            item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
        }
    }

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOk"));
    auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addWidget(lbHelp);
    layout->addWidget(buttons);
    resize(480, 360);
}

TReorderTree* TfrmYahooReorder::Shown() const {
    return messagePage_ ? elTreeAttach : elTreeNormal;
}

bool TfrmYahooReorder::EditRow(QTreeWidgetItem* item) {
    if (item == nullptr || !messagePage_) return false;
    TfrmYahooEditMessageProp editor(this, Text(item, 0), RangeNumber(Text(item, kFrom)),
                                    RangeNumber(Text(item, kTo)), RangeNumber(Text(item, kOldPos)));
    if (editor.exec() != QDialog::Accepted) return false;
    item->setText(kFrom, QString::number(editor.FirstMessage()));
    item->setText(kTo, QString::number(editor.LastMessage()));
    item->setText(kOldPos, QString::number(editor.CurrentMessage()));
    return true;
}

void TfrmYahooReorder::ReadRows(std::vector<std::string>& names, std::vector<std::int64_t>& starts,
                                std::vector<std::int64_t>& ends) const {
    names.clear();
    starts.clear();
    ends.clear();
    const QTreeWidget* tree = Shown();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = tree->topLevelItem(i);
        names.push_back(Trim(Text(item, 0)));
        if (!messagePage_) continue;
        starts.push_back(RangeNumber(Trim(Text(item, kFrom))));
        ends.push_back(RangeNumber(Trim(Text(item, kTo))));
    }
}

}  // namespace tessaly::gui
