#pragma once
// The pictures of the documentation, taken by the program itself on the display it runs on
// (scripts/screenshots runs it under Xvfb): the main window with the stored member's cached
// groups, the login box, the options dialog and the console on the My Groups page.

#include <QString>

namespace tessaly::gui {

// Saves main-window.png, login-box.png, options.png and console.png into `folder`; the
// program's exit status (0 when every picture was saved).
int TakeScreenshots(const QString& folder);

}  // namespace tessaly::gui
