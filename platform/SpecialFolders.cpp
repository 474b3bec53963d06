#include "platform/SpecialFolders.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tessaly {
namespace {

std::string EnvOrEmpty(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

std::string HomeOrEmpty() {
    // Only an absolute home counts; a relative one would put user data below the working folder.
    std::string home = EnvOrEmpty("HOME");
    return !home.empty() && home.front() == '/' ? home : std::string();
}

std::string XdgFolder(const char* variable, const char* underHome) {
    std::string dir = EnvOrEmpty(variable);
    if (!dir.empty() && dir.front() == '/') return IncludeTrailingDelimiter(dir);
    std::string home = HomeOrEmpty();
    if (home.empty()) return ProgramFolder();
    return IncludeTrailingDelimiter(home) + underHome;
}

}  // namespace

std::string IncludeTrailingDelimiter(std::string path) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    return path;
}

std::string ProgramFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return IncludeTrailingDelimiter(exe.parent_path().string());
}

std::string GetSpecialFolder(SpecialFolder id) {
    switch (id) {
        case SpecialFolder::AppData:
            return XdgFolder("XDG_DATA_HOME", ".local/share/");
        case SpecialFolder::Config:
            return XdgFolder("XDG_CONFIG_HOME", ".config/");
        case SpecialFolder::Home: {
            std::string home = HomeOrEmpty();
            return home.empty() ? ProgramFolder() : IncludeTrailingDelimiter(home);
        }
    }
    return ProgramFolder();
}

std::string SettingsFolder() {
    return GetSpecialFolder(SpecialFolder::AppData) + "Tessaly2/Data/";
}
std::string DebugFolder() {
    return GetSpecialFolder(SpecialFolder::AppData) + "Tessaly2 Debug/";
}
std::string ConfigurationFolder() {
    return GetSpecialFolder(SpecialFolder::AppData) + "Tessaly2/";
}
std::string DefaultOutputFolder() {
    return GetSpecialFolder(SpecialFolder::Home) + "Yahoo Groups Files/";
}
std::string PrivateStateFolder() {
    return GetSpecialFolder(SpecialFolder::Config) + "Tessaly2/";
}

std::string RuntimeFolder() {
    std::string dir = EnvOrEmpty("XDG_RUNTIME_DIR");
    if (!dir.empty() && dir.front() == '/') return IncludeTrailingDelimiter(dir);
    std::string tmp = EnvOrEmpty("TMPDIR");
    if (tmp.empty() || tmp.front() != '/') tmp = "/tmp";
    return IncludeTrailingDelimiter(tmp);
}

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

}  // namespace tessaly
