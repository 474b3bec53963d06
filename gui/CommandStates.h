#pragma once
// Which commands of the main window are enabled when logged out and when logged in. Commands not
// listed here (the options, the other View and Help items, the configuration transfer) are
// always enabled.

namespace tessaly::gui {

enum class TCommand {
    Login,
    LoginProfiles,
    Logout,
    StartDownload,
    SectionButton,  // the toolbar's section button and its drop-down
    SectionMenu,    // the items of the "Section" menu
    GroupCommands,  // every group command of the "Utils" menu and the tree's popup
    GroupToolbar,   // the group toolbar above the tree (Add, Delete, Quick Find, Find Next)
    Exit,
    Options,
    Help,
    CachedGroups,
};

[[nodiscard]] bool CommandEnabled(TCommand command, bool loggedIn);

}  // namespace tessaly::gui
