// SPDX-License-Identifier: MIT
#include "settings/clsSettings.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "base/ErrorInfo.h"
#include "base/Numeric.h"
#include "base/TextCompare.h"
#include "platform/Paths.h"
#include "settings/clsRegistry.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

constexpr const char* kPasswordValueName = "Zq8#Lm2!";

// The password passes through these on its way to and from the registry.
// They keep it as it is: stored settings hold it in plain text.
std::string EncodePassword(const std::string& password) {
    return password;
}
std::string DecodePassword(const std::string& stored) {
    return stored;
}

bool IsEmptyValue(const RegValue& value) {
    return std::holds_alternative<std::monostate>(value) || RegValueText(value).empty();
}

// Numbers as settings hold them: whole, rounded half to even, in 32 bits.
int32_t ToInteger(const RegValue& value) {
    if (const int32_t* number = std::get_if<int32_t>(&value)) return *number;
    std::optional<double> parsed = ParseNumeric(RegValueText(value));
    if (!parsed) RaiseError(ErrNo::TypeMismatch);
    double rounded = std::nearbyint(*parsed);
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        RaiseError(ErrNo::Overflow);
    }
    return static_cast<int32_t>(rounded);
}

bool ToBoolean(const RegValue& value) {
    if (const int32_t* number = std::get_if<int32_t>(&value)) return *number != 0;
    const std::string text = RegValueText(value);
    if (EqualsIgnoreCase(text, "true")) return true;
    if (EqualsIgnoreCase(text, "false")) return false;
    std::optional<double> parsed = ParseNumeric(text);
    if (!parsed) RaiseError(ErrNo::TypeMismatch);
    return *parsed != 0;
}

}  // namespace

std::string clsSettings::SettingsKey() {
    return std::string("Software\\Hollinde\\") + kAppTitle;
}

clsSettings::clsSettings(std::shared_ptr<platform::RegistryApi> registry,
                         std::string applicationFolder, std::string autostartCommand)
    : registry_(std::move(registry)),
      applicationFolder_(std::move(applicationFolder)),
      autostartCommand_(std::move(autostartCommand)) {
    Reload();
}

void clsSettings::SetAutorun(bool value) {
    if (value == autorun_) return;
    autorun_ = value;
    autorunChanged_ = true;
}

RegValue clsSettings::ReadValue(platform::HKEY hive, const std::string& key,
                                const std::string& name, const RegValue& defaultValue) const {
    clsRegistry registry(registry_);
    registry.SetClassKey(hive);
    registry.SetSectionKey(key);
    registry.SetValueKey(name);
    if (!registry.KeyExists()) return defaultValue;
    RegValue value = registry.Value();
    return IsEmptyValue(value) ? defaultValue : value;
}

void clsSettings::WriteValue(platform::HKEY hive, const std::string& key, const std::string& name,
                             const RegValue& value, uint32_t type) {
    clsRegistry registry(registry_);
    registry.SetClassKey(hive);
    registry.SetSectionKey(key);
    registry.SetValueType(type != 0 ? type : REG_SZ);
    registry.SetValueKey(name);
    registry.SetValue(std::holds_alternative<std::monostate>(value) ? RegValue(std::string())
                                                                    : value);
    if (!registry.KeyExists()) registry.CreateKey();
}

// A stored value that cannot be converted falls back to the default, so that
// a hand-edited registry never stops the program from starting.
int32_t clsSettings::ReadInteger(const std::string& name, int32_t defaultValue) {
    try {
        return ToInteger(ReadValue(HKEY_CURRENT_USER, SettingsKey(), name, defaultValue));
    } catch (const QuarnelError& e) {
        loadProblems_.push_back("Error reading setting '" + name + "': " + ErrorText(e));
        return defaultValue;
    }
}

bool clsSettings::ReadBoolean(const std::string& name, bool defaultValue) {
    try {
        return ToBoolean(ReadValue(HKEY_CURRENT_USER, SettingsKey(), name,
                                   RegValue(int32_t{defaultValue ? 1 : 0})));
    } catch (const QuarnelError& e) {
        loadProblems_.push_back("Error reading setting '" + name + "': " + ErrorText(e));
        return defaultValue;
    }
}

std::string clsSettings::ReadText(const std::string& name, const std::string& defaultValue) {
    return RegValueText(ReadValue(HKEY_CURRENT_USER, SettingsKey(), name, defaultValue));
}

void clsSettings::Reload() {
    autorunChanged_ = false;
    loadProblems_.clear();
    std::string problem = registry_->StoreProblem();
    if (!problem.empty()) loadProblems_.push_back("Error opening the settings store: " + problem);

    const std::string folder = applicationFolder_ + platform::PathSeparator();
    quantityPositioning_ = ReadInteger("QuantityPositioning", 1);
    autoSaveBarcodes_ = ReadBoolean("AutoSaveBarcodes", false);
    autoSaveOrders_ = ReadBoolean("AutoSaveOrders", true);
    barcodesFolder_ = ReadText("BarcodesFolder", folder + "Barcodes" + platform::PathSeparator());
    ordersFolder_ = ReadText("OrdersFolder", folder + "Orders" + platform::PathSeparator());
    lastFolder_ = ReadText("LastFolder", "");
    traceEvents_ = ReadBoolean("TraceEvents", true);
    traceFile_ = ReadText("TraceFile", folder + "Trace.log");
    debtor_ = ReadText("Debtor", "");
    user_ = ReadText("User", "");
    password_ = DecodePassword(ReadText(kPasswordValueName, ""));
    storedAutorun_ = ReadBoolean("AutoRun", true);

    autorun_ = AutorunRegistered();
    SetAutorun(storedAutorun_);
}

bool clsSettings::AutorunRegistered() const {
    clsRegistry registry(registry_);
    registry.SetClassKey(HKEY_CURRENT_USER);
    registry.SetSectionKey(kRunKey);
    if (!registry.KeyExists()) return false;
    registry.SetValueKey(kAppTitle);
    return registry.ValueExists();
}

void clsSettings::Save() {
    const std::string key = SettingsKey();
    auto flag = [](bool value) { return RegValue(std::string(value ? "1" : "0")); };
    WriteValue(HKEY_CURRENT_USER, key, "QuantityPositioning", std::to_string(quantityPositioning_));
    WriteValue(HKEY_CURRENT_USER, key, "AutoSaveBarcodes", flag(autoSaveBarcodes_));
    WriteValue(HKEY_CURRENT_USER, key, "AutoSaveOrders", flag(autoSaveOrders_));
    WriteValue(HKEY_CURRENT_USER, key, "BarcodesFolder", barcodesFolder_);
    WriteValue(HKEY_CURRENT_USER, key, "OrdersFolder", ordersFolder_);
    WriteValue(HKEY_CURRENT_USER, key, "LastFolder", lastFolder_);
    WriteValue(HKEY_CURRENT_USER, key, "TraceEvents", flag(traceEvents_));
    WriteValue(HKEY_CURRENT_USER, key, "TraceFile", traceFile_);
    WriteValue(HKEY_CURRENT_USER, key, "Debtor", debtor_);
    WriteValue(HKEY_CURRENT_USER, key, "User", user_);
    WriteValue(HKEY_CURRENT_USER, key, kPasswordValueName, EncodePassword(password_));
    WriteValue(HKEY_CURRENT_USER, key, "AutoRun", flag(autorun_));
    if (autorunChanged_) ApplyAutorun();
}

void clsSettings::ApplyAutorun() {
    const bool registered = AutorunRegistered();
    if (registered == autorun_) return;
    clsRegistry registry(registry_);
    registry.SetClassKey(HKEY_CURRENT_USER);
    registry.SetSectionKey(kRunKey);
    if (!registered && !registry.KeyExists()) registry.CreateKey();
    registry.SetValueKey(kAppTitle);
    if (registered) {
        registry.DeleteValue();
        return;
    }
    registry.SetValueType(REG_SZ);
    registry.SetValue(autostartCommand_);
}

}  // namespace quarnel
