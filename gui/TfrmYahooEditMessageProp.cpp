#include "gui/TfrmYahooEditMessageProp.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "gui/DownloadLaunch.h"

namespace tessaly::gui {
namespace {

QLineEdit* Field(QWidget* parent, const char* name, const QString& text, bool number,
                 bool readOnly) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(readOnly);
    if (number) {
        // Nine digits at most: 0 to 999999999.
        edit->setMaxLength(9);
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,9}")), edit));
    }
    return edit;
}

std::int64_t NumberOf(const QLineEdit* edit) {
    return RangeNumber(edit->text().toStdString());
}

}  // namespace

TfrmYahooEditMessageProp::TfrmYahooEditMessageProp(QWidget* parent, const std::string& group,
                                                   std::int64_t first, std::int64_t last,
                                                   std::int64_t current)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmYahooEditMessageProp"));
    setWindowTitle(QStringLiteral("Edit Message Options"));
    auto clamp = [](std::int64_t n) {
        return QString::number(std::clamp<std::int64_t>(n, 0, kMaxMessageNumber));
    };
    txtGroup = Field(this, "txtGroup", QString::fromStdString(group), false, true);
    txtFirst = Field(this, "txtFirst", clamp(first), true, false);
    txtLast = Field(this, "txtLast", clamp(last), true, false);
    txtCurrent = Field(this, "txtCurrent", clamp(current), true, true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Group"), txtGroup);
    form->addRow(QStringLiteral("First Message"), txtFirst);
    form->addRow(QString(),
                 new QLabel(QStringLiteral("(Enter 0 for First Message in the Group.)")));
    form->addRow(QStringLiteral("Last Message"), txtLast);
    form->addRow(QString(), new QLabel(QStringLiteral("(Enter 0 for Last Message in the Group.)")));
    form->addRow(QStringLiteral("Current Message"), txtCurrent);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOk"));
    auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

std::int64_t TfrmYahooEditMessageProp::FirstMessage() const {
    return NumberOf(txtFirst);
}
std::int64_t TfrmYahooEditMessageProp::LastMessage() const {
    return NumberOf(txtLast);
}
std::int64_t TfrmYahooEditMessageProp::CurrentMessage() const {
    return NumberOf(txtCurrent);
}

}  // namespace tessaly::gui
