#include "gui/TGroupTree.h"

#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QtMath>
#include <algorithm>

#include "gui/GroupTreeRules.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

constexpr int kFavouriteRole = Qt::UserRole + 1;

QIcon PaintedIcon(bool favourite) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (favourite) {
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double radius = i % 2 == 0 ? 7.5 : 3.2;
            const double angle = -M_PI / 2 + i * M_PI / 5;
            const QPointF point(8 + radius * std::cos(angle), 8.5 + radius * std::sin(angle));
            if (i == 0)
                star.moveTo(point);
            else
                star.lineTo(point);
        }
        star.closeSubpath();
        p.setPen(QPen(QColor(0xB0, 0x7A, 0x00), 1));
        p.setBrush(QColor(0xFF, 0xC8, 0x20));
        p.drawPath(star);
    } else {
        p.setPen(QPen(QColor(0x2A, 0x5D, 0x9F), 1));
        p.setBrush(QColor(0x8F, 0xB8, 0xE8));
        p.drawEllipse(QRectF(4.5, 1.5, 7, 7));
        p.drawRoundedRect(QRectF(2.5, 9.5, 11, 5.5), 2.5, 2.5);
    }
    return QIcon(pixmap);
}

}  // namespace

TGroupTree::TGroupTree(QWidget* parent)
    : QTreeWidget(parent), normalIcon_(PaintedIcon(false)), favouriteIcon_(PaintedIcon(true)) {
    setObjectName(QStringLiteral("elTreeMainList"));
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformRowHeights(true);  // keeps a tree of thousands of groups quick to lay out
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (item != Root() && onCurrentGroup) onCurrentGroup(TextOf(item));
    });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item != Root() && onCurrentGroup) onCurrentGroup(TextOf(item));
    });
}

QTreeWidgetItem* TGroupTree::MakeGroupItem(const std::string& name, TGroupMarks marks) const {
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(name)});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, marks.checked ? Qt::Checked : Qt::Unchecked);
    item->setData(0, kFavouriteRole, marks.favourite);
    item->setIcon(0, marks.favourite ? favouriteIcon_ : normalIcon_);
    return item;
}

void TGroupTree::Fill(const std::string& userName, std::vector<std::string> names,
                      const std::function<TGroupMarks(const std::string&)>& marksOf) {
    const QSignalBlocker quiet(this);
    setUpdatesEnabled(false);
    clear();
    auto* root = new QTreeWidgetItem(QStringList{QString::fromStdString(RootItemText(userName))});
    root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return UpperCase(a) < UpperCase(b);
    });
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(names.size()));
    for (const auto& name : names) children.append(MakeGroupItem(name, marksOf(name)));
    root->addChildren(children);
    addTopLevelItem(root);
    expandItem(root);
    setUpdatesEnabled(true);
    if (names.size() > 1) {
        QTreeWidgetItem* first = root->child(0);
        setCurrentItem(first);
        if (onCurrentGroup) onCurrentGroup(TextOf(first));
    }
}

QTreeWidgetItem* TGroupTree::AddGroupItem(const std::string& name, TGroupMarks marks) {
    QTreeWidgetItem* root = Root();
    if (root == nullptr) return nullptr;
    QTreeWidgetItem* item = MakeGroupItem(name, marks);
    const QSignalBlocker quiet(this);
    root->addChild(item);
    return item;
}

QTreeWidgetItem* TGroupTree::Root() const {
    return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
}

std::vector<QTreeWidgetItem*> TGroupTree::AllItems() const {
    std::vector<QTreeWidgetItem*> items;
    QTreeWidgetItem* root = Root();
    if (root == nullptr) return items;
    items.reserve(static_cast<std::size_t>(root->childCount()) + 1);
    items.push_back(root);
    for (int i = 0; i < root->childCount(); ++i) items.push_back(root->child(i));
    return items;
}

std::vector<std::string> TGroupTree::AllTexts() const {
    std::vector<std::string> texts;
    for (auto* item : AllItems()) texts.push_back(TextOf(item));
    return texts;
}

std::vector<QTreeWidgetItem*> TGroupTree::GroupItems() const {
    std::vector<QTreeWidgetItem*> items;
    for (auto* item : AllItems()) {
        if (IsGroupItemText(TextOf(item))) items.push_back(item);
    }
    return items;
}

QTreeWidgetItem* TGroupTree::ItemAt(int index) const {
    QTreeWidgetItem* root = Root();
    if (root == nullptr || index < 0) return nullptr;
    return index == 0 ? root : root->child(index - 1);
}

int TGroupTree::IndexOf(QTreeWidgetItem* item) const {
    QTreeWidgetItem* root = Root();
    if (root == nullptr || item == nullptr) return -1;
    if (item == root) return 0;
    const int at = root->indexOfChild(item);
    return at < 0 ? -1 : at + 1;
}

QTreeWidgetItem* TGroupTree::SelectedItem() const {
    QTreeWidgetItem* item = currentItem();
    if (item != nullptr && item->isSelected()) return item;
    const auto selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TGroupTree::SelectOnly(QTreeWidgetItem* item) {
    clearSelection();
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
    setFocus();
}

std::string TGroupTree::TextOf(const QTreeWidgetItem* item) {
    return item->text(0).toStdString();
}

bool TGroupTree::IsChecked(const QTreeWidgetItem* item) {
    return item->checkState(0) == Qt::Checked;
}

bool TGroupTree::IsFavourite(const QTreeWidgetItem* item) {
    return item->data(0, kFavouriteRole).toBool();
}

TGroupMarks TGroupTree::MarksOf(const QTreeWidgetItem* item) {
    return TGroupMarks{IsChecked(item), IsFavourite(item)};
}

void TGroupTree::SetChecked(QTreeWidgetItem* item, bool checked) {
    const QSignalBlocker quiet(this);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TGroupTree::SetFavourite(QTreeWidgetItem* item, bool favourite) {
    const QSignalBlocker quiet(this);
    item->setData(0, kFavouriteRole, favourite);
    item->setIcon(0, favourite ? favouriteIcon_ : normalIcon_);
}

void TGroupTree::SetCheckedAll(const std::vector<QTreeWidgetItem*>& items,
                               const std::function<bool(QTreeWidgetItem*)>& checked) {
    {
        const QSignalBlocker quiet(this);
        for (auto* item : items)
            item->setCheckState(0, checked(item) ? Qt::Checked : Qt::Unchecked);
    }
    viewport()->update();
}

}  // namespace tessaly::gui
