// SPDX-License-Identifier: MIT
// No scanner library can be loaded: every function raises error 48.
#include "base/ErrorInfo.h"
#include "platform/ScannerLibrary.h"

namespace quarnel::platform {
namespace {

// A library that cannot be loaded: every function raises error 48.
class NullScannerLibrary final : public ScannerLibrary {
  public:
    int32_t csp2InitEx(int32_t) override { Fail(); }
    int32_t csp2Restore() override { Fail(); }
    int32_t csp2DataAvailable() override { Fail(); }
    int32_t csp2ReadData() override { Fail(); }
    int32_t csp2GetPacket(uint8_t*, int32_t, int32_t) override { Fail(); }
    int32_t csp2GetCodeType(int32_t, uint8_t*, int32_t) override { Fail(); }
    int32_t csp2ClearData() override { Fail(); }
    int32_t csp2Interrogate() override { Fail(); }
    int32_t csp2GetProtocol() override { Fail(); }
    int32_t csp2GetSystemStatus() override { Fail(); }
    int32_t csp2GetSwVersion(uint8_t*, int32_t) override { Fail(); }
    int32_t csp2GetDeviceId(uint8_t*, int32_t) override { Fail(); }
    int32_t csp2GetDllVersion(uint8_t*, int32_t) override { Fail(); }
    int32_t csp2SetDefaults() override { Fail(); }
    int32_t csp2GetParam(int32_t, uint8_t*, int32_t) override { Fail(); }
    int32_t csp2SetParam(int32_t, uint8_t*, int32_t) override { Fail(); }
    int32_t csp2GetTime(uint8_t*) override { Fail(); }
    int32_t csp2SetTime(uint8_t*) override { Fail(); }

  private:
    [[noreturn]] static void Fail() { RaiseError(kErrDllLoad, "Error in loading DLL"); }
};

}  // namespace

std::shared_ptr<ScannerLibrary> SystemScannerLibrary() {
    return std::make_shared<NullScannerLibrary>();
}

std::shared_ptr<ScannerLibrary> LoadScannerLibrary(std::string) {
    return std::make_shared<NullScannerLibrary>();
}

}  // namespace quarnel::platform
