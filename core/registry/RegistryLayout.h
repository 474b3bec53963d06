#pragma once
// The names of everything the program keeps under its registry key of the current user.

namespace tessaly::reg {

// The program's key; value paths below are built as kKey + name.
inline constexpr const char* kKey = "\\Software\\Tessaly2\\";

inline constexpr const char* kStartValue = "StartValue";
inline constexpr const char* kStartValueData = "2";
inline constexpr const char* kUMask = "UMask";              // scrambled user name
inline constexpr const char* kPersistence = "Persistence";  // scrambled password
inline constexpr const char* kNoPass = "NoPass";            // missing or true: no stored password
inline constexpr const char* kDLMode = "DLMode";
inline constexpr const char* kUseCache = "UseCache";
inline constexpr const char* kUpdatedCheckedOn = "UpdatedCheckedOn";
inline constexpr const char* kOldFormat = "OldFormat";

// Keys below kKey.
inline constexpr const char* kProfiles =
    "Profiles";  // login profiles; Profiles\<user> is the group cache
inline constexpr const char* kGrabbedGroups = "GrabbedGroups";
inline constexpr const char* kGrabbedURLs = "GrabbedURLs";
inline constexpr const char* kChooserState = "TfrmYahooChooseOptions";
inline constexpr const char* kOptionsDialogState = "TfrmYahooOptions";

}  // namespace tessaly::reg
