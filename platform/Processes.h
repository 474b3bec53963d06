#pragma once
// Starting other programs and handing files, folders and addresses to the desktop.

#include <string>

namespace tessaly {

// Starts a process from a command line: blanks separate arguments, double quotes group them
// and a tripled double quote stands for a literal one. `hidden` has no meaning on this desktop:
// programs started here have no window of their own to hide. With `wait`, returns once the process
// has ended. Returns whether the process started.
bool RunProgram(const std::string& commandLine, bool hidden, bool wait);

// Asks the desktop to open a file, folder, web address or mail address with its associated
// program (xdg-open). Failures are ignored.
void OpenWithShell(const std::string& target);

}  // namespace tessaly
