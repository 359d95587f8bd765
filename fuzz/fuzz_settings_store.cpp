// SPDX-License-Identifier: MIT
// Stored registry values converted into settings. The input has one line
// per stored value (the settings in the order below, then the autostart
// value); an empty or missing line leaves the value out. A line is the
// value's type as a digit ('1' text, '2' expandable text, '4' number, any
// other byte an odd type), then a drift byte ('=' for none) by which the
// store's first size answer differs from the data it then hands out, as
// when the value changes in between, then the data bytes.
// Whatever loads must survive a Save unchanged (texts holding a NUL aside). The environment is
// emptied first, so that no "%NAME%" in a value expands differently once saved.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

#include "FuzzCheck.h"
#include "MemoryRegistry.h"
#include "settings/clsSettings.h"

using namespace quarnel;

namespace {

constexpr const char* kNames[] = {"QuantityPositioning",
                                  "AutoSaveBarcodes",
                                  "AutoSaveOrders",
                                  "BarcodesFolder",
                                  "OrdersFolder",
                                  "LastFolder",
                                  "TraceEvents",
                                  "TraceFile",
                                  "Debtor",
                                  "User",
                                  "Zq8#Lm2!",
                                  "AutoRun"};

// A store whose first answer about a value's size may be off by a few bytes.
class DriftingRegistry : public fuzz::MemoryRegistry {
  public:
    void SetDrift(const std::string& name, int drift) { drift_[name] = drift; }
    void ClearDrift() { drift_.clear(); }

    int32_t RegQueryValueExA(platform::HKEY key, const std::string& valueName, uint32_t* type,
                             uint8_t* data, uint32_t* dataSize) override {
        const int32_t status =
            MemoryRegistry::RegQueryValueExA(key, valueName, type, data, dataSize);
        auto drift = drift_.find(valueName);
        if (data == nullptr && status == platform::ERROR_SUCCESS && dataSize != nullptr &&
            drift != drift_.end()) {
            *dataSize =
                static_cast<uint32_t>(std::max<int64_t>(0, int64_t{*dataSize} + drift->second));
        }
        return status;
    }

  private:
    std::map<std::string, int> drift_;
};

auto State(const clsSettings& s) {
    return std::make_tuple(s.QuantityPositioning(), s.AutoSaveBarcodes(), s.AutoSaveOrders(),
                           s.BarcodesFolder(), s.OrdersFolder(), s.LastFolder(), s.TraceEvents(),
                           s.TraceFile(), s.Debtor(), s.User(), s.Password(), s.Autorun());
}

// A text holding a NUL cannot come back whole: expanding a saved text ends
// it at the NUL, as everywhere the text is used.
bool HoldsNul(const clsSettings& s) {
    for (const std::string* text : {&s.BarcodesFolder(), &s.OrdersFolder(), &s.LastFolder(),
                                    &s.Debtor(), &s.User(), &s.Password()}) {
        if (text->find('\0') != std::string::npos) return true;
    }
    return s.TraceFile().find('\0') != std::string::npos;
}

void Store(DriftingRegistry& registry, platform::HKEY hive, const std::string& key,
           const std::string& name, std::string_view line) {
    if (line.empty()) return;
    const auto type = static_cast<uint32_t>(static_cast<uint8_t>(line[0]) - uint8_t{'0'});
    std::string_view bytes = line.substr(1);
    if (!bytes.empty()) {
        if (bytes[0] != '=') registry.SetDrift(name, static_cast<uint8_t>(bytes[0]) % 9 - 4);
        bytes.remove_prefix(1);
    }
    registry.At(hive, key).push_back(
        {name, type, std::vector<uint8_t>(bytes.begin(), bytes.end())});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    clearenv();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto registry = std::make_shared<DriftingRegistry>();
    const std::string settingsKey = clsSettings::SettingsKey();
    for (size_t n = 0; n <= std::size(kNames) && !input.empty(); ++n) {
        const size_t end = std::min(input.find('\n'), input.size());
        const std::string_view line = input.substr(0, end);
        input.remove_prefix(std::min(end + 1, input.size()));
        if (n < std::size(kNames)) {
            Store(*registry, platform::HKEY_CURRENT_USER, settingsKey, kNames[n], line);
        } else {
            Store(*registry, platform::HKEY_CURRENT_USER, clsSettings::kRunKey, "Quarnel", line);
        }
    }

    clsSettings loaded(registry, "/opt/quarnel", "/opt/quarnel/quarnel");
    registry->ClearDrift();
    loaded.Save();
    const clsSettings saved(registry, "/opt/quarnel", "/opt/quarnel/quarnel");
    FUZZ_CHECK(saved.LoadProblems().empty());
    FUZZ_CHECK(!saved.AutorunChanged());
    if (!HoldsNul(loaded)) FUZZ_CHECK(State(saved) == State(loaded));
    return 0;
}
