// The archive's catalog cache from arbitrary bytes: a cache that loads is saved and loads again
// to the same entries; and the entry made from the bytes read as a message page survives the
// cache the same way.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "archive/MessageCatalog.h"
#include "text/MessageReader.h"

namespace {

using namespace tessaly;
using archive::TCatalogEntry;

bool Same(const std::vector<TCatalogEntry>& a, const std::vector<TCatalogEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const TCatalogEntry& x = a[i];
        const TCatalogEntry& y = b[i];
        if (x.number != y.number || !x.SameFile(y) || x.purged != y.purged ||
            x.subject != y.subject || x.author != y.author || x.dateText != y.dateText ||
            x.date.has_value() != y.date.has_value() || x.MonthKey() != y.MonthKey())
            return false;
        if (x.date && (x.date->MailText() != y.date->MailText() ||
                       x.date->ShortText() != y.date->ShortText()))
            return false;
    }
    return true;
}

void RoundTrip(const std::vector<TCatalogEntry>& entries) {
    const std::string path = fuzz::TempFolder() + "catalog-saved";
    archive::SaveCatalog(path, entries);
    if (!Same(archive::LoadCatalog(path), entries)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);
    const auto loaded = archive::LoadCatalog(fuzz::WriteInput("catalog", bytes));
    if (!loaded.empty()) RoundTrip(loaded);

    TCatalogEntry entry = archive::EntryOf(ReadSavedMessage(bytes));
    entry.file = "0000001.html";
    entry.size = size;
    RoundTrip({entry});
    return 0;
}
