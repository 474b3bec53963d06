#pragma once
// The order dialog ("ReOrder Groups"): the run's groups, which the user drags into the order of
// download; for the message sections each row also holds the From and To of its range, edited
// with a double click, and the position the group's last run reached.

#include <QDialog>
#include <QTreeWidget>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QStackedWidget;

namespace tessaly::gui {

// A list whose rows move by drag and drop: a drop in the upper half of a row puts the dragged row
// before it, in the lower half after it; a line shows where the row will go.
class TReorderTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TReorderTree(QWidget* parent = nullptr);

    // Remembers the row being dragged (the start of a drag); -1 forgets it.
    void BeginDrag(int row) { dragged_ = row; }
    [[nodiscard]] int DraggedRow() const { return dragged_; }
    // Where the drop mark stands: the row and whether the insertion is after it; row -1 when
    // none is shown.
    struct TDropMark {
        int row = -1;
        bool after = false;
    };
    [[nodiscard]] TDropMark DropMark() const { return mark_; }
    // The pointer over the list during a drag: moves the mark; true when a drop is allowed.
    bool DragOver(const QPoint& at);
    // The drop at `at`: moves the dragged row; true when it was dropped on another row.
    bool DropAt(const QPoint& at);

protected:
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] TDropMark MarkAt(const QPoint& at) const;
    void SetMark(TDropMark mark);
    int dragged_ = -1;
    TDropMark mark_;
};

class TfrmYahooReorder : public QDialog {
    Q_OBJECT
public:
    // `messagePage`: the page with ranges (messages, attachments); `user`: whose last positions
    // the Old Pos column shows.
    TfrmYahooReorder(QWidget* parent, const std::vector<std::string>& groups, bool messagePage,
                     const std::string& user);

    // The rows top to bottom, read on Ok: the names, and for the message page the From and To
    // numbers (a text that is not a plain number reads as 0).
    void ReadRows(std::vector<std::string>& names, std::vector<std::int64_t>& starts,
                  std::vector<std::int64_t>& ends) const;
    // The range editor for a row of the message page; true when it was confirmed.
    bool EditRow(QTreeWidgetItem* item);

    TReorderTree* elTreeAttach;
    TReorderTree* elTreeNormal;
    QLabel* lbHelp;
    [[nodiscard]] TReorderTree* Shown() const;

private:
    QStackedWidget* pages_;
    bool messagePage_;
};

}  // namespace tessaly::gui
