#pragma once
// The windows' commands and handlers run through RunGuarded: what the core throws while one runs
// (the settings store held by another program, a file that cannot be written) is shown in an
// error box that names the command, and the program goes on. A slot made by Guarded needs nothing
// more for it. TTessalyApplication catches whatever gets past them, as a last net.

#include <QString>
#include <functional>
#include <string>
#include <utility>

class QAction;
class QWidget;

namespace tessaly::gui {

// Runs `command`; when it throws, shows "<name> could not be completed." with the failure in an
// error box over `owner`. True when it ran to its end.
bool RunGuarded(QWidget* owner, const std::string& name, const std::function<void()>& command);

// A slot that runs `handler` (no arguments) through RunGuarded.
template <class F>
auto Guarded(QWidget* owner, std::string name, F handler) {
    return [owner, name = std::move(name), handler = std::move(handler)] {
        RunGuarded(owner, name, handler);
    };
}

// The command's name as the user reads it on its menu item (no mnemonic marks).
[[nodiscard]] std::string CommandName(const QAction* action);
[[nodiscard]] std::string CommandName(const QString& caption);

}  // namespace tessaly::gui
