// SPDX-License-Identifier: MIT
// The scanner communication library, one method per library function. The
// functions are bound on first use: a library that cannot be loaded raises
// error 48, a function it lacks error 453.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quarnel::platform {

inline constexpr int32_t kErrDllLoad = 48;
inline constexpr int32_t kErrDllEntryPoint = 453;

class ScannerLibrary {
  public:
    virtual ~ScannerLibrary() = default;

    virtual int32_t csp2InitEx(int32_t comPort) = 0;
    virtual int32_t csp2Restore() = 0;
    virtual int32_t csp2DataAvailable() = 0;
    virtual int32_t csp2ReadData() = 0;
    virtual int32_t csp2GetPacket(uint8_t* packet, int32_t index, int32_t capacity) = 0;
    virtual int32_t csp2GetCodeType(int32_t codeId, uint8_t* name, int32_t capacity) = 0;
    virtual int32_t csp2ClearData() = 0;
    virtual int32_t csp2Interrogate() = 0;
    virtual int32_t csp2GetProtocol() = 0;
    virtual int32_t csp2GetSystemStatus() = 0;
    virtual int32_t csp2GetSwVersion(uint8_t* version, int32_t capacity) = 0;
    virtual int32_t csp2GetDeviceId(uint8_t* id, int32_t capacity) = 0;
    virtual int32_t csp2GetDllVersion(uint8_t* version, int32_t capacity) = 0;
    virtual int32_t csp2SetDefaults() = 0;
    virtual int32_t csp2GetParam(int32_t paramId, uint8_t* value, int32_t capacity) = 0;
    virtual int32_t csp2SetParam(int32_t paramId, uint8_t* value, int32_t length) = 0;
    virtual int32_t csp2GetTime(uint8_t* clock) = 0;
    virtual int32_t csp2SetTime(uint8_t* clock) = 0;
};

// The library named by QUARNEL_CSP2_LIBRARY, else the platform's own
// (on Linux the OPN-2001 serial library libcsp2-opn2001.so). The name is
// read, and the library loaded, at the first call.
std::shared_ptr<ScannerLibrary> SystemScannerLibrary();

// The library at an explicit path or name, bound the same way.
std::shared_ptr<ScannerLibrary> LoadScannerLibrary(std::string path);

}  // namespace quarnel::platform
