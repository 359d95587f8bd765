// SPDX-License-Identifier: MIT
// The scanner library contract of the system: the virtual scanner library
// bound through the system's loader.
#include "FileStamp.h"
#include "ScannerContract.h"
#include "ScannerFile.h"
#include "TestSupport.h"

namespace quarnel::test {
namespace {

// Scanner files in a private folder of virtual ports.
class VirtualDriver final : public ScannerDriver {
  public:
    void Plug(int32_t comPort, const ScannerContents& contents) override {
        vscan::ScannerFile file;
        file.identity = contents.identity;
        file.software = contents.software;
        file.status = contents.batteryLow ? vscan::kBatteryLow : 0;
        for (const auto& [codeId, text] : contents.barcodes)
            file.records.push_back(vscan::Barcode{{2024, 2, 28, 12, 0, 0}, codeId, text});
        const std::string port = "COM" + std::to_string(comPort);
        std::string error;
        ASSERT_TRUE(vscan::SaveScannerFile(vscan::PortFile(dir_.Path(), port), file, port, error))
            << error;
    }
    std::shared_ptr<platform::ScannerLibrary> Library() override {
        return platform::LoadScannerLibrary(QUARNEL_VIRTUAL_LIBRARY);
    }

  private:
    TempDir dir_;
    ScopedEnv folder_{"QUARNEL_VIRTUAL_PORTS", dir_.Path()};
};

#ifdef _WIN32
QUARNEL_CONTRACT_INSTANCES(Win32, ScannerContract,
                           Instance<ScannerImplementation, VirtualDriver>("Virtual"));
#else
QUARNEL_CONTRACT_INSTANCES(Linux, ScannerContract,
                           Instance<ScannerImplementation, VirtualDriver>("Virtual"));
#endif

}  // namespace
}  // namespace quarnel::test
