#pragma once
// The pictures of the documentation, taken by the program itself on the display it runs on
// (scripts/screenshots runs it under Xvfb): the main window with the stored member's cached
// groups, the login box, the options dialog, the download chooser, the order dialog, the
// progress window in the middle of a Files run, the group and URL editor and the console on the My
// Groups page.

#include <QString>

namespace tessaly::gui {

// Saves main-window.png, login-box.png, options.png, chooser.png, order.png,
// progress-files.png, group-editor.png and console.png into `folder`; the program's exit status (0
// when every picture was saved). The Files run signs the stored member in with the password read
// from one line of standard input.
int TakeScreenshots(const QString& folder);

}  // namespace tessaly::gui
