#include "gui/HelpGuide.h"

#include <filesystem>

#include "platform/SpecialFolders.h"

namespace tessaly::gui {

std::string HelpGuidePath() {
    namespace fs = std::filesystem;
    const fs::path candidates[] = {
        fs::path(ProgramFolder()) / ".." / "share" / "doc" / "tessaly" / "guide" / "index.html",
        fs::path(TESSALY_HELP_SOURCE) / "index.html",
    };
    for (const auto& path : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(path, ec)) return fs::weakly_canonical(path, ec).string();
    }
    return {};
}

}  // namespace tessaly::gui
