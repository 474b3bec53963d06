#pragma once
// Starting other programs and handing files, folders and addresses to the desktop.

#include <atomic>
#include <chrono>
#include <cstdint>
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

// Remembers that a helper program (a viewer the downloads notify) could not be brought up, so
// that a run with thousands of files does not start it and wait for it once per file: after a
// failed start, starts are skipped for kQuiet of real time and the notices dropped at once.
class TStartGate {
public:
    static constexpr std::chrono::seconds kQuiet{60};
    // Whether a start may be tried now.
    [[nodiscard]] bool MayStart() const;
    // The start did not bring the program up.
    void Failed();

private:
    std::atomic<std::int64_t> quietUntil_{0};  // steady-clock milliseconds
};

}  // namespace tessaly
