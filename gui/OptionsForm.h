#pragma once
// What the options dialog shows, apart from its widgets: the values of every control, read from
// and written to the options model, and the rules of the two extension lists. The dialog never
// edits the main window's options: it reads the file when it opens and writes it on Ok.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/DownloadOptions.h"

namespace tessaly::gui {

// The ranges of the numeric fields are the options model's own: whatever the dialog accepts is
// written as typed.
struct TRange {
    int low;
    int high;
};
inline constexpr TRange kThreadRange{1, 9};
inline constexpr TRange kTimeOutRange{10, 120};
inline constexpr TRange kDelayRange{10, 500};

struct TExtensionEntry {
    std::string name;  // upper case, without "C:"
    bool checked = false;
    bool operator==(const TExtensionEntry&) const = default;
};

struct TOptionsFormValues {
    // General
    int threads = 1;
    int timeOut = 60;
    bool grabGroups = false;
    bool grabURLs = false;
    bool useMessageDateFormat = false;
    bool enableDelay = false;
    int delay = 30;
    // Extensions
    std::vector<TExtensionEntry> include;
    std::vector<TExtensionEntry> exclude;
    bool downloadAll = true;
    // Embedded pictures and automatic clicks: one entry per line
    std::vector<std::string> ignoredServers;
    bool autoClick = false;
    std::vector<std::string> buttonNames;
    // Login (no field shows them; they are written back as read)
    std::string loginURL, loginErrorURL, loginUserName, loginPassword, loginSavePassword,
        loginSignInName;
    // Sound events
    bool playSounds = false;
    std::string successWave;
    std::string errorWave;

    bool operator==(const TOptionsFormValues&) const = default;
};

[[nodiscard]] TOptionsFormValues FormValuesOf(const TYahooDownloadOptions& options);
// Writes the values over the options; what the dialog does not show stays.
void ApplyFormValues(const TOptionsFormValues& values, TYahooDownloadOptions& options);

// LoadControls: the values of a fresh options object read from the options file. Raises the
// settings engine's file error when an existing file cannot be read.
[[nodiscard]] TOptionsFormValues LoadOptionsForm();
// SaveControls: reads the file afresh, writes the values over it and saves it. Raises the
// settings engine's file error when the file cannot be written.
void SaveOptionsForm(const TOptionsFormValues& values);
// Reset: the controls show the defaults; nothing is written.
[[nodiscard]] TOptionsFormValues DefaultOptionsForm();

enum class TExtensionList { Include, Exclude };

// The error an "Add" of `text` meets; nullopt when it may be added (trimmed, unchecked).
[[nodiscard]] std::optional<std::string> AddExtensionError(const std::vector<TExtensionEntry>& list,
                                                           std::string_view text);
// The error before the edit box opens (empty list, nothing selected; `selected` -1 for none).
[[nodiscard]] std::optional<std::string> EditSelectionError(
    const std::vector<TExtensionEntry>& list, int selected);
// The error the edited `text` meets.
[[nodiscard]] std::optional<std::string> EditExtensionError(
    const std::vector<TExtensionEntry>& list, int selected, std::string_view text,
    TExtensionList which);
[[nodiscard]] std::optional<std::string> DeleteSelectionError(
    const std::vector<TExtensionEntry>& list, int selected, TExtensionList which);
[[nodiscard]] std::string DeleteConfirmation(TExtensionList which);

}  // namespace tessaly::gui
