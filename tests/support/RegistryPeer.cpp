// Another program on the registry store, for the tests: it opens the store, reads back what it
// wrote last, writes one value and closes, CYCLES times, as a second program beside the one
// under test does. Exit 0 when every cycle found its previous write, 1 when one was missing, 2
// when the store failed.
//   registry_peer FILE CYCLES
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/RegistryStore.h"

int main(int argc, char** argv) {
    using namespace tessaly;
    if (argc != 3) {
        std::cerr << "usage: registry_peer FILE CYCLES\n";
        return 2;
    }
    const std::string file = argv[1];
    const int cycles = std::atoi(argv[2]);
    const char* key = "Software\\Peer";
    try {
        for (int i = 0; i < cycles; ++i) {
            TRegistryStore store(file);
            if (i > 0) {
                const auto last = store.ReadValue(RegRoot::CurrentUser, key, "last");
                if (!last || last->AsDword() != static_cast<std::uint32_t>(i - 1)) {
                    std::cerr << "cycle " << i << ": the write of cycle " << i - 1 << " is gone\n";
                    return 1;
                }
            }
            store.WriteValues(RegRoot::CurrentUser, key,
                              {{"p" + std::to_string(i), RegValue::Dword(1)},
                               {"last", RegValue::Dword(static_cast<std::uint32_t>(i))}});
        }
    } catch (const ERegistryException& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }
    return 0;
}
