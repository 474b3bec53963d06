#pragma once
// The current user's registry: a hierarchical store of typed values kept in an SQLite file
// (registry.sqlite3 in the private state folder). It behaves like the desktop registry the
// program was designed around:
//  - key paths are separated by "\"; key and value names compare without regard to ASCII letter
//    case and keep the case they were created with;
//  - opening a key creates it (and its parents);
//  - values are typed; their data is kept as raw bytes;
//  - values enumerate in creation order, sub-keys in case-insensitive name order;
//  - the seven root keys of the REGEDIT4 format exist; HKEY_CURRENT_USER is the user's hive.
// One TRegistryStore holds one connection and belongs to one thread at a time; several stores
// (one per thread) may use the same file at once. A write is durable when the call returns.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace tessaly {

enum class RegRoot : int {
    ClassesRoot = 1,
    CurrentUser,
    LocalMachine,
    Users,
    CurrentConfig,
    DynData,
    PerformanceData,
};

// Value types, numbered as on the desktop registry. Other numbers are kept with their bytes.
enum RegType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

struct RegValue {
    std::uint32_t type = REG_NONE;
    // REG_SZ / REG_EXPAND_SZ: the text's bytes (no terminator); REG_DWORD: 4 bytes, little
    // endian; REG_MULTI_SZ: each entry followed by a zero byte; anything else: as given.
    std::string data;

    [[nodiscard]] static RegValue String(std::string text, std::uint32_t type = REG_SZ);
    [[nodiscard]] static RegValue Dword(std::uint32_t number);
    [[nodiscard]] static RegValue Binary(std::string bytes);
    [[nodiscard]] static RegValue MultiString(const std::vector<std::string>& entries);

    [[nodiscard]] bool IsString() const { return type == REG_SZ || type == REG_EXPAND_SZ; }
    // The number of a REG_DWORD value (nullopt for other types or a short value).
    [[nodiscard]] std::optional<std::uint32_t> AsDword() const;
    [[nodiscard]] std::vector<std::string> AsMultiString() const;
    bool operator==(const RegValue&) const = default;
};

// A registry failure: the store cannot be opened, read or written. Code is the store's error
// number when it gave one (0 otherwise).
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const std::string& what, int code = 0)
        : std::runtime_error(what), code_(code) {}
    [[nodiscard]] int Code() const { return code_; }

private:
    int code_;
};

[[nodiscard]] std::string_view RegRootName(RegRoot root);
// "HKEY_CURRENT_USER" (any letter case) and the other six names, also their short forms
// (HKCU, HKLM, HKCR, HKU, HKCC).
[[nodiscard]] std::optional<RegRoot> RegRootFromName(std::string_view name);

// The registry file of the current user.
[[nodiscard]] std::string DefaultRegistryFile();
// The store `fileName` and the files SQLite keeps beside it (-wal, -shm, -journal). Only SQLite
// may open them while any connection may be open: closing a descriptor of our own would drop
// the connections' locks.
[[nodiscard]] std::vector<std::string> RegistryStoreFiles(const std::string& fileName);

// One key of a tree as TRegistryStore::KeyTree lists it.
struct RegTreeKey {
    std::int64_t id = 0;
    std::int64_t parent = 0;  // the id of the key above it
    std::string name;
    std::vector<std::pair<std::string, RegValue>> values;  // in creation order
};

class TRegistryStore {
public:
    // Opens (creating when missing, readable by its owner only) the given registry file.
    // Throws ERegistryException when it cannot.
    explicit TRegistryStore(std::string fileName = DefaultRegistryFile());
    ~TRegistryStore();
    TRegistryStore(const TRegistryStore&) = delete;
    TRegistryStore& operator=(const TRegistryStore&) = delete;

    [[nodiscard]] const std::string& FileName() const { return fileName_; }

    // Key paths are relative to the root; leading, trailing and doubled "\" are ignored.
    // Reading operations open (and so create) the key as well, as the registry functions of the
    // program expect; KeyExists is the one look that creates nothing.
    [[nodiscard]] std::optional<RegValue> ReadValue(RegRoot root, std::string_view keyPath,
                                                    std::string_view name);
    void WriteValue(RegRoot root, std::string_view keyPath, std::string_view name,
                    const RegValue& value);
    // Writes several values of one key in one transaction (a value holding its data already
    // costs nothing): all of them are written or, when the store fails, none.
    void WriteValues(RegRoot root, std::string_view keyPath,
                     const std::vector<std::pair<std::string, RegValue>>& values);
    // Replaces every value of the key by `values` (a repeated name keeps its last data), in one
    // transaction: when anything fails the key keeps its old values. Its sub-keys stay.
    void ReplaceValues(RegRoot root, std::string_view keyPath,
                       const std::vector<std::pair<std::string, RegValue>>& values);
    // True when the value existed.
    bool DeleteValue(RegRoot root, std::string_view keyPath, std::string_view name);
    [[nodiscard]] std::vector<std::string> ValueNames(RegRoot root, std::string_view keyPath);
    [[nodiscard]] std::vector<std::pair<std::string, RegValue>> Values(RegRoot root,
                                                                       std::string_view keyPath);
    [[nodiscard]] std::vector<std::string> SubKeyNames(RegRoot root, std::string_view keyPath);
    [[nodiscard]] bool KeyExists(RegRoot root, std::string_view keyPath);
    void CreateKey(RegRoot root, std::string_view keyPath);
    // Removes the key with all its sub-keys and values; true when it existed. A root stays.
    bool DeleteKey(RegRoot root, std::string_view keyPath);
    // The key and every key below it with their values, read in one query (a walk key by key
    // would resolve each key's whole path again): the key itself first, then the others in
    // SubKeyNames order, so each key's sub-keys come in the order that lists them. Empty when
    // the key does not exist; creates nothing.
    [[nodiscard]] std::vector<RegTreeKey> KeyTree(RegRoot root, std::string_view keyPath);

    // Makes the writes of the calls until Commit one transaction (one flush to the disk, and
    // all or nothing): every write of the store joins it instead of committing on its own.
    // Destroyed without Commit it undoes them all. One at a time per store.
    class TWriteBatch {
    public:
        explicit TWriteBatch(TRegistryStore& store);
        ~TWriteBatch();
        TWriteBatch(const TWriteBatch&) = delete;
        TWriteBatch& operator=(const TWriteBatch&) = delete;
        void Commit();

    private:
        sqlite3* db_;
        bool open_ = true;
    };

private:
    struct Statements;
    std::int64_t OpenKey(RegRoot root, std::string_view keyPath, bool create);
    void Exec(const char* sql);
    // Inserts or updates values of an open key; the caller holds the transaction.
    void PutValues(std::int64_t key, const std::vector<std::pair<std::string, RegValue>>& values);

    std::string fileName_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> st_;
};

// The store of the calling thread for the current registry file (reopened when the file name
// changes, for instance when a test points XDG_CONFIG_HOME elsewhere).
TRegistryStore& ThreadRegistry();

}  // namespace tessaly
