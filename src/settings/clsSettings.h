// SPDX-License-Identifier: MIT
// Every persistent user setting. Loads itself from the registry when created
// and writes everything back only on Save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/TraceLog.h"
#include "platform/RegistryApi.h"
#include "settings/clsRegistry.h"

namespace quarnel {

class clsSettings : public TraceSettings {
  public:
    // applicationFolder: base of the default folders, without trailing
    // separator. autostartCommand: what the autostart entry runs.
    clsSettings(std::shared_ptr<platform::RegistryApi> registry, std::string applicationFolder,
                std::string autostartCommand);

    int32_t QuantityPositioning() const { return quantityPositioning_; }
    void SetQuantityPositioning(int32_t value) { quantityPositioning_ = value; }
    bool AutoSaveBarcodes() const { return autoSaveBarcodes_; }
    void SetAutoSaveBarcodes(bool value) { autoSaveBarcodes_ = value; }
    bool AutoSaveOrders() const { return autoSaveOrders_; }
    void SetAutoSaveOrders(bool value) { autoSaveOrders_ = value; }
    const std::string& BarcodesFolder() const { return barcodesFolder_; }
    void SetBarcodesFolder(std::string value) { barcodesFolder_ = std::move(value); }
    const std::string& OrdersFolder() const { return ordersFolder_; }
    void SetOrdersFolder(std::string value) { ordersFolder_ = std::move(value); }
    const std::string& LastFolder() const { return lastFolder_; }
    void SetLastFolder(std::string value) { lastFolder_ = std::move(value); }
    bool TraceEvents() const override { return traceEvents_; }
    void SetTraceEvents(bool value) { traceEvents_ = value; }
    std::string TraceFile() const override { return traceFile_; }
    void SetTraceFile(std::string value) { traceFile_ = std::move(value); }
    const std::string& Debtor() const { return debtor_; }
    void SetDebtor(std::string value) { debtor_ = std::move(value); }
    const std::string& User() const { return user_; }
    void SetUser(std::string value) { user_ = std::move(value); }
    const std::string& Password() const { return password_; }
    void SetPassword(std::string value) { password_ = std::move(value); }
    bool Autorun() const { return autorun_; }
    // Marks the autostart entry for the next Save when the value changes.
    void SetAutorun(bool value);

    // True when Autorun holds a value the autostart entry does not reflect yet.
    bool AutorunChanged() const { return autorunChanged_; }

    void Reload();
    // Raises the registry's failure at the first value that cannot be
    // written; values written before it stay.
    void Save();

    // Error entries for what Reload could not use (unreadable store, values
    // that are not numbers). They are kept, since Reload runs before tracing
    // starts, and written by the start-up.
    const std::vector<std::string>& LoadProblems() const { return loadProblems_; }

    static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static std::string SettingsKey();

  private:
    RegValue ReadValue(platform::HKEY hive, const std::string& key, const std::string& name,
                       const RegValue& defaultValue) const;
    void WriteValue(platform::HKEY hive, const std::string& key, const std::string& name,
                    const RegValue& value, uint32_t type = 0);
    int32_t ReadInteger(const std::string& name, int32_t defaultValue);
    bool ReadBoolean(const std::string& name, bool defaultValue);
    std::string ReadText(const std::string& name, const std::string& defaultValue);
    bool AutorunRegistered() const;
    void ApplyAutorun();

    std::shared_ptr<platform::RegistryApi> registry_;
    std::string applicationFolder_;
    std::string autostartCommand_;

    int32_t quantityPositioning_ = 1;
    bool autoSaveBarcodes_ = false;
    bool autoSaveOrders_ = true;
    std::string barcodesFolder_;
    std::string ordersFolder_;
    std::string lastFolder_;
    bool traceEvents_ = true;
    std::string traceFile_;
    std::string debtor_;
    std::string user_;
    std::string password_;
    bool autorun_ = true;

    bool storedAutorun_ = true;
    bool autorunChanged_ = false;
    std::vector<std::string> loadProblems_;
};

}  // namespace quarnel
