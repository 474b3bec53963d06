#pragma once
// The range editor of the order dialog ("Edit Message Options"): a group's first and last
// message (0 for the group's own first or last) and, for reference, where its last run got to.

#include <QDialog>
#include <cstdint>
#include <string>

class QLineEdit;

namespace tessaly::gui {

class TfrmYahooEditMessageProp : public QDialog {
    Q_OBJECT
public:
    TfrmYahooEditMessageProp(QWidget* parent, const std::string& group, std::int64_t first,
                             std::int64_t last, std::int64_t current);

    // The numbers as the fields hold them (an empty field reads as 0).
    [[nodiscard]] std::int64_t FirstMessage() const;
    [[nodiscard]] std::int64_t LastMessage() const;
    [[nodiscard]] std::int64_t CurrentMessage() const;

    QLineEdit* txtGroup;
    QLineEdit* txtFirst;
    QLineEdit* txtLast;
    QLineEdit* txtCurrent;
};

}  // namespace tessaly::gui
