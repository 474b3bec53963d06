#pragma once
// A look at the registry store from outside the program, as SQLite's own tools would take it.

#include <string>

namespace tessaly::test {

// What `PRAGMA integrity_check` says of the store `file` ("ok" for a sound one), read through a
// connection of its own.
[[nodiscard]] std::string StoreIntegrity(const std::string& file);

}  // namespace tessaly::test
