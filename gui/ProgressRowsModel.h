#pragma once
// The rows of a run's progress list as an item model, over the same row rules the command-line
// view draws (TMessageRows, TFileRows). Reports change the rows at once; the view hears of it
// only at Flush, so that thousands of reports a second cost one repaint per refresh.

#include <QAbstractTableModel>
#include <QIcon>
#include <memory>
#include <vector>

#include "harvest/ProgressReports.h"

namespace tessaly::gui {

class TProgressRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `fileForm`: the columns of the Files and Photos lists.
    explicit TProgressRowsModel(bool fileForm, QObject* parent = nullptr);

    // A fresh list of rows, one per group, all waiting.
    void Reset(const std::vector<std::string>& groups, const std::vector<std::int64_t>& starts,
               const std::vector<std::int64_t>& ends);
    void Apply(const TGroupReport& report);
    void Apply(const TFileGroupReport& report);
    // Tells the views which rows changed since the last flush.
    void Flush();

    [[nodiscard]] bool FileForm() const { return fileForm_; }
    [[nodiscard]] int Current() const;
    // The row's picture: 0 waiting, 1 done, 2 failed or skipped, 3 working.
    [[nodiscard]] int Picture(int row) const;
    [[nodiscard]] QString Cell(int row, int column) const;
    [[nodiscard]] std::string Group(int row) const;
    static constexpr int kStatusRole = Qt::UserRole + 1;  // the row's picture number

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void Touch(int row);
    bool fileForm_;
    std::unique_ptr<TMessageRows> rows_;
    std::unique_ptr<TFileRows> fileRows_;
    int dirtyFirst_ = -1;
    int dirtyLast_ = -1;
    std::vector<QIcon> pictures_;
};

}  // namespace tessaly::gui
