// SPDX-License-Identifier: MIT
// The scanner library's contract: every function of the C interface is
// there and answers as the interface documents.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ContractTest.h"
#include "platform/ScannerLibrary.h"

namespace quarnel::test {

struct StoredBarcode {
    int32_t codeId;
    std::string text;
};

// What a scanner holds when it is plugged in.
struct ScannerContents {
    std::array<uint8_t, 8> identity{};
    std::string software;
    bool batteryLow = false;
    std::vector<StoredBarcode> barcodes;
};

// Plugs scanners in where the implementation's library finds them.
class ScannerDriver {
  public:
    virtual ~ScannerDriver() = default;
    virtual void Plug(int32_t comPort, const ScannerContents& contents) = 0;
    virtual std::shared_ptr<platform::ScannerLibrary> Library() = 0;
};

struct ScannerImplementation {
    std::string name;
    std::function<std::unique_ptr<ScannerDriver>()> make;
};

class ScannerContract : public ::testing::TestWithParam<ScannerImplementation> {
  protected:
    std::unique_ptr<ScannerDriver> driver_ = GetParam().make();
};

}  // namespace quarnel::test
