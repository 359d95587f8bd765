// SPDX-License-Identifier: MIT
// The registry seam's contract: the answers the Windows registry API gives.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ContractTest.h"
#include "TestSupport.h"
#include "platform/RegistryApi.h"

namespace quarnel::test {

struct RegistryImplementation {
    std::string name;
    // A registry whose own files, if any, live in folder. It may hold keys
    // of its own; the suite works below HKCU\Software\Hollinde\Contract,
    // which must be missing when the registry is handed over.
    std::function<std::shared_ptr<platform::RegistryApi>(const std::string& folder)> open;
    // A lower-case letter above ASCII and its capital, in the implementation's
    // code page.
    std::string accented;
    std::string accentedCapital;
};

class RegistryContract : public ::testing::TestWithParam<RegistryImplementation> {
  protected:
    TempDir dir_;
    std::shared_ptr<platform::RegistryApi> registry_ = GetParam().open(dir_.Path());
};

}  // namespace quarnel::test
