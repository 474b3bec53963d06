#pragma once
// The checkable group tree of the main window: one root item "<user>" without a check box and
// one item per group under it, checked or not, with the favourite icon or the normal one. The
// marks live in the items; the main window stores them in the group cache.

#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "registry/GroupCache.h"

namespace tessaly::gui {

class TGroupTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TGroupTree(QWidget* parent = nullptr);

    // FillGroupTree: the root for `userName`, then the names sorted without regard to case,
    // each with the marks `marksOf` gives it.
    void Fill(const std::string& userName, std::vector<std::string> names,
              const std::function<TGroupMarks(const std::string&)>& marksOf);
    QTreeWidgetItem* AddGroupItem(const std::string& name, TGroupMarks marks);

    [[nodiscard]] QTreeWidgetItem* Root() const;
    // Every item, the root first, in display order.
    [[nodiscard]] std::vector<QTreeWidgetItem*> AllItems() const;
    [[nodiscard]] std::vector<std::string> AllTexts() const;
    // The items the group commands act on (text without "<").
    [[nodiscard]] std::vector<QTreeWidgetItem*> GroupItems() const;
    [[nodiscard]] QTreeWidgetItem* ItemAt(int index) const;  // index into AllItems
    [[nodiscard]] int IndexOf(QTreeWidgetItem* item) const;
    // The selected item that has the focus; nullptr when none is selected.
    [[nodiscard]] QTreeWidgetItem* SelectedItem() const;
    // Selects the item alone, scrolls it into view, makes it current and focuses the tree.
    void SelectOnly(QTreeWidgetItem* item);

    [[nodiscard]] static std::string TextOf(const QTreeWidgetItem* item);
    [[nodiscard]] static bool IsChecked(const QTreeWidgetItem* item);
    [[nodiscard]] static bool IsFavourite(const QTreeWidgetItem* item);
    [[nodiscard]] static TGroupMarks MarksOf(const QTreeWidgetItem* item);
    void SetChecked(QTreeWidgetItem* item, bool checked);
    void SetFavourite(QTreeWidgetItem* item, bool favourite);
    // Sets the check marks of many items with one repaint.
    void SetCheckedAll(const std::vector<QTreeWidgetItem*>& items,
                       const std::function<bool(QTreeWidgetItem*)>& checked);

    // Told when the user selects or checks a group item (never the root).
    std::function<void(const std::string&)> onCurrentGroup;

private:
    QTreeWidgetItem* MakeGroupItem(const std::string& name, TGroupMarks marks) const;
    QIcon normalIcon_;
    QIcon favouriteIcon_;
};

}  // namespace tessaly::gui
