// SPDX-License-Identifier: MIT
// Binds the scanner library's functions with LoadLibraryA/GetProcAddress,
// each on its first call, so that a missing library or function fails only
// the call that needs it.
#include <array>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/ErrorInfo.h"
#include "platform/Csp2Api.h"
#include "platform/ScannerLibrary.h"
#include "platform/Windows.h"

namespace quarnel::platform {
namespace {

// The OPN-2001 library speaking the scanner's serial protocol, installed
// beside the program.
constexpr const char* kDefaultLibrary = "csp2-opn2001.dll";

std::string DefaultLibrary() {
    std::string exe(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (length == 0) return kDefaultLibrary;
        if (length < exe.size()) {
            exe.resize(length);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const size_t slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? kDefaultLibrary
                                      : exe.substr(0, slash + 1) + kDefaultLibrary;
}

enum Slot {
    InitEx,
    Restore,
    DataAvailable,
    ReadData,
    GetPacket,
    GetCodeType,
    ClearData,
    Interrogate,
    GetProtocol,
    GetSystemStatus,
    GetSwVersion,
    GetDeviceId,
    GetDllVersion,
    SetDefaults,
    GetParam,
    SetParam,
    GetTime,
    SetTime,
    SlotCount
};

class Win32ScannerLibrary final : public ScannerLibrary {
  public:
    explicit Win32ScannerLibrary(std::optional<std::string> path) : path_(std::move(path)) {}
    ~Win32ScannerLibrary() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Win32ScannerLibrary(const Win32ScannerLibrary&) = delete;
    Win32ScannerLibrary& operator=(const Win32ScannerLibrary&) = delete;

    int32_t csp2InitEx(int32_t comPort) override {
        return Bind<decltype(&::csp2InitEx)>(InitEx, "csp2InitEx")(comPort);
    }
    int32_t csp2Restore() override {
        return Bind<decltype(&::csp2Restore)>(Restore, "csp2Restore")();
    }
    int32_t csp2DataAvailable() override {
        return Bind<decltype(&::csp2DataAvailable)>(DataAvailable, "csp2DataAvailable")();
    }
    int32_t csp2ReadData() override {
        return Bind<decltype(&::csp2ReadData)>(ReadData, "csp2ReadData")();
    }
    int32_t csp2GetPacket(uint8_t* packet, int32_t index, int32_t capacity) override {
        return Bind<decltype(&::csp2GetPacket)>(GetPacket, "csp2GetPacket")(packet, index,
                                                                            capacity);
    }
    int32_t csp2GetCodeType(int32_t codeId, uint8_t* name, int32_t capacity) override {
        return Bind<decltype(&::csp2GetCodeType)>(GetCodeType, "csp2GetCodeType")(codeId, name,
                                                                                  capacity);
    }
    int32_t csp2ClearData() override {
        return Bind<decltype(&::csp2ClearData)>(ClearData, "csp2ClearData")();
    }
    int32_t csp2Interrogate() override {
        return Bind<decltype(&::csp2Interrogate)>(Interrogate, "csp2Interrogate")();
    }
    int32_t csp2GetProtocol() override {
        return Bind<decltype(&::csp2GetProtocol)>(GetProtocol, "csp2GetProtocol")();
    }
    int32_t csp2GetSystemStatus() override {
        return Bind<decltype(&::csp2GetSystemStatus)>(GetSystemStatus, "csp2GetSystemStatus")();
    }
    int32_t csp2GetSwVersion(uint8_t* version, int32_t capacity) override {
        return Bind<decltype(&::csp2GetSwVersion)>(GetSwVersion, "csp2GetSwVersion")(version,
                                                                                     capacity);
    }
    int32_t csp2GetDeviceId(uint8_t* id, int32_t capacity) override {
        return Bind<decltype(&::csp2GetDeviceId)>(GetDeviceId, "csp2GetDeviceId")(id, capacity);
    }
    int32_t csp2GetDllVersion(uint8_t* version, int32_t capacity) override {
        return Bind<decltype(&::csp2GetDllVersion)>(GetDllVersion, "csp2GetDllVersion")(version,
                                                                                        capacity);
    }
    int32_t csp2SetDefaults() override {
        return Bind<decltype(&::csp2SetDefaults)>(SetDefaults, "csp2SetDefaults")();
    }
    int32_t csp2GetParam(int32_t paramId, uint8_t* value, int32_t capacity) override {
        return Bind<decltype(&::csp2GetParam)>(GetParam, "csp2GetParam")(paramId, value, capacity);
    }
    int32_t csp2SetParam(int32_t paramId, uint8_t* value, int32_t length) override {
        return Bind<decltype(&::csp2SetParam)>(SetParam, "csp2SetParam")(paramId, value, length);
    }
    int32_t csp2GetTime(uint8_t* clock) override {
        return Bind<decltype(&::csp2GetTime)>(GetTime, "csp2GetTime")(clock);
    }
    int32_t csp2SetTime(uint8_t* clock) override {
        return Bind<decltype(&::csp2SetTime)>(SetTime, "csp2SetTime")(clock);
    }

  private:
    template <typename Fn>
    Fn Bind(Slot slot, const char* name) {
        if (functions_[slot] == nullptr) {
            FARPROC symbol = GetProcAddress(Module(), name);
            if (symbol == nullptr)
                RaiseError(kErrDllEntryPoint, std::string("Can't find DLL entry point ") + name);
            functions_[slot] = symbol;
        }
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(functions_[slot]));
    }

    // Loads the library at the first call; a failed load is tried again at
    // the next call, so a library installed later is found. No system
    // message box appears for a library that cannot be loaded.
    HMODULE Module() {
        if (module_ == nullptr) {
            const std::string path = path_ ? *path_ : DefaultPath();
            DWORD previous = 0;
            const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous) != 0;
            module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            if (quiet) SetThreadErrorMode(previous, nullptr);
            if (module_ == nullptr) RaiseError(kErrDllLoad, "Error in loading DLL");
        }
        return module_;
    }

    static std::string DefaultPath() {
        const char* configured = std::getenv("QUARNEL_CSP2_LIBRARY");
        return configured != nullptr && *configured != '\0' ? configured : DefaultLibrary();
    }

    std::optional<std::string> path_;
    HMODULE module_ = nullptr;
    std::array<FARPROC, SlotCount> functions_{};
};

}  // namespace

std::shared_ptr<ScannerLibrary> SystemScannerLibrary() {
    return std::make_shared<Win32ScannerLibrary>(std::nullopt);
}

std::shared_ptr<ScannerLibrary> LoadScannerLibrary(std::string path) {
    return std::make_shared<Win32ScannerLibrary>(std::move(path));
}

}  // namespace quarnel::platform
