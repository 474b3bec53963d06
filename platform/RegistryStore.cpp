#include "platform/RegistryStore.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <thread>

#include "platform/SpecialFolders.h"

namespace tessaly {
namespace {

constexpr std::array<std::string_view, 7> kRootNames = {
    "HKEY_CLASSES_ROOT",   "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",   "HKEY_USERS",
    "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",     "HKEY_PERFORMANCE_DATA"};
constexpr std::array<std::string_view, 7> kRootShortNames = {"HKCR", "HKCU", "HKLM", "HKU",
                                                             "HKCC", "",     ""};

std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool SameFold(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t j = path.find('\\', i);
        if (j == std::string_view::npos) j = path.size();
        if (j > i) parts.push_back(path.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys(
    id INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS reg_values(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    key_id INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key_id, fold));
)sql";

// A prepared statement, reset and unbound whenever a use ends.
class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st_, nullptr) !=
            SQLITE_OK) {
            throw ERegistryException(std::string("registry: cannot prepare statement: ") +
                                     sqlite3_errmsg(db));
        }
    }
    ~Stmt() { sqlite3_finalize(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    class Use {
    public:
        explicit Use(Stmt& s) : s_(s) {}
        ~Use() {
            sqlite3_reset(s_.st_);
            sqlite3_clear_bindings(s_.st_);
        }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        Use& Bind(int i, std::int64_t v) {
            Check(sqlite3_bind_int64(s_.st_, i, v));
            return *this;
        }
        Use& Bind(int i, std::string_view text) {
            Check(sqlite3_bind_text(s_.st_, i, text.data(), static_cast<int>(text.size()),
                                    SQLITE_TRANSIENT));
            return *this;
        }
        Use& BindBlob(int i, std::string_view bytes) {
            Check(sqlite3_bind_blob(s_.st_, i, bytes.data(), static_cast<int>(bytes.size()),
                                    SQLITE_TRANSIENT));
            return *this;
        }
        // True while there is a row; throws on errors.
        bool Step() {
            int rc = sqlite3_step(s_.st_);
            if (rc == SQLITE_ROW) return true;
            if (rc == SQLITE_DONE) return false;
            throw ERegistryException(std::string("registry: ") + sqlite3_errmsg(s_.db_),
                                     sqlite3_errcode(s_.db_));
        }
        std::int64_t Int(int col) { return sqlite3_column_int64(s_.st_, col); }
        bool IsNull(int col) { return sqlite3_column_type(s_.st_, col) == SQLITE_NULL; }
        std::string Text(int col) {
            const void* p = sqlite3_column_blob(s_.st_, col);
            int n = sqlite3_column_bytes(s_.st_, col);
            return p != nullptr
                       ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n))
                       : std::string();
        }

    private:
        void Check(int rc) {
            if (rc != SQLITE_OK)
                throw ERegistryException(std::string("registry: ") + sqlite3_errmsg(s_.db_),
                                         sqlite3_errcode(s_.db_));
        }
        Stmt& s_;
    };

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back when left by an exception. Inside a write batch's
// transaction it does nothing: the batch commits or undoes the writes.
class WriteTransaction {
public:
    explicit WriteTransaction(sqlite3* db) : db_(db), done_(sqlite3_get_autocommit(db) == 0) {
        if (!done_) Run("BEGIN IMMEDIATE");
    }
    ~WriteTransaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit() {
        if (done_) return;
        Run("COMMIT");
        done_ = true;
    }

private:
    void Run(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw ERegistryException(std::string("registry: ") + sqlite3_errmsg(db_),
                                     sqlite3_errcode(db_));
        }
    }
    sqlite3* db_;
    bool done_;
};

void MakeFolderOf(const std::string& fileName) {
    auto slash = fileName.rfind('/');
    if (slash != std::string::npos) {
        std::string folder = fileName.substr(0, slash);
        if (!folder.empty() && !ForceDirectories(folder)) {
            throw ERegistryException("registry: cannot create the folder " + folder);
        }
    }
}

// Owner only, whatever the umask or an older file said. By path, never through a descriptor of
// our own: closing any descriptor of the file would drop every lock this process's connections
// hold on it (POSIX locks belong to the process and the file, not to the descriptor), and
// another program would then take the store for unused, checkpoint it and remove its -wal and
// -shm under our feet. The -wal and -shm files take the mode of the store when SQLite makes
// them, so setting it before the first statement covers them too.
void MakePrivate(const std::string& fileName) {
    (void)::chmod(fileName.c_str(), 0600);  // a store of another owner stays as it is
}

}  // namespace

struct TRegistryStore::Statements {
    explicit Statements(sqlite3* db)
        : selKey(db, "SELECT id FROM reg_keys WHERE parent=?1 AND fold=?2"),
          insKey(db, "INSERT INTO reg_keys(parent,name,fold) VALUES(?1,?2,?3)"),
          selVal(db, "SELECT type,data FROM reg_values WHERE key_id=?1 AND fold=?2"),
          updVal(db, "UPDATE reg_values SET type=?3, data=?4 WHERE key_id=?1 AND fold=?2"),
          insVal(db, "INSERT INTO reg_values(key_id,name,fold,type,data) VALUES(?1,?2,?3,?4,?5)"),
          delVal(db, "DELETE FROM reg_values WHERE key_id=?1 AND fold=?2"),
          listVals(db, "SELECT name,type,data FROM reg_values WHERE key_id=?1 ORDER BY seq"),
          listKeys(db, "SELECT name FROM reg_keys WHERE parent=?1 ORDER BY fold, name"),
          delTreeVals(db,
                      "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL "
                      "SELECT k.id FROM reg_keys k JOIN t ON k.parent=t.id) "
                      "DELETE FROM reg_values WHERE key_id IN t"),
          delTreeKeys(db,
                      "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL "
                      "SELECT k.id FROM reg_keys k JOIN t ON k.parent=t.id) "
                      "DELETE FROM reg_keys WHERE id IN t"),
          listTree(db,
                   "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL "
                   "SELECT k.id FROM reg_keys k JOIN t ON k.parent=t.id) "
                   "SELECT k.id,k.parent,k.name,v.name,v.type,v.data FROM t "
                   "JOIN reg_keys k ON k.id=t.id LEFT JOIN reg_values v ON v.key_id=k.id "
                   "ORDER BY k.id<>?1, k.fold, k.name, k.id, v.seq") {}
    Stmt selKey, insKey, selVal, updVal, insVal, delVal, listVals, listKeys, delTreeVals,
        delTreeKeys, listTree;
};

RegValue RegValue::String(std::string text, std::uint32_t type) {
    return RegValue{type, std::move(text)};
}

RegValue RegValue::Dword(std::uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return RegValue{REG_DWORD, std::move(bytes)};
}

RegValue RegValue::Binary(std::string bytes) {
    return RegValue{REG_BINARY, std::move(bytes)};
}

RegValue RegValue::MultiString(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const auto& e : entries) {
        bytes += e;
        bytes.push_back('\0');
    }
    return RegValue{REG_MULTI_SZ, std::move(bytes)};
}

std::optional<std::uint32_t> RegValue::AsDword() const {
    if (type != REG_DWORD || data.size() < 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
    return v;
}

std::vector<std::string> RegValue::AsMultiString() const {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < data.size()) {
        std::size_t j = data.find('\0', i);
        if (j == std::string::npos) j = data.size();
        if (j == i) break;  // the empty entry that closes the list
        out.emplace_back(data.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

std::string_view RegRootName(RegRoot root) {
    return kRootNames[static_cast<std::size_t>(static_cast<int>(root) - 1)];
}

std::optional<RegRoot> RegRootFromName(std::string_view name) {
    for (std::size_t i = 0; i < kRootNames.size(); ++i) {
        if (SameFold(name, kRootNames[i]) ||
            (!kRootShortNames[i].empty() && SameFold(name, kRootShortNames[i]))) {
            return static_cast<RegRoot>(static_cast<int>(i) + 1);
        }
    }
    return std::nullopt;
}

std::string DefaultRegistryFile() {
    return PrivateStateFolder() + "registry.sqlite3";
}

std::vector<std::string> RegistryStoreFiles(const std::string& fileName) {
    return {fileName, fileName + "-wal", fileName + "-shm", fileName + "-journal"};
}

TRegistryStore::TRegistryStore(std::string fileName) : fileName_(std::move(fileName)) {
    MakeFolderOf(fileName_);
    // Only SQLite opens the store and its -wal and -shm files: it makes the file itself.
    if (sqlite3_open_v2(fileName_.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        std::string msg = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw ERegistryException("registry: cannot open " + fileName_ + ": " + msg);
    }
    MakePrivate(fileName_);
    sqlite3_busy_timeout(db_, 10000);
    // Several threads may open a new file at the same moment; the switch to WAL and the schema
    // need a moment of exclusive access, so a busy answer is retried for a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        try {
            Exec("PRAGMA journal_mode=WAL");
            Exec("PRAGMA synchronous=FULL");
            Exec(kSchema);
            WriteTransaction t(db_);
            Stmt ins(db_, "INSERT OR IGNORE INTO reg_keys(id,parent,name,fold) VALUES(?1,0,?2,?3)");
            for (std::size_t i = 0; i < kRootNames.size(); ++i) {
                Stmt::Use u(ins);
                u.Bind(1, static_cast<std::int64_t>(i + 1))
                    .Bind(2, kRootNames[i])
                    .Bind(3, kRootNames[i]);
                u.Step();
            }
            t.Commit();
            break;
        } catch (const ERegistryException& e) {
            // Only a store that another connection holds is worth waiting for; a damaged one
            // (not a database, say) is reported at once, naming the file, and left untouched.
            const int code = sqlite3_errcode(db_) & 0xFF;
            const bool busy = code == SQLITE_BUSY || code == SQLITE_LOCKED;
            if (!busy || std::chrono::steady_clock::now() > deadline) {
                std::string why = e.what();
                if (why.rfind("registry: ", 0) == 0) why.erase(0, 10);
                if (busy) why = "another program has held it for more than 10 s (" + why + ")";
                sqlite3_close(db_);
                db_ = nullptr;
                throw ERegistryException("registry: " + fileName_ + ": " + why);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    st_ = std::make_unique<Statements>(db_);
}

TRegistryStore::~TRegistryStore() {
    st_.reset();
    if (db_ != nullptr) sqlite3_close(db_);
}

void TRegistryStore::Exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err != nullptr ? err : "unknown error";
        sqlite3_free(err);
        throw ERegistryException("registry: " + msg);
    }
}

std::int64_t TRegistryStore::OpenKey(RegRoot root, std::string_view keyPath, bool create) {
    std::int64_t id = static_cast<int>(root);
    for (std::string_view part : SplitKeyPath(keyPath)) {
        std::string fold = Fold(part);
        std::int64_t next = -1;
        {
            Stmt::Use u(st_->selKey);
            u.Bind(1, id).Bind(2, fold);
            if (u.Step()) next = u.Int(0);
        }
        if (next < 0) {
            if (!create) return -1;
            Stmt::Use u(st_->insKey);
            u.Bind(1, id).Bind(2, part).Bind(3, fold);
            u.Step();
            next = sqlite3_last_insert_rowid(db_);
        }
        id = next;
    }
    return id;
}

void TRegistryStore::CreateKey(RegRoot root, std::string_view keyPath) {
    if (OpenKey(root, keyPath, false) >= 0) return;
    WriteTransaction t(db_);
    OpenKey(root, keyPath, true);
    t.Commit();
}

bool TRegistryStore::KeyExists(RegRoot root, std::string_view keyPath) {
    return OpenKey(root, keyPath, false) >= 0;
}

std::optional<RegValue> TRegistryStore::ReadValue(RegRoot root, std::string_view keyPath,
                                                  std::string_view name) {
    std::int64_t key = OpenKey(root, keyPath, false);
    if (key < 0) {
        CreateKey(root, keyPath);
        return std::nullopt;
    }
    Stmt::Use u(st_->selVal);
    u.Bind(1, key).Bind(2, Fold(name));
    if (!u.Step()) return std::nullopt;
    return RegValue{static_cast<std::uint32_t>(u.Int(0)), u.Text(1)};
}

void TRegistryStore::WriteValue(RegRoot root, std::string_view keyPath, std::string_view name,
                                const RegValue& value) {
    // Writing what is already stored changes nothing; it also costs no transaction (and no
    // flush to disk), which matters for values written again and again during a run.
    if (const std::int64_t key = OpenKey(root, keyPath, false); key >= 0) {
        Stmt::Use u(st_->selVal);
        u.Bind(1, key).Bind(2, Fold(name));
        if (u.Step() && static_cast<std::uint32_t>(u.Int(0)) == value.type &&
            u.Text(1) == value.data)
            return;
    }
    WriteTransaction t(db_);
    PutValues(OpenKey(root, keyPath, true), {{std::string(name), value}});
    t.Commit();
}

void TRegistryStore::ReplaceValues(RegRoot root, std::string_view keyPath,
                                   const std::vector<std::pair<std::string, RegValue>>& values) {
    WriteTransaction t(db_);
    const std::int64_t key = OpenKey(root, keyPath, true);
    std::vector<std::string> old;
    {
        Stmt::Use u(st_->listVals);
        u.Bind(1, key);
        while (u.Step()) old.push_back(u.Text(0));
    }
    for (const auto& name : old) {
        Stmt::Use u(st_->delVal);
        u.Bind(1, key).Bind(2, Fold(name));
        u.Step();
    }
    PutValues(key, values);
    t.Commit();
}

void TRegistryStore::WriteValues(RegRoot root, std::string_view keyPath,
                                 const std::vector<std::pair<std::string, RegValue>>& values) {
    WriteTransaction t(db_);
    PutValues(OpenKey(root, keyPath, true), values);
    t.Commit();
}

void TRegistryStore::PutValues(std::int64_t key,
                               const std::vector<std::pair<std::string, RegValue>>& values) {
    for (const auto& [name, value] : values) {
        const std::string fold = Fold(name);
        bool updated = false;
        {
            Stmt::Use u(st_->updVal);
            u.Bind(1, key)
                .Bind(2, fold)
                .Bind(3, static_cast<std::int64_t>(value.type))
                .BindBlob(4, value.data);
            u.Step();
            updated = sqlite3_changes(db_) > 0;
        }
        if (!updated) {
            Stmt::Use u(st_->insVal);
            u.Bind(1, key)
                .Bind(2, name)
                .Bind(3, fold)
                .Bind(4, static_cast<std::int64_t>(value.type))
                .BindBlob(5, value.data);
            u.Step();
        }
    }
}

bool TRegistryStore::DeleteValue(RegRoot root, std::string_view keyPath, std::string_view name) {
    WriteTransaction t(db_);
    std::int64_t key = OpenKey(root, keyPath, true);
    bool existed = false;
    {
        Stmt::Use u(st_->delVal);
        u.Bind(1, key).Bind(2, Fold(name));
        u.Step();
        existed = sqlite3_changes(db_) > 0;
    }
    t.Commit();
    return existed;
}

std::vector<std::pair<std::string, RegValue>> TRegistryStore::Values(RegRoot root,
                                                                     std::string_view keyPath) {
    std::vector<std::pair<std::string, RegValue>> out;
    std::int64_t key = OpenKey(root, keyPath, false);
    if (key < 0) {
        CreateKey(root, keyPath);
        return out;
    }
    Stmt::Use u(st_->listVals);
    u.Bind(1, key);
    while (u.Step())
        out.emplace_back(u.Text(0), RegValue{static_cast<std::uint32_t>(u.Int(1)), u.Text(2)});
    return out;
}

std::vector<std::string> TRegistryStore::ValueNames(RegRoot root, std::string_view keyPath) {
    std::vector<std::string> names;
    for (auto& [name, value] : Values(root, keyPath)) names.push_back(std::move(name));
    return names;
}

std::vector<std::string> TRegistryStore::SubKeyNames(RegRoot root, std::string_view keyPath) {
    std::vector<std::string> out;
    std::int64_t key = OpenKey(root, keyPath, false);
    if (key < 0) {
        CreateKey(root, keyPath);
        return out;
    }
    Stmt::Use u(st_->listKeys);
    u.Bind(1, key);
    while (u.Step()) out.push_back(u.Text(0));
    return out;
}

bool TRegistryStore::DeleteKey(RegRoot root, std::string_view keyPath) {
    if (SplitKeyPath(keyPath).empty()) return false;
    WriteTransaction t(db_);
    std::int64_t key = OpenKey(root, keyPath, false);
    if (key < 0) return false;
    {
        Stmt::Use u(st_->delTreeVals);
        u.Bind(1, key);
        u.Step();
    }
    {
        Stmt::Use u(st_->delTreeKeys);
        u.Bind(1, key);
        u.Step();
    }
    t.Commit();
    return true;
}

std::vector<RegTreeKey> TRegistryStore::KeyTree(RegRoot root, std::string_view keyPath) {
    std::vector<RegTreeKey> keys;
    const std::int64_t top = OpenKey(root, keyPath, false);
    if (top < 0) return keys;
    Stmt::Use u(st_->listTree);
    u.Bind(1, top);
    while (u.Step()) {
        const std::int64_t id = u.Int(0);
        if (keys.empty() || keys.back().id != id) keys.push_back({id, u.Int(1), u.Text(2), {}});
        if (!u.IsNull(3))
            keys.back().values.emplace_back(
                u.Text(3), RegValue{static_cast<std::uint32_t>(u.Int(4)), u.Text(5)});
    }
    return keys;
}

TRegistryStore::TWriteBatch::TWriteBatch(TRegistryStore& store) : db_(store.db_) {
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw ERegistryException(std::string("registry: ") + sqlite3_errmsg(db_),
                                 sqlite3_errcode(db_));
}

TRegistryStore::TWriteBatch::~TWriteBatch() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TRegistryStore::TWriteBatch::Commit() {
    if (!open_) return;
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw ERegistryException(std::string("registry: ") + sqlite3_errmsg(db_),
                                 sqlite3_errcode(db_));
    open_ = false;
}

TRegistryStore& ThreadRegistry() {
    thread_local std::unique_ptr<TRegistryStore> store;
    std::string file = DefaultRegistryFile();
    if (!store || store->FileName() != file) {
        store.reset();
        store = std::make_unique<TRegistryStore>(file);
    }
    return *store;
}

}  // namespace tessaly
