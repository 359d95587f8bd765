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

std::string FlagText(bool value) {
    return value ? "1" : "0";
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

std::optional<RegValue> clsSettings::ReadValue(platform::HKEY hive, const std::string& key,
                                               const std::string& name) const {
    clsRegistry registry(registry_);
    registry.SetClassKey(hive);
    registry.SetSectionKey(key);
    registry.SetValueKey(name);
    if (!registry.KeyExists()) return std::nullopt;
    RegValue value = registry.Value();
    if (IsEmptyValue(value)) return std::nullopt;
    return value;
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
// a hand-edited registry never stops the program from starting; the next
// Save replaces it.
int32_t clsSettings::ReadInteger(const std::string& name, int32_t defaultValue) {
    const std::optional<RegValue> stored = ReadValue(HKEY_CURRENT_USER, SettingsKey(), name);
    if (!stored) return defaultValue;
    try {
        const int32_t value = ToInteger(*stored);
        storedTexts_[name] = std::to_string(value);
        return value;
    } catch (const QuarnelError& e) {
        loadProblems_.push_back("Error reading setting '" + name + "': " + ErrorText(e));
        return defaultValue;
    }
}

bool clsSettings::ReadBoolean(const std::string& name, bool defaultValue) {
    const std::optional<RegValue> stored = ReadValue(HKEY_CURRENT_USER, SettingsKey(), name);
    if (!stored) return defaultValue;
    try {
        const bool value = ToBoolean(*stored);
        storedTexts_[name] = FlagText(value);
        return value;
    } catch (const QuarnelError& e) {
        loadProblems_.push_back("Error reading setting '" + name + "': " + ErrorText(e));
        return defaultValue;
    }
}

std::string clsSettings::ReadText(const std::string& name, const std::string& defaultValue) {
    const std::optional<RegValue> stored = ReadValue(HKEY_CURRENT_USER, SettingsKey(), name);
    if (!stored) return defaultValue;
    return storedTexts_[name] = RegValueText(*stored);
}

void clsSettings::Reload() {
    autorunChanged_ = false;
    loadProblems_.clear();
    storedTexts_.clear();
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
    const std::pair<const char*, std::string> values[] = {
        {"QuantityPositioning", std::to_string(quantityPositioning_)},
        {"AutoSaveBarcodes", FlagText(autoSaveBarcodes_)},
        {"AutoSaveOrders", FlagText(autoSaveOrders_)},
        {"BarcodesFolder", barcodesFolder_},
        {"OrdersFolder", ordersFolder_},
        {"LastFolder", lastFolder_},
        {"TraceEvents", FlagText(traceEvents_)},
        {"TraceFile", traceFile_},
        {"Debtor", debtor_},
        {"User", user_},
        {kPasswordValueName, EncodePassword(password_)},
        {"AutoRun", FlagText(autorun_)}};
    for (const auto& [name, text] : values) {
        const auto stored = storedTexts_.find(name);
        if (stored != storedTexts_.end() && stored->second == text) continue;
        WriteValue(HKEY_CURRENT_USER, key, name, text);
        storedTexts_[name] = text;
    }
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
