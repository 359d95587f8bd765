// SPDX-License-Identifier: MIT
#include "backends/linux/SqliteRegistryStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "backends/linux/XdgFolders.h"
#include "base/Ansi.h"
#include "base/ErrorInfo.h"

namespace quarnel::platform {

namespace {

// Another program holding the store locked is waited for this long.
constexpr int kBusyTimeoutMs = 5000;
// "QREG" in the database header marks the file as ours.
constexpr int64_t kApplicationId = 0x51524547;
// Version 1 held names and string data as Windows-1252, version 2 as UTF-8.
constexpr int64_t kAnsiVersion = 1;
constexpr int64_t kSchemaVersion = 2;
static_assert(kApplicationId == 1364346183 && kSchemaVersion == 2, "kSchema writes both");

// The hives' root keys have fixed ids; every other key hangs below one.
const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys ("
    " id INTEGER PRIMARY KEY,"
    " parent INTEGER NOT NULL,"
    " name BLOB NOT NULL,"
    " fold BLOB NOT NULL,"
    " UNIQUE (parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals ("
    " key INTEGER NOT NULL REFERENCES keys (id),"
    " seq INTEGER NOT NULL,"
    " name BLOB NOT NULL,"
    " fold BLOB NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY (key, fold));"
    "INSERT OR IGNORE INTO keys (id, parent, name, fold) VALUES"
    " (1, 0, CAST('HKEY_CURRENT_USER' AS BLOB), CAST('HKEY_CURRENT_USER' AS BLOB)),"
    " (2, 0, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB));"
    "PRAGMA application_id = 1364346183;"
    "PRAGMA user_version = 2;";

int64_t RootId(HKEY hive) {
    if (hive == HKEY_CURRENT_USER) return 1;
    if (hive == HKEY_LOCAL_MACHINE) return 2;
    return 0;
}

class Statement {
  public:
    Statement(sqlite3* db, const char* sql)
        : rc_(sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr)) {}
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int64_t value) {
        if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, ++index_, value);
        return *this;
    }
    // An empty blob is bound as a zero-length blob, never as NULL.
    Statement& Bind(std::string_view bytes) {
        if (rc_ == SQLITE_OK) {
            rc_ = sqlite3_bind_blob(stmt_, ++index_, bytes.empty() ? "" : bytes.data(),
                                    static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or the failure.
    int Step() { return rc_ == SQLITE_OK ? sqlite3_step(stmt_) : rc_; }
    int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    // Makes the statement ready to run again with new values.
    void Reset() {
        sqlite3_reset(stmt_);
        index_ = 0;
    }
    std::string Blob(int column) const {
        const void* bytes = sqlite3_column_blob(stmt_, column);
        int size = sqlite3_column_bytes(stmt_, column);
        return bytes == nullptr ? std::string()
                                : std::string(static_cast<const char*>(bytes), size);
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
    int index_ = 0;
};

class StoreKeyValues final : public KeyValues {
  public:
    StoreKeyValues(RegistryStore& store, HKEY hive, KeyPath path)
        : store_(store), hive_(hive), path_(std::move(path)) {}

    int32_t Get(const std::string& name, StoredValue* value) override {
        return store_.GetValue(hive_, path_, name, value);
    }
    int32_t Set(const std::string& name, const StoredValue& value) override {
        return store_.SetValue(hive_, path_, name, value);
    }
    int32_t Delete(const std::string& name) override {
        return store_.DeleteValue(hive_, path_, name);
    }
    int32_t Names(std::vector<std::string>* names) override {
        return store_.ValueNames(hive_, path_, names);
    }

  private:
    RegistryStore& store_;
    HKEY hive_;
    KeyPath path_;
};

bool IsText(int64_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// One row of the keys or vals table as the conversion rewrites it.
struct AnsiRow {
    int64_t rowid;
    std::string name;
    int64_t type;
    std::string data;
};

}  // namespace

RegistryStore::RegistryStore(std::string path, StoreJournal journal)
    : path_(std::move(path)), journal_(journal) {}

RegistryStore::~RegistryStore() {
    Disconnect();
}

std::string RegistryStore::Problem() {
    if (db_ == nullptr) Connect(Need::Read);
    return problem_;
}

int32_t RegistryStore::Connect(Need need) {
    if (db_ != nullptr) return need == Need::Read && !hasSchema_ ? CheckFormat() : ERROR_SUCCESS;
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            return Broken(ERROR_ACCESS_DENIED,
                          "cannot be read: " + std::string(std::strerror(errno)));
        }
        if (need == Need::Read) {
            problem_.clear();
            return ERROR_FILE_NOT_FOUND;
        }
        // The store holds the shop password: only its owner may read it.
        if (!MakeFolders(ParentFolder(path_), 0700)) {
            return Broken(ERROR_ACCESS_DENIED,
                          "cannot be created: " + std::string(std::strerror(errno)));
        }
        int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            return Broken(ERROR_ACCESS_DENIED,
                          "cannot be created: " + std::string(std::strerror(errno)));
        }
        if (fd >= 0) close(fd);
    }
    int rc =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        return Broken(ERROR_BADDB, "cannot be opened: " + why);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    int32_t status = CheckFormat();
    if (status == ERROR_FILE_NOT_FOUND && need == Need::Write) return ERROR_SUCCESS;
    return status;
}

// Answers 0 for our store, 2 for an empty database (schema still to be made).
int32_t RegistryStore::CheckFormat() {
    Statement header(db_,
                     "SELECT (SELECT application_id FROM pragma_application_id),"
                     " (SELECT user_version FROM pragma_user_version),"
                     " (SELECT count(*) FROM sqlite_master)");
    int rc = header.Step();
    if (rc != SQLITE_ROW) return Fail(rc);
    int64_t applicationId = header.Int(0);
    int64_t version = header.Int(1);
    int64_t objects = header.Int(2);
    header.Reset();
    if (applicationId == 0 && objects == 0) {
        problem_.clear();
        hasSchema_ = false;
        return ERROR_FILE_NOT_FOUND;
    }
    if (applicationId != kApplicationId) {
        return Broken(ERROR_BADDB, "is not a Quarnel registry store");
    }
    if (version > kSchemaVersion) {
        return Broken(ERROR_BADDB, "was written by a newer version of Quarnel");
    }
    if (version == kAnsiVersion) {
        int32_t status = ConvertFromAnsi();
        if (status != ERROR_SUCCESS) return status;
    }
    problem_.clear();
    hasSchema_ = true;
    return ERROR_SUCCESS;
}

// Names and string data are rewritten in UTF-8 and the names folded anew, in
// one transaction, so that another program opening the store at the same
// time either converts it itself or finds it converted.
int32_t RegistryStore::ConvertFromAnsi() {
    auto failed = [this](int rc) {
        std::string why = sqlite3_errmsg(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        int32_t status = Fail(rc);
        return db_ == nullptr ? status : Broken(status, "could not be converted to UTF-8: " + why);
    };
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return failed(rc);
    Statement version(db_, "SELECT user_version FROM pragma_user_version");
    rc = version.Step();
    if (rc != SQLITE_ROW) return failed(rc);
    const bool converted = version.Int(0) != kAnsiVersion;
    version.Reset();
    if (converted) {
        rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        return rc == SQLITE_OK ? ERROR_SUCCESS : failed(rc);
    }
    for (bool values : {false, true}) {
        rc = ConvertTableFromAnsi(values);
        if (rc != SQLITE_DONE) return failed(rc);
    }
    const std::string mark = "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";COMMIT";
    rc = sqlite3_exec(db_, mark.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? ERROR_SUCCESS : failed(rc);
}

int RegistryStore::ConvertTableFromAnsi(bool values) {
    const std::string table = values ? "vals" : "keys";
    // The hives' root keys are ASCII and keep their fixed folds.
    const std::string rows = values ? "" : " WHERE parent <> 0";
    std::vector<AnsiRow> found;
    Statement read(db_, (values ? "SELECT rowid, name, type, data FROM vals"
                                : "SELECT rowid, name, 0, x'' FROM keys" + rows)
                            .c_str());
    int rc;
    while ((rc = read.Step()) == SQLITE_ROW) {
        found.push_back({read.Int(0), read.Blob(1), read.Int(2), read.Blob(3)});
    }
    if (rc != SQLITE_DONE) return rc;
    // The folds first make way as numbers, which no folded name equals, so
    // that no half-converted state breaks the uniqueness of names.
    rc = sqlite3_exec(db_, ("UPDATE " + table + " SET fold = -rowid" + rows).c_str(), nullptr,
                      nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    const std::string update = "UPDATE " + table + " SET name = ?, fold = ?" +
                               (values ? ", data = ?" : "") + " WHERE rowid = ?";
    Statement write(db_, update.c_str());
    for (const auto& row : found) {
        std::string name = AnsiToUtf8(row.name);
        write.Reset();
        write.Bind(name).Bind(FoldName(name));
        if (values) write.Bind(IsText(row.type) ? AnsiToUtf8(row.data) : row.data);
        rc = write.Bind(row.rowid).Step();
        if (rc != SQLITE_DONE) return rc;
    }
    return SQLITE_DONE;
}

void RegistryStore::PrepareJournal() {
    if (journalReady_) return;
    const bool writeAhead = journal_ == StoreJournal::WriteAhead;
    Statement mode(db_, writeAhead ? "PRAGMA journal_mode = WAL" : "PRAGMA journal_mode = DELETE");
    // Without the log (another program busy switching, a file system
    // without shared memory) every write is synced, as safe and as slow as
    // before; the next write tries again.
    const bool logged = mode.Step() == SQLITE_ROW && mode.Blob(0) == "wal";
    mode.Reset();
    sqlite3_exec(db_, logged ? "PRAGMA synchronous = NORMAL" : "PRAGMA synchronous = FULL", nullptr,
                 nullptr, nullptr);
    journalReady_ = logged == writeAhead;
}

void RegistryStore::Disconnect() {
    // close_v2 waits for statements still alive before it releases the file.
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
    hasSchema_ = false;
    journalReady_ = false;
}

int32_t RegistryStore::Broken(int32_t status, const std::string& why) {
    Disconnect();
    problem_ = ErrorText(QuarnelError(status, "The registry store '" + path_ + "' " + why));
    return status;
}

int32_t RegistryStore::Fail(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return Broken(ERROR_BADDB, "is not a valid database");
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
        case SQLITE_CANTOPEN:
            return ERROR_ACCESS_DENIED;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_LOCK_VIOLATION;
        case SQLITE_FULL:
            return ERROR_DISK_FULL;
        default:
            return ERROR_BADDB;
    }
}

template <typename Work>
int32_t RegistryStore::Transaction(Work work) {
    int32_t status = Connect(Need::Write);
    if (status != ERROR_SUCCESS) return status;
    PrepareJournal();
    int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Fail(rc);
    bool madeSchema = !hasSchema_;
    rc = madeSchema ? sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) : SQLITE_OK;
    status = rc == SQLITE_OK ? work() : Fail(rc);
    if (status == ERROR_SUCCESS) {
        rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            hasSchema_ = true;
            return ERROR_SUCCESS;
        }
        status = Fail(rc);
    }
    if (db_ != nullptr) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return status;
}

int32_t RegistryStore::Lookup(HKEY hive, const KeyPath& path, int64_t* id) {
    *id = RootId(hive);
    if (*id == 0) return ERROR_INVALID_HANDLE;
    for (const auto& key : path) {
        Statement find(db_, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
        int rc = find.Bind(*id).Bind(FoldName(key)).Step();
        if (rc == SQLITE_DONE) {
            *id = 0;
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_ROW) return Fail(rc);
        *id = find.Int(0);
    }
    return ERROR_SUCCESS;
}

int32_t RegistryStore::ReadKey(HKEY hive, const KeyPath& path, int64_t* id) {
    *id = 0;
    int32_t status = Connect(Need::Read);
    if (status == ERROR_FILE_NOT_FOUND) return RootId(hive) == 0 ? ERROR_INVALID_HANDLE : 0;
    return status == ERROR_SUCCESS ? Lookup(hive, path, id) : status;
}

int32_t RegistryStore::LookupOrCreate(HKEY hive, const KeyPath& path, int64_t* id, bool* created) {
    *created = false;
    *id = RootId(hive);
    if (*id == 0) return ERROR_INVALID_HANDLE;
    for (const auto& key : path) {
        std::string fold = FoldName(key);
        Statement find(db_, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
        int rc = find.Bind(*id).Bind(fold).Step();
        if (rc == SQLITE_ROW) {
            *id = find.Int(0);
            continue;
        }
        if (rc != SQLITE_DONE) return Fail(rc);
        Statement insert(db_, "INSERT INTO keys (parent, name, fold) VALUES (?, ?, ?)");
        rc = insert.Bind(*id).Bind(key).Bind(fold).Step();
        if (rc != SQLITE_DONE) return Fail(rc);
        *id = sqlite3_last_insert_rowid(db_);
        *created = true;
    }
    return ERROR_SUCCESS;
}

int32_t RegistryStore::FindKey(HKEY hive, const KeyPath& path) {
    int64_t id = 0;
    int32_t status = ReadKey(hive, path, &id);
    if (status != ERROR_SUCCESS) return status;
    return id != 0 || path.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

int32_t RegistryStore::CreateKey(HKEY hive, const KeyPath& path, bool* created) {
    return Transaction([&] {
        int64_t id = 0;
        return LookupOrCreate(hive, path, &id, created);
    });
}

std::unique_ptr<KeyValues> RegistryStore::Values(HKEY hive, KeyPath path) {
    return std::make_unique<StoreKeyValues>(*this, hive, std::move(path));
}

int32_t RegistryStore::GetValue(HKEY hive, const KeyPath& path, const std::string& name,
                                StoredValue* value) {
    int64_t id = 0;
    int32_t status = ReadKey(hive, path, &id);
    if (status != ERROR_SUCCESS) return status;
    if (id == 0) return ERROR_FILE_NOT_FOUND;
    Statement find(db_, "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    int rc = find.Bind(id).Bind(FoldName(name)).Step();
    if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return Fail(rc);
    value->type = static_cast<uint32_t>(find.Int(0));
    value->data = find.Blob(1);
    return ERROR_SUCCESS;
}

int32_t RegistryStore::SetValue(HKEY hive, const KeyPath& path, const std::string& name,
                                const StoredValue& value) {
    return Transaction([&] {
        int64_t id = 0;
        bool created = false;
        int32_t status = LookupOrCreate(hive, path, &id, &created);
        if (status != ERROR_SUCCESS) return status;
        std::string fold = FoldName(name);
        // An existing value keeps its name and its place in the enumeration.
        Statement update(db_, "UPDATE vals SET type = ?, data = ? WHERE key = ? AND fold = ?");
        int rc = update.Bind(int64_t{value.type}).Bind(value.data).Bind(id).Bind(fold).Step();
        if (rc != SQLITE_DONE) return Fail(rc);
        if (sqlite3_changes(db_) > 0) return ERROR_SUCCESS;
        Statement insert(
            db_,
            "INSERT INTO vals (key, seq, name, fold, type, data)"
            " SELECT ?, COALESCE(MAX(seq), 0) + 1, ?, ?, ?, ? FROM vals WHERE key = ?");
        rc = insert.Bind(id)
                 .Bind(name)
                 .Bind(fold)
                 .Bind(int64_t{value.type})
                 .Bind(value.data)
                 .Bind(id)
                 .Step();
        return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc);
    });
}

int32_t RegistryStore::DeleteValue(HKEY hive, const KeyPath& path, const std::string& name) {
    // Checked first so that deleting from a store not yet made does not make it.
    StoredValue existing;
    int32_t status = GetValue(hive, path, name, &existing);
    if (status != ERROR_SUCCESS) return status;
    return Transaction([&] {
        int64_t id = 0;
        int32_t found = Lookup(hive, path, &id);
        if (found != ERROR_SUCCESS) return found;
        Statement remove(db_, "DELETE FROM vals WHERE key = ? AND fold = ?");
        int rc = remove.Bind(id).Bind(FoldName(name)).Step();
        if (rc != SQLITE_DONE) return Fail(rc);
        return sqlite3_changes(db_) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

int32_t RegistryStore::ValueNames(HKEY hive, const KeyPath& path, std::vector<std::string>* names) {
    names->clear();
    int64_t id = 0;
    int32_t status = ReadKey(hive, path, &id);
    if (status != ERROR_SUCCESS || id == 0) return status;
    Statement list(db_, "SELECT name FROM vals WHERE key = ? ORDER BY seq");
    list.Bind(id);
    int rc;
    while ((rc = list.Step()) == SQLITE_ROW) names->push_back(list.Blob(0));
    if (rc != SQLITE_DONE) {
        names->clear();
        return Fail(rc);
    }
    return ERROR_SUCCESS;
}

}  // namespace quarnel::platform
