// SPDX-License-Identifier: MIT
// The one settings object of the running program, shared by every floor above.
#pragma once

#include <memory>

#include "settings/clsSettings.h"

namespace quarnel {

// The shared settings object; null before start-up and after exit.
std::shared_ptr<clsSettings> Settings();

// Installs the shared settings object (start-up) or drops it (nullptr, exit).
void SetSettings(std::shared_ptr<clsSettings> settings);

}  // namespace quarnel
