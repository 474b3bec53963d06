#include "harvest/Sounds.h"

#include <QStandardPaths>
#include <QString>
#include <filesystem>

#include "platform/Processes.h"
#include "settings/DownloadOptions.h"

namespace tessaly {

bool PlayWaveFile(const std::string& fileName) {
    std::error_code ec;
    if (fileName.empty() || !std::filesystem::is_regular_file(fileName, ec)) return false;
    for (const char* player : {"paplay", "aplay", "play"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(player));
        if (path.isEmpty()) continue;
        const std::string quoted = "\"" + path.toStdString() + "\" \"" + fileName + "\"";
        return RunProgram(quoted, true, true);
    }
    return false;
}

void PlayErrorSound(const TYahooDownloadOptions& options) {
    if (options.boolEnableSoundEvents) PlayWaveFile(options.strErrorWaveFile);
}

void PlaySuccessSound(const TYahooDownloadOptions& options) {
    if (options.boolEnableSoundEvents) PlayWaveFile(options.strSucessWaveFile);
}

}  // namespace tessaly
