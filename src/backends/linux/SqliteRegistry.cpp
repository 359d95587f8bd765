// SPDX-License-Identifier: MIT
#include "backends/linux/SqliteRegistry.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "backends/linux/SerialCommView.h"
#include "backends/linux/XdgAutostartView.h"
#include "backends/linux/XdgFolders.h"
#include "base/ErrorInfo.h"

namespace quarnel::platform {

namespace {

constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr uint32_t kAllRights = KEY_ALL_ACCESS_0x3F;
constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t GENERIC_WRITE = 0x40000000u;
constexpr uint32_t GENERIC_ALL = 0x10000000u;
constexpr uint32_t MAXIMUM_ALLOWED = 0x02000000u;
constexpr uint32_t kMaxValueNameLength = 16383;
constexpr HKEY kFirstPredefinedKey = 0x80000000u;

// The key rights an access mask grants, generic rights included.
uint32_t Rights(uint32_t samDesired) {
    uint32_t rights = samDesired;
    if (samDesired & (GENERIC_ALL | MAXIMUM_ALLOWED)) rights |= kAllRights;
    if (samDesired & GENERIC_READ) rights |= KEY_QUERY_VALUE;
    if (samDesired & GENERIC_WRITE) rights |= kWriteRights;
    return rights;
}

const KeyPath& RunPath() {
    static const KeyPath path{"Software", "Microsoft", "Windows", "CurrentVersion", "Run"};
    return path;
}

const KeyPath& SerialCommPath() {
    static const KeyPath path{"HARDWARE", "DEVICEMAP", "SERIALCOMM"};
    return path;
}

// A strict ancestor of a view's key: exists because the view does.
bool AboveView(HKEY hive, const KeyPath& path) {
    const KeyPath& view = hive == HKEY_CURRENT_USER ? RunPath() : SerialCommPath();
    return path.size() < view.size() && StartsWithPath(view, path);
}

}  // namespace

SqliteRegistry::SqliteRegistry(std::string storePath, std::string autostartFolder,
                               std::shared_ptr<SerialPortTable> ports, StoreJournal journal)
    : store_(std::make_unique<RegistryStore>(std::move(storePath), journal)),
      autostart_(std::make_shared<AutostartView>(std::move(autostartFolder))),
      serialPorts_(
          std::make_shared<SerialCommView>(ports ? std::move(ports) : EmptySerialPortTable())) {}

SqliteRegistry::Place SqliteRegistry::Locate(HKEY hive, const KeyPath& path) const {
    auto inView = [&](HKEY viewHive, const KeyPath& view, Place place) -> std::optional<Place> {
        if (hive != viewHive || !StartsWithPath(path, view)) return std::nullopt;
        return path.size() == view.size() ? place : Place::BelowView;
    };
    if (auto place = inView(HKEY_CURRENT_USER, RunPath(), Place::Autostart)) return *place;
    if (auto place = inView(HKEY_LOCAL_MACHINE, SerialCommPath(), Place::SerialPorts)) {
        return *place;
    }
    return Place::Store;
}

std::shared_ptr<KeyValues> SqliteRegistry::ValuesOf(HKEY hive, const KeyPath& path,
                                                    Place place) const {
    if (place == Place::Autostart) return autostart_;
    // A handle reads the table as it stood when the key was opened, so that
    // enumerating its values asks the system once rather than once a value.
    if (place == Place::SerialPorts) return serialPorts_->Snapshot();
    return store_->Values(hive, path);
}

bool SqliteRegistry::Resolve(HKEY key, OpenKey* open) const {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        *open = OpenKey{key, {}, kAllRights, ValuesOf(key, {}, Place::Store)};
        return true;
    }
    auto found = handles_.find(key);
    if (found == handles_.end()) return false;
    *open = found->second;
    return true;
}

int32_t SqliteRegistry::Use(HKEY key, uint32_t access, OpenKey* open) const {
    if (!Resolve(key, open)) return ERROR_INVALID_HANDLE;
    return (open->access & access) == access ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

int32_t SqliteRegistry::Child(HKEY base, const std::string& subKey, uint32_t samDesired,
                              OpenKey* child) const {
    OpenKey parent;
    if (!Resolve(base, &parent)) return ERROR_INVALID_HANDLE;
    auto below = SplitKeyPath(subKey);
    if (!below) return ERROR_INVALID_PARAMETER;
    child->hive = parent.hive;
    child->path = parent.path;
    child->path.insert(child->path.end(), below->begin(), below->end());
    child->access = Rights(samDesired);
    Place place = Locate(child->hive, child->path);
    // The serial-port table belongs to the system.
    if (place == Place::SerialPorts && (child->access & kWriteRights) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    child->values = ValuesOf(child->hive, child->path, place);
    return ERROR_SUCCESS;
}

int32_t SqliteRegistry::Exists(const OpenKey& key) const {
    switch (Locate(key.hive, key.path)) {
        case Place::Autostart:
        case Place::SerialPorts:
            return ERROR_SUCCESS;
        case Place::BelowView:
            return ERROR_FILE_NOT_FOUND;
        case Place::Store:
            break;
    }
    if (AboveView(key.hive, key.path)) return ERROR_SUCCESS;
    return store_->FindKey(key.hive, key.path);
}

HKEY SqliteRegistry::NewHandle(OpenKey key) {
    HKEY handle = nextHandle_;
    while (handle == 0 || handle >= kFirstPredefinedKey || handles_.count(handle) != 0) {
        handle = handle >= kFirstPredefinedKey - 1 ? 1 : handle + 1;
    }
    nextHandle_ = handle + 1;
    handles_.emplace(handle, std::move(key));
    return handle;
}

int32_t SqliteRegistry::RegOpenKeyExA(HKEY key, const std::string& subKey, uint32_t,
                                      uint32_t samDesired, HKEY* result) {
    std::lock_guard lock(mutex_);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = 0;
    OpenKey child;
    int32_t status = Child(key, subKey, samDesired, &child);
    if (status == ERROR_SUCCESS) status = Exists(child);
    if (status == ERROR_SUCCESS) *result = NewHandle(std::move(child));
    return status;
}

int32_t SqliteRegistry::RegCreateKeyExA(HKEY key, const std::string& subKey, const std::string&,
                                        uint32_t, uint32_t samDesired, HKEY* result,
                                        uint32_t* disposition) {
    std::lock_guard lock(mutex_);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = 0;
    OpenKey child;
    int32_t status = Child(key, subKey, samDesired, &child);
    if (status != ERROR_SUCCESS) return status;
    bool created = false;
    switch (Locate(child.hive, child.path)) {
        case Place::BelowView:
            // The views hold values only.
            return ERROR_ACCESS_DENIED;
        case Place::Store:
            status = store_->FindKey(child.hive, child.path);
            if (status == ERROR_FILE_NOT_FOUND) {
                status = store_->CreateKey(child.hive, child.path, &created);
            }
            if (status != ERROR_SUCCESS) return status;
            break;
        case Place::Autostart:
        case Place::SerialPorts:
            break;
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = NewHandle(std::move(child));
    return ERROR_SUCCESS;
}

int32_t SqliteRegistry::RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type,
                                         uint8_t* data, uint32_t* dataSize) {
    std::lock_guard lock(mutex_);
    OpenKey open;
    int32_t status = Use(key, KEY_QUERY_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    StoredValue value;
    status = open.values->Get(valueName, &value);
    if (status != ERROR_SUCCESS) return status;
    if (type != nullptr) *type = value.type;
    auto size = static_cast<uint32_t>(value.data.size());
    if (data == nullptr) {
        if (dataSize != nullptr) *dataSize = size;
        return ERROR_SUCCESS;
    }
    bool fits = *dataSize >= size;
    *dataSize = size;
    if (!fits) return ERROR_MORE_DATA;
    std::memcpy(data, value.data.data(), size);
    return ERROR_SUCCESS;
}

int32_t SqliteRegistry::RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type,
                                       const uint8_t* data, uint32_t dataSize) {
    std::lock_guard lock(mutex_);
    OpenKey open;
    int32_t status = Use(key, KEY_SET_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if ((data == nullptr && dataSize > 0) || valueName.size() > kMaxValueNameLength) {
        return ERROR_INVALID_PARAMETER;
    }
    StoredValue value{type, std::string(reinterpret_cast<const char*>(data), data ? dataSize : 0)};
    return open.values->Set(valueName, value);
}

int32_t SqliteRegistry::RegDeleteValueA(HKEY key, const std::string& valueName) {
    std::lock_guard lock(mutex_);
    OpenKey open;
    int32_t status = Use(key, KEY_SET_VALUE, &open);
    return status == ERROR_SUCCESS ? open.values->Delete(valueName) : status;
}

int32_t SqliteRegistry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize) {
    std::lock_guard lock(mutex_);
    OpenKey open;
    int32_t status = Use(key, KEY_QUERY_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> names;
    status = open.values->Names(&names);
    if (status != ERROR_SUCCESS) return status;
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& found = names[index];
    if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<uint32_t>(found.size());
    return ERROR_SUCCESS;
}

int32_t SqliteRegistry::RegQueryInfoKeyA(HKEY key, uint32_t* maxValueNameLength) {
    std::lock_guard lock(mutex_);
    OpenKey open;
    int32_t status = Use(key, KEY_QUERY_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::string> names;
    status = open.values->Names(&names);
    if (status != ERROR_SUCCESS) return status;
    size_t longest = 0;
    for (const auto& name : names) longest = std::max(longest, name.size());
    if (maxValueNameLength != nullptr) *maxValueNameLength = static_cast<uint32_t>(longest);
    return ERROR_SUCCESS;
}

int32_t SqliteRegistry::RegCloseKey(HKEY key) {
    std::lock_guard lock(mutex_);
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    return handles_.erase(key) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::string SqliteRegistry::StoreProblem() const {
    std::lock_guard lock(mutex_);
    return store_->Problem();
}

std::shared_ptr<RegistryApi> OpenUserRegistry(std::shared_ptr<SerialPortTable> ports) {
    std::string config = ConfigHome();
    return std::make_shared<SqliteRegistry>(config + "/" + kAppTitle + "/registry.sqlite3",
                                            config + "/autostart", std::move(ports));
}

}  // namespace quarnel::platform
