#pragma once
// Where the program keeps its files on this desktop. Every path returned here for a folder
// ends with "/".

#include <string>

namespace tessaly {

// The special folders the program asks for by id.
enum class SpecialFolder {
    AppData,  // per-user application data ($XDG_DATA_HOME, default ~/.local/share)
    Config,   // per-user configuration ($XDG_CONFIG_HOME, default ~/.config)
    Home,     // the user's home folder
};

// The path of a special folder with a trailing "/"; when the environment cannot give it,
// the program folder.
[[nodiscard]] std::string GetSpecialFolder(SpecialFolder id);

// The folder of the running executable, with a trailing "/".
[[nodiscard]] std::string ProgramFolder();

// Application data + "Tessaly2/Data/": the options file and the per-group index files.
[[nodiscard]] std::string SettingsFolder();
// Application data + "Tessaly2 Debug/": saved pages and lists of debug runs.
[[nodiscard]] std::string DebugFolder();
// Application data + "Tessaly2/": the whole configuration that an export copies.
[[nodiscard]] std::string ConfigurationFolder();
// Home + "Yahoo Groups Files/": where downloads go unless the user picks another folder.
[[nodiscard]] std::string DefaultOutputFolder();
// $XDG_CONFIG_HOME + "Tessaly2/": the registry store and the cookie file. Kept apart from the
// configuration folder on purpose, so a configuration export never carries them.
[[nodiscard]] std::string PrivateStateFolder();
// Where local sockets of companion programs live ($XDG_RUNTIME_DIR, else the temp folder).
[[nodiscard]] std::string RuntimeFolder();

// Creates a folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& folder);

// Appends "/" unless the text already ends with one (an empty text stays empty).
[[nodiscard]] std::string IncludeTrailingDelimiter(std::string path);

}  // namespace tessaly
