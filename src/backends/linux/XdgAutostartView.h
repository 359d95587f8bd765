// SPDX-License-Identifier: MIT
// The registry key HKCU\Software\Microsoft\Windows\CurrentVersion\Run as a
// live view of the XDG autostart folder: each value is the desktop entry
// "<value name>.desktop", its data the program the entry starts. An entry
// the desktop has switched off counts as absent.
#pragma once

#include <optional>
#include <string>

#include "backends/linux/KeyValues.h"
#include "backends/linux/PosixAtomicFile.h"

namespace quarnel::platform {

class AutostartView final : public KeyValues {
  public:
    // beforeReplace runs inside every entry's write, before the rename.
    explicit AutostartView(std::string folder, BeforeReplace beforeReplace = {});

    // Reads as REG_SZ.
    int32_t Get(const std::string& name, StoredValue* value) override;
    // Takes REG_SZ and REG_EXPAND_SZ data, written as it is, as an entry
    // that is switched on.
    int32_t Set(const std::string& name, const StoredValue& value) override;
    int32_t Delete(const std::string& name) override;
    // Entries sorted by file name, the switched-off ones left out.
    int32_t Names(std::vector<std::string>* names) override;

  private:
    struct Entry {
        std::string name;
        std::string file;  // full path
        bool disabled = false;
    };
    // Every entry whose file name a value name can stand for.
    std::vector<Entry> Entries() const;
    std::optional<Entry> Find(const std::string& name, bool includeDisabled) const;
    int32_t Write(const std::string& file, const std::string& content) const;

    std::string folder_;
    BeforeReplace beforeReplace_;
};

}  // namespace quarnel::platform
