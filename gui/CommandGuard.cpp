#include "gui/CommandGuard.h"

#include <QAction>
#include <exception>

#include "gui/TfrmCommonDlg.h"

namespace tessaly::gui {

bool RunGuarded(QWidget* owner, const std::string& name, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        CommonMessageBox(owner, name + " could not be completed.\r\n\r\n" + e.what(),
                         TMessageKind::Error, false);
        return false;
    }
}

std::string CommandName(const QString& caption) {
    QString text = caption;
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.toStdString();
}

std::string CommandName(const QAction* action) {
    return CommandName(action->text());
}

}  // namespace tessaly::gui
