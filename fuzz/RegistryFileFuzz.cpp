// REGEDIT4 text from arbitrary bytes imported into a store in the temporary folder: an import
// either takes the text or refuses it with the registry's own error, and every key tree it made
// is exported, imported again and exported to the same text (an export is a faithful copy).
// The store is emptied after every input.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "platform/RegistryStore.h"
#include "registry/RegistryFile.h"

namespace {

using namespace tessaly;

constexpr RegRoot kRoots[] = {
    RegRoot::ClassesRoot,     RegRoot::CurrentUser,   RegRoot::LocalMachine, RegRoot::Users,
    RegRoot::PerformanceData, RegRoot::CurrentConfig, RegRoot::DynData};

TRegistryStore& Store() {
    static const auto store =
        std::make_unique<TRegistryStore>(fuzz::TempFolder() + "registry.sqlite3");
    return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TRegistryStore& store = Store();
    TRegistryFile file(store);
    bool imported = true;
    try {
        file.ImportText(fuzz::AsText(data, size), "fuzz.reg");
    } catch (const ERegistryException&) {
        imported = false;
    }
    for (const RegRoot root : kRoots) {
        for (const std::string& key : store.SubKeyNames(root, "")) {
            std::string exported;
            if (imported) {
                TRegistryFile first(store);
                first.SetRootKey(root);
                first.OpenKey(key);
                exported = first.ExportText();
            }
            store.DeleteKey(root, key);
            if (imported) {
                TRegistryFile second(store);
                second.ImportText(exported, "exported.reg");
                second.SetRootKey(root);
                second.OpenKey(key);
                if (second.ExportText() != exported) std::abort();
                store.DeleteKey(root, key);
            }
        }
    }
    return 0;
}
