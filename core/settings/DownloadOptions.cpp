#include "settings/DownloadOptions.h"

#include <algorithm>
#include <filesystem>
#include <variant>

#include "platform/SpecialFolders.h"
#include "service/ServiceHosts.h"
#include "settings/SettingsFileEx.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

using O = TYahooDownloadOptions;
constexpr const char* kSection = "Download";

enum class Kind {
    SaveDir,         // text; an empty stored value means the default folder
    Bool,            // the current value is the default
    Int,             // the current value is the default; clamped on load and save
    FileNameFormat,  // 0, 2, 3, 4 as they are, anything else 1; saved as 0 unless 1..4
    List,            // numbered list in its own section; only a non-empty list replaces
    LoginText,       // only a non-empty stored value replaces
    Text,            // the current value is the default; an empty stored value empties
};

using Member = std::variant<std::string O::*, bool O::*, std::int32_t O::*, std::uint8_t O::*,
                            std::vector<std::string> O::*>;

struct Field {
    const char* key;
    Kind kind;
    Member member;
    std::int32_t low = 0;
    std::int32_t high = 0;
};

// The options in the order they are read and written.
const std::vector<Field>& Fields() {
    static const std::vector<Field> kFields = {
        {"strSaveDir", Kind::SaveDir, &O::strSaveDir},
        {"boolDebugDownloads", Kind::Bool, &O::boolDebugDownloads},
        {"boolAllowOverwrite", Kind::Bool, &O::boolAllowOverwrite},
        {"boolUseMessageDateFormat", Kind::Bool, &O::boolUseMessageDateFormat},
        {"boolIgnoreDuplicated", Kind::Bool, &O::boolIgnoreDuplicated},
        {"intThreadCount", Kind::Int, &O::intThreadCount, 1, 9},
        {"intTimeOut", Kind::Int, &O::intTimeOut, 10, 120},
        {"boolEnableDownloadDelay", Kind::Bool, &O::boolEnableDownloadDelay},
        {"intDownloadDelay", Kind::Int, &O::intDownloadDelay, 10, 500},
        {"boolGrabOtherGroups", Kind::Bool, &O::boolGrabOtherGroups},
        {"boolGrabOtherURLs", Kind::Bool, &O::boolGrabOtherURLs},
        {"fileNameFormatObj", Kind::FileNameFormat, &O::fileNameFormatObj},
        {"boolDownloadAllFiles", Kind::Bool, &O::boolDownloadAllFiles},
        {"IgnoreEmbbededSites", Kind::List, &O::IgnoreEmbbededSites},
        {"boolEnableAutoClick", Kind::Bool, &O::boolEnableAutoClick},
        {"AutoClickButtons", Kind::List, &O::AutoClickButtons},
        {"strAutoLoginURL", Kind::LoginText, &O::strAutoLoginURL},
        {"strAutoLoginErrorURL", Kind::LoginText, &O::strAutoLoginErrorURL},
        {"strAutoLoginUserName", Kind::LoginText, &O::strAutoLoginUserName},
        {"strAutoLoginPassword", Kind::LoginText, &O::strAutoLoginPassword},
        {"strAutoLoginSavePassword", Kind::LoginText, &O::strAutoLoginSavePassword},
        {"strAutoLoginSignInName", Kind::LoginText, &O::strAutoLoginSignInName},
        {"boolEnableSoundEvents", Kind::Bool, &O::boolEnableSoundEvents},
        {"strSucessWaveFile", Kind::Text, &O::strSucessWaveFile},
        {"strErrorWaveFile", Kind::Text, &O::strErrorWaveFile},
        {"strUpdateServer", Kind::LoginText, &O::strUpdateServer},
        // The extension checklists come last, each in a section of its own, so the rest of the
        // file keeps its long-standing order.
        {"IncludeExtensions", Kind::List, &O::IncludeExtensions},
        {"ExcludeExtensions", Kind::List, &O::ExcludeExtensions},
    };
    return kFields;
}

std::uint8_t MapFileNameFormat(int v) {
    return v == 0 || v == 2 || v == 3 || v == 4 ? static_cast<std::uint8_t>(v) : 1;
}

void UpperAll(std::vector<std::string>& list) {
    for (auto& s : list) s = UpperCase(s);
}

std::vector<std::string> Checked(std::initializer_list<const char*> extensions) {
    std::vector<std::string> out;
    for (const char* e : extensions) out.push_back(std::string("C:") + e);
    return out;
}

}  // namespace

TYahooDownloadOptions::TYahooDownloadOptions()
    : strSaveDir(DefaultOutputFolder()),
      IncludeExtensions(DefaultIncludeExtensions()),
      ExcludeExtensions(DefaultExcludeExtensions()),
      IgnoreEmbbededSites(DefaultIgnoreEmbbededSites()),
      AutoClickButtons(DefaultAutoClickButtons()),
      strAutoLoginURL(std::string("http://") + hosts::kLogin),
      strAutoLoginErrorURL(std::string(hosts::kLogin) + "/config/login"),
      strAutoLoginUserName("login"),
      strAutoLoginPassword("passwd"),
      strAutoLoginSavePassword(".persistent"),
      strAutoLoginSignInName(".save"),
      strSucessWaveFile(ProgramFolder() + "ok.wav"),
      strErrorWaveFile(ProgramFolder() + "error.wav"),
      strUpdateServer(hosts::kUpdateServer) {}

std::vector<std::string> TYahooDownloadOptions::DefaultIncludeExtensions() {
    return Checked({"BMP", "GIF", "DIB",  "JPG", "JPEG", "JPE", "JP2",  "JPC",  "J2K", "PCX",
                    "PNG", "TGA", "TIFF", "AVI", "MPEG", "MPG", "MPE",  "MOV",  "RM",  "RAM",
                    "ASF", "ASX", "WM",   "WMX", "WMP",  "M1V", "MP2V", "MPV2", "IVF", "WVX",
                    "WAV", "DAT", "WMV",  "M3U", "MP3",  "ZIP", "RAR",  "PDF",  "EML"});
}

std::vector<std::string> TYahooDownloadOptions::DefaultExcludeExtensions() {
    return Checked({"VBS", "VB",   "JS",  "CMD", "LNK", "COM",  "BAT",   "PIF",
                    "BIN", "DLL",  "EXE", "SCR", "HTM", "HTML", "SHTML", "PHP",
                    "ASP", "ASPX", "PL",  "CGI", "TXT", "DOC"});
}

std::vector<std::string> TYahooDownloadOptions::DefaultIgnoreEmbbededSites() {
    const std::string groups = hosts::kGroups;
    return {
        std::string(hosts::kImages) + "/",
        std::string(hosts::kServiceDomain) + "/img/",
        "toolbar.google.com/",
        std::string(hosts::kHelp) + "/",
        std::string(hosts::kLogin) + "/",
        std::string(hosts::kRedirect) + "/",
        hosts::kProfiles,
        "browser.netscape.com",
        "javascript",
        ".topica.com",
        hosts::kClubs,
        hosts::kPhotos,
        hosts::kLegacyGroups,
        groups,
        hosts::kMail,
        ".hotmail.com",
        hosts::kDocs,
        "linksynergy.com",
        "cj.com",
        "shareasale.com",
        "sitemeter.com",
    };
}

std::vector<std::string> TYahooDownloadOptions::DefaultAutoClickButtons() {
    return {std::string("http://") + hosts::kGroups + "/adultconf" + "     " + "I Accept"};
}

std::string TYahooDownloadOptions::FileName() {
    return SettingsFolder() + "Options.ini";
}

bool TYahooDownloadOptions::Load() {
    const std::string path = FileName();
    if (!std::filesystem::exists(path)) return true;
    TSettingsFileEx ini(path);
    for (const Field& f : Fields()) {
        switch (f.kind) {
            case Kind::SaveDir: {
                auto m = std::get<std::string O::*>(f.member);
                this->*m = ini.ReadString(kSection, f.key, this->*m);
                if ((this->*m).empty()) this->*m = DefaultOutputFolder();
                break;
            }
            case Kind::Bool: {
                auto m = std::get<bool O::*>(f.member);
                this->*m = ini.ReadBool(kSection, f.key, this->*m);
                break;
            }
            case Kind::Int: {
                auto m = std::get<std::int32_t O::*>(f.member);
                this->*m = std::clamp(ini.ReadInteger(kSection, f.key, this->*m), f.low, f.high);
                break;
            }
            case Kind::FileNameFormat: {
                auto m = std::get<std::uint8_t O::*>(f.member);
                this->*m = MapFileNameFormat(ini.ReadInteger(kSection, f.key, 4));
                break;
            }
            case Kind::List: {
                auto m = std::get<std::vector<std::string> O::*>(f.member);
                std::vector<std::string> list;
                ini.ReadNumberedList(f.key, list, "");
                if (!list.empty()) this->*m = std::move(list);
                break;
            }
            case Kind::LoginText: {
                auto m = std::get<std::string O::*>(f.member);
                std::string v = ini.ReadString(kSection, f.key, "");
                if (!v.empty()) this->*m = std::move(v);
                break;
            }
            case Kind::Text: {
                auto m = std::get<std::string O::*>(f.member);
                this->*m = ini.ReadString(kSection, f.key, this->*m);
                break;
            }
        }
    }
    UpperAll(IncludeExtensions);
    UpperAll(ExcludeExtensions);
    UpperAll(IgnoreEmbbededSites);
    UpperAll(AutoClickButtons);
    return true;  // releasing the engine writes the file back only if loading changed it
}

bool TYahooDownloadOptions::Save() {
    const std::string path = FileName();
    if (!std::filesystem::exists(path)) ForceDirectories(SettingsFolder());
    TSettingsFileEx ini(path);
    for (const Field& f : Fields()) {
        switch (f.kind) {
            case Kind::SaveDir:
            case Kind::LoginText:
            case Kind::Text:
                ini.WriteString(kSection, f.key, this->*std::get<std::string O::*>(f.member));
                break;
            case Kind::Bool:
                ini.WriteBool(kSection, f.key, this->*std::get<bool O::*>(f.member));
                break;
            case Kind::Int: {
                auto m = std::get<std::int32_t O::*>(f.member);
                this->*m = std::clamp(this->*m, f.low, f.high);
                ini.WriteInteger(kSection, f.key, this->*m);
                break;
            }
            case Kind::FileNameFormat: {
                std::uint8_t v = this->*std::get<std::uint8_t O::*>(f.member);
                ini.WriteInteger(kSection, f.key, v >= 1 && v <= 4 ? v : 0);
                break;
            }
            case Kind::List:
                ini.WriteNumberedList(f.key,
                                      this->*std::get<std::vector<std::string> O::*>(f.member));
                break;
        }
    }
    ini.UpdateFile();  // here, not in the destructor, so a failed write reaches the caller
    return true;
}

bool ChecklistEntryChecked(const std::string& entry) {
    return ContainsText("C:", entry);
}

std::string ChecklistEntryExtension(const std::string& entry) {
    return ReplaceText(entry, "C:", "");
}

std::string MakeChecklistEntry(const std::string& extension, bool checked) {
    return (checked ? "C:" : "") + UpperCase(extension);
}

}  // namespace tessaly
