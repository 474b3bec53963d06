#include "gui/OptionsForm.h"

#include <algorithm>

#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

std::vector<TExtensionEntry> EntriesOf(const std::vector<std::string>& list) {
    std::vector<TExtensionEntry> entries;
    for (const auto& item : list) {
        const std::string upper = UpperCase(item);
        entries.push_back({ReplaceAllStr(upper, "C:", ""), ChecklistEntryChecked(item)});
    }
    return entries;
}

std::vector<std::string> ListOf(const std::vector<TExtensionEntry>& entries) {
    std::vector<std::string> list;
    for (const auto& e : entries) list.push_back(MakeChecklistEntry(e.name, e.checked));
    return list;
}

bool HasExtension(const std::vector<TExtensionEntry>& list, const std::string& upper, int except) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (static_cast<int>(i) != except && UpperCase(Trim(list[i].name)) == upper) return true;
    }
    return false;
}

}  // namespace

TOptionsFormValues FormValuesOf(const TYahooDownloadOptions& o) {
    TOptionsFormValues v;
    v.threads = o.intThreadCount;
    v.timeOut = o.intTimeOut;
    v.grabGroups = o.boolGrabOtherGroups;
    v.grabURLs = o.boolGrabOtherURLs;
    v.useMessageDateFormat = o.boolUseMessageDateFormat;
    v.enableDelay = o.boolEnableDownloadDelay;
    v.delay = o.intDownloadDelay;
    v.include = EntriesOf(o.IncludeExtensions);
    v.exclude = EntriesOf(o.ExcludeExtensions);
    v.downloadAll = o.boolDownloadAllFiles;
    v.ignoredServers = o.IgnoreEmbbededSites;
    v.autoClick = o.boolEnableAutoClick;
    v.buttonNames = o.AutoClickButtons;
    v.loginURL = o.strAutoLoginURL;
    v.loginErrorURL = o.strAutoLoginErrorURL;
    v.loginUserName = o.strAutoLoginUserName;
    v.loginPassword = o.strAutoLoginPassword;
    v.loginSavePassword = o.strAutoLoginSavePassword;
    v.loginSignInName = o.strAutoLoginSignInName;
    v.playSounds = o.boolEnableSoundEvents;
    v.successWave = o.strSucessWaveFile;
    v.errorWave = o.strErrorWaveFile;
    return v;
}

void ApplyFormValues(const TOptionsFormValues& v, TYahooDownloadOptions& o) {
    o.intThreadCount = std::clamp(v.threads, kThreadRange.low, kThreadRange.high);
    o.intTimeOut = std::clamp(v.timeOut, kTimeOutRange.low, kTimeOutRange.high);
    o.boolGrabOtherGroups = v.grabGroups;
    o.boolGrabOtherURLs = v.grabURLs;
    o.boolUseMessageDateFormat = v.useMessageDateFormat;
    o.boolEnableDownloadDelay = v.enableDelay;
    o.intDownloadDelay = std::clamp(v.delay, kDelayRange.low, kDelayRange.high);
    o.IncludeExtensions = ListOf(v.include);
    o.ExcludeExtensions = ListOf(v.exclude);
    o.boolDownloadAllFiles = v.downloadAll;
    o.IgnoreEmbbededSites = v.ignoredServers;
    o.boolEnableAutoClick = v.autoClick;
    o.AutoClickButtons = v.buttonNames;
    o.strAutoLoginURL = v.loginURL;
    o.strAutoLoginErrorURL = v.loginErrorURL;
    o.strAutoLoginUserName = v.loginUserName;
    o.strAutoLoginPassword = v.loginPassword;
    o.strAutoLoginSavePassword = v.loginSavePassword;
    o.strAutoLoginSignInName = v.loginSignInName;
    o.boolEnableSoundEvents = v.playSounds;
    o.strSucessWaveFile = v.successWave;
    o.strErrorWaveFile = v.errorWave;
}

TOptionsFormValues LoadOptionsForm() {
    TYahooDownloadOptions options;
    (void)options.Load();
    return FormValuesOf(options);
}

void SaveOptionsForm(const TOptionsFormValues& values) {
    TYahooDownloadOptions options;
    (void)options.Load();
    ApplyFormValues(values, options);
    (void)options.Save();
}

TOptionsFormValues DefaultOptionsForm() {
    return FormValuesOf(TYahooDownloadOptions());
}

std::optional<std::string> AddExtensionError(const std::vector<TExtensionEntry>& list,
                                             std::string_view text) {
    const std::string name = Trim(text);
    if (name.empty()) return "You should enter a valid name.";
    if (HasExtension(list, UpperCase(name), -1))
        return "You already have a extension name. Please enter a new name.";
    return std::nullopt;
}

std::optional<std::string> EditSelectionError(const std::vector<TExtensionEntry>& list,
                                              int selected) {
    if (list.empty())
        return "You dont have any extensions to Edit. \r\n\r\nAdd some before editing.";
    if (selected < 0 || static_cast<std::size_t>(selected) >= list.size())
        return "Please select a extension before trying to edit.";
    return std::nullopt;
}

std::optional<std::string> EditExtensionError(const std::vector<TExtensionEntry>& list,
                                              int selected, std::string_view text,
                                              TExtensionList which) {
    const std::string name = Trim(text);
    if (name.empty()) return "You should enter a valid name.";
    if (HasExtension(list, UpperCase(name), selected)) {
        return which == TExtensionList::Include
                   ? "You already have the extension. Please enter a new name."
                   : "You already have this extension name. Please enter a new name.";
    }
    return std::nullopt;
}

std::optional<std::string> DeleteSelectionError(const std::vector<TExtensionEntry>& list,
                                                int selected, TExtensionList which) {
    if (list.empty()) {
        return which == TExtensionList::Include
                   ? "You dont have any extension to delete. \r\n\r\nAdd some before deleting."
                   : "You dont have any extensions to delete. \r\n\r\nAdd some before deleting.";
    }
    if (selected < 0 || static_cast<std::size_t>(selected) >= list.size())
        return "Please select an extension before trying to delete.";
    return std::nullopt;
}

std::string DeleteConfirmation(TExtensionList which) {
    return which == TExtensionList::Include
               ? "Do you really want to delete the selected extension ?"
               : "Do you really want to delete the selected extension?";
}

}  // namespace tessaly::gui
