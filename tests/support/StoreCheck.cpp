#include "support/StoreCheck.h"

#include <sqlite3.h>

namespace tessaly::test {

std::string StoreIntegrity(const std::string& file) {
    sqlite3* db = nullptr;
    std::string verdict = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        verdict.clear();
        char* err = nullptr;
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* out, int, char** cells, char**) {
                *static_cast<std::string*>(out) += cells[0] != nullptr ? cells[0] : "";
                return 0;
            },
            &verdict, &err);
        if (err != nullptr) verdict += err;
        sqlite3_free(err);
    }
    sqlite3_close(db);
    return verdict;
}

}  // namespace tessaly::test
