#pragma once
// TYahooDownloadOptions: every user-adjustable download setting, kept in "Options.ini" in the
// settings folder. One shared instance belongs to the front end; workers and site access
// objects read it by reference.

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

class TYahooDownloadOptions {
public:
    TYahooDownloadOptions();

    // Reads the options file over the current values (a missing file changes nothing). Raises
    // the engine's file error when an existing file cannot be read. Always returns true.
    bool Load();
    // Writes every option into the options file (creating its folder chain). Raises the
    // engine's file error when the file cannot be written. Always returns true.
    bool Save();

    [[nodiscard]] static std::string FileName();
    [[nodiscard]] std::uint8_t CurrentSection() const { return currentSection_; }
    void SetCurrentSection(std::uint8_t section) { currentSection_ = section; }

    // Section codes of CurrentSection.
    static constexpr std::uint8_t kSectionAttachments = 0;
    static constexpr std::uint8_t kSectionFiles = 1;
    static constexpr std::uint8_t kSectionPhotos = 2;
    static constexpr std::uint8_t kSectionMessages = 3;

    std::string strSaveDir;
    std::int32_t intThreadCount = 1;
    std::int32_t intTimeOut = 60;
    bool boolEnableDownloadDelay = false;
    std::int32_t intDownloadDelay = 30;
    bool boolGrabOtherGroups = true;
    bool boolGrabOtherURLs = true;
    bool boolDownloadAllFiles = true;
    std::vector<std::string> IncludeExtensions;
    std::vector<std::string> ExcludeExtensions;
    std::uint8_t fileNameFormatObj = 4;
    bool boolUseMessageDateFormat = false;
    bool boolAllowOverwrite = false;
    bool boolDebugDownloads = false;
    std::vector<std::string> IgnoreEmbbededSites;
    bool boolEnableAutoClick = true;
    std::vector<std::string> AutoClickButtons;
    std::string strAutoLoginURL;
    std::string strAutoLoginErrorURL;
    std::string strAutoLoginUserName;
    std::string strAutoLoginPassword;
    std::string strAutoLoginSavePassword;
    std::string strAutoLoginSignInName;
    bool boolEnableSoundEvents = true;
    std::string strSucessWaveFile;
    std::string strErrorWaveFile;
    bool boolIgnoreDuplicated = true;
    // The host (with ":port" when needed) the update check asks for the update file.
    std::string strUpdateServer;

    // The defaults of the lists.
    [[nodiscard]] static std::vector<std::string> DefaultIncludeExtensions();
    [[nodiscard]] static std::vector<std::string> DefaultExcludeExtensions();
    [[nodiscard]] static std::vector<std::string> DefaultIgnoreEmbbededSites();
    [[nodiscard]] static std::vector<std::string> DefaultAutoClickButtons();

private:
    std::uint8_t currentSection_ = 0;
};

// Checklist entries ("C:JPG" is the checked extension JPG, "JPG" an unchecked one).
[[nodiscard]] bool ChecklistEntryChecked(const std::string& entry);
[[nodiscard]] std::string ChecklistEntryExtension(const std::string& entry);
[[nodiscard]] std::string MakeChecklistEntry(const std::string& extension, bool checked);

}  // namespace tessaly
