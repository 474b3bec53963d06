// A group list file from arbitrary bytes: reading never fails, and a list read, written back and
// read again gives the same names.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "settings/GroupListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessaly;
    const std::string path = fuzz::WriteInput("groups.ini", fuzz::AsText(data, size));
    const TStatusSink quiet = [](const std::string&) {};
    const TListResult first = ReadGroupList(path, kGroupListSection, quiet);
    if (!first.Ok()) return 0;
    if (!WriteGroupList(path, kGroupListSection, quiet, first.names).Ok()) std::abort();
    const TListResult second = ReadGroupList(path, kGroupListSection, quiet);
    if (!second.Ok() || second.names != first.names) std::abort();
    return 0;
}
