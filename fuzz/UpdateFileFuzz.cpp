// The update file and version numbers from arbitrary bytes: reading the file never fails, a
// version compares equal to itself and to its shown form, and the shown form is a version again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "text/Version.h"
#include "update/UpdateCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaly;
    const std::string_view text = fuzz::AsText(data, size);
    TUpdateCheck check("");
    const TUpdateCheckResult r = check.ProcessUpdateFile(std::string(text));
    if (!r.fetched) std::abort();

    if (const auto parts = ParseVersion(text)) {
        if (CompareVersions(*parts, *parts) != 0) std::abort();
        const auto shown = ParseVersion(VersionDisplayText(text));
        if (!shown || CompareVersions(*parts, *shown) != 0) std::abort();
    } else if (VersionDisplayText(text) != text) {
        std::abort();
    }
    return 0;
}
