#pragma once
// What the targets share: one temporary folder per fuzzing process, made at the first call and
// removed at exit. Every file a target reads or writes lies in it, and HOME and the XDG folders
// point into it, so nothing the program reaches by its own folders lands elsewhere.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tessaly::fuzz {

inline const std::string& TempFolder() {
    // Removed when the program ends (a static's destructor runs at exit).
    struct Folder {
        std::string path;
        Folder() {
            const char* base = std::getenv("TMPDIR");
            std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                                  "/tessaly-fuzz-XXXXXX";
            if (::mkdtemp(pattern.data()) == nullptr) std::abort();
            path = pattern + "/";
            ::setenv("HOME", path.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (path + "config").c_str(), 1);
            ::setenv("XDG_DATA_HOME", (path + "data").c_str(), 1);
            ::setenv("XDG_STATE_HOME", (path + "state").c_str(), 1);
            ::setenv("XDG_CACHE_HOME", (path + "cache").c_str(), 1);
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

// Writes `bytes` to `name` in the temporary folder; its full path.
inline std::string WriteInput(const std::string& name, std::string_view bytes) {
    const std::string path = TempFolder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
    return path;
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tessaly::fuzz
