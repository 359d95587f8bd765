// SPDX-License-Identifier: MIT
// The registry's keys and values in one SQLite database per user. Reads never
// create the file; the first write creates it with its schema. Names and
// string data are UTF-8; a store of an older version, which held them as
// Windows-1252, is converted once when it is first opened.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backends/linux/KeyValues.h"
#include "backends/linux/RegistryNames.h"
#include "platform/RegistryApi.h"

struct sqlite3;

namespace quarnel::platform {

// How a write is made to last.
enum class StoreJournal {
    // A write-ahead log, synced to disk only at checkpoints: a write survives
    // the program being killed at any moment and costs no sync of its own.
    WriteAhead,
    // A rollback journal with a sync on every write: slower by two orders of
    // magnitude; kept to measure against.
    SyncEveryWrite,
};

class RegistryStore {
  public:
    explicit RegistryStore(std::string path, StoreJournal journal = StoreJournal::WriteAhead);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& Path() const { return path_; }
    // Why the store cannot be used, as an error text; empty while it works
    // (a store not yet created works: it is empty).
    std::string Problem();

    // 0 when the key exists, 2 when not, or the failure.
    int32_t FindKey(HKEY hive, const KeyPath& path);
    // Creates the key and every missing key along its path in one transaction.
    int32_t CreateKey(HKEY hive, const KeyPath& path, bool* created);

    // The values of one key. A key missing along the path lists no values;
    // setting a value creates it.
    std::unique_ptr<KeyValues> Values(HKEY hive, KeyPath path);

    int32_t GetValue(HKEY hive, const KeyPath& path, const std::string& name, StoredValue* value);
    int32_t SetValue(HKEY hive, const KeyPath& path, const std::string& name,
                     const StoredValue& value);
    int32_t DeleteValue(HKEY hive, const KeyPath& path, const std::string& name);
    int32_t ValueNames(HKEY hive, const KeyPath& path, std::vector<std::string>* names);

  private:
    enum class Need { Read, Write };
    // 0 with an open connection; 2 when reading a store that does not exist
    // yet; else the failure, with problem_ set for a store that is unusable.
    int32_t Connect(Need need);
    void Disconnect();
    // Closes the connection and records why the store cannot be used.
    int32_t Broken(int32_t status, const std::string& why);
    // Maps an SQLite result to a status, recording an unusable store.
    int32_t Fail(int rc);
    int32_t CheckFormat();
    // Rewrites a Windows-1252 store in UTF-8 and marks it as converted.
    int32_t ConvertFromAnsi();
    // One table of it: SQLITE_DONE, or the failure.
    int ConvertTableFromAnsi(bool values);
    // Sets the journal mode before the connection's first write.
    void PrepareJournal();
    // Walks the path from the hive's root; *id becomes 0 for a missing key.
    int32_t Lookup(HKEY hive, const KeyPath& path, int64_t* id);
    // Lookup for reading: a store not yet made has no keys.
    int32_t ReadKey(HKEY hive, const KeyPath& path, int64_t* id);
    int32_t LookupOrCreate(HKEY hive, const KeyPath& path, int64_t* id, bool* created);
    // Runs work inside BEGIN IMMEDIATE ... COMMIT, making the schema first
    // when the store is new.
    template <typename Work>
    int32_t Transaction(Work work);

    std::string path_;
    StoreJournal journal_;
    sqlite3* db_ = nullptr;
    bool hasSchema_ = false;
    bool journalReady_ = false;
    std::string problem_;
};

}  // namespace quarnel::platform
