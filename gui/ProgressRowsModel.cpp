#include "gui/ProgressRowsModel.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>

namespace tessaly::gui {
namespace {

const char* const kMessageColumns[] = {"Group Name",  "From",   "To",      "DL Pos",
                                       "Files Found", "Status", "DateTime"};
const char* const kFileColumns[] = {"Group Name", "Dirs Found", "Files Found", "Files D/L",
                                    "Status"};

}  // namespace

TProgressRowsModel::TProgressRowsModel(bool fileForm, QObject* parent)
    : QAbstractTableModel(parent),
      fileForm_(fileForm),
      rows_(std::make_unique<TMessageRows>(std::vector<std::string>{})),
      fileRows_(std::make_unique<TFileRows>(std::vector<std::string>{})) {
    QStyle* style = QApplication::style();
    pictures_ = {style->standardIcon(QStyle::SP_MediaPause),
                 style->standardIcon(QStyle::SP_DialogApplyButton),
                 style->standardIcon(QStyle::SP_MessageBoxCritical),
                 style->standardIcon(QStyle::SP_ArrowRight)};
}

void TProgressRowsModel::Reset(const std::vector<std::string>& groups,
                               const std::vector<std::int64_t>& starts,
                               const std::vector<std::int64_t>& ends) {
    beginResetModel();
    rows_ = std::make_unique<TMessageRows>(groups, starts, ends);
    fileRows_ = std::make_unique<TFileRows>(groups);
    dirtyFirst_ = dirtyLast_ = -1;
    endResetModel();
}

void TProgressRowsModel::Touch(int row) {
    if (row < 0 || row >= rowCount()) return;
    dirtyFirst_ = dirtyFirst_ < 0 ? row : std::min(dirtyFirst_, row);
    dirtyLast_ = std::max(dirtyLast_, row);
}

void TProgressRowsModel::Apply(const TGroupReport& report) {
    rows_->Apply(report);
    Touch(report.row);
}

void TProgressRowsModel::Apply(const TFileGroupReport& report) {
    fileRows_->Apply(report);
    Touch(report.row);
}

void TProgressRowsModel::Flush() {
    if (dirtyFirst_ < 0) return;
    Q_EMIT dataChanged(index(dirtyFirst_, 0), index(dirtyLast_, columnCount() - 1));
    dirtyFirst_ = dirtyLast_ = -1;
}

int TProgressRowsModel::Current() const {
    return fileForm_ ? fileRows_->Current() : rows_->Current();
}

int TProgressRowsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(fileForm_ ? fileRows_->Rows().size() : rows_->Rows().size());
}

int TProgressRowsModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return fileForm_ ? 5 : 7;
}

int TProgressRowsModel::Picture(int row) const {
    if (row < 0 || row >= rowCount()) return 0;
    const auto r = static_cast<std::size_t>(row);
    return fileForm_ ? fileRows_->Rows()[r].picture : rows_->Rows()[r].picture;
}

std::string TProgressRowsModel::Group(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    const auto r = static_cast<std::size_t>(row);
    return fileForm_ ? fileRows_->Rows()[r].group : rows_->Rows()[r].group;
}

QString TProgressRowsModel::Cell(int row, int column) const {
    if (row < 0 || row >= rowCount()) return {};
    const auto r = static_cast<std::size_t>(row);
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    if (fileForm_) {
        const TFileRow& f = fileRows_->Rows()[r];
        switch (column) {
            case 0:
                return q(f.group);
            case 1:
                return q(f.dirsFound);
            case 2:
                return q(f.filesFound);
            case 3:
                return q(f.downloaded);
            case 4:
                return q(f.status);
            default:
                return {};
        }
    }
    const TMessageRow& m = rows_->Rows()[r];
    switch (column) {
        case 0:
            return q(m.group);
        case 1:
            return q(m.from);
        case 2:
            return q(m.to);
        case 3:
            return q(m.position);
        case 4:
            return q(m.filesFound);
        case 5:
            return q(m.status);
        case 6:
            return q(m.time);
        default:
            return {};
    }
}

QVariant TProgressRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return Cell(index.row(), index.column());
        case Qt::DecorationRole:
            if (index.column() != 0) return {};
            return pictures_[static_cast<std::size_t>(std::clamp(Picture(index.row()), 0, 3))];
        case kStatusRole:
            return Picture(index.row());
        case Qt::ToolTipRole: {
            // Why a group failed or waits, as the command-line view prints it after the status.
            const auto r = static_cast<std::size_t>(index.row());
            return QString::fromStdString(fileForm_ ? fileRows_->Rows()[r].reason
                                                    : rows_->Rows()[r].reason);
        }
        default:
            return {};
    }
}

QVariant TProgressRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromLatin1(fileForm_ ? kFileColumns[section] : kMessageColumns[section]);
}

}  // namespace tessaly::gui
