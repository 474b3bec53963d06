#include "service/ProgramVersion.h"

#include "text/Version.h"

#ifndef TESSALY_VERSION
#error "TESSALY_VERSION is defined by the build (the project version)"
#endif

namespace tessaly {

std::string ProgramVersion() {
    return TESSALY_VERSION;
}

std::string ProgramVersionText() {
    return VersionDisplayText(ProgramVersion());
}

}  // namespace tessaly
