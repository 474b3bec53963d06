#include "files/FileUtils.h"

#include "platform/FileLock.h"

namespace tessaly {

void WriteTextFile(const std::string& fileName, std::string_view text) {
    SaveFileAtomically(fileName, text);
}

}  // namespace tessaly
