// SPDX-License-Identifier: MIT
// A scanner library whose functions are bound by name, each on its first
// call, so that a missing library or function fails only the call that
// needs it. The system's loader is behind SymbolSource.
#pragma once

#include <memory>

#include "platform/ScannerLibrary.h"

namespace quarnel::platform {

class SymbolSource {
  public:
    virtual ~SymbolSource() = default;
    // The address of the named function, or null when the library lacks it.
    // Raises error 48 when the library cannot be loaded; a later call tries
    // again, so that a library installed meanwhile is found.
    virtual void* Symbol(const char* name) = 0;
};

std::shared_ptr<ScannerLibrary> BindScannerLibrary(std::unique_ptr<SymbolSource> source);

}  // namespace quarnel::platform
