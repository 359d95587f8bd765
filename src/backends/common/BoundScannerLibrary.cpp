// SPDX-License-Identifier: MIT
#include "backends/common/BoundScannerLibrary.h"

#include <array>
#include <string>

#include "base/ErrorInfo.h"
#include "platform/Csp2Api.h"

namespace quarnel::platform {
namespace {

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

class BoundScannerLibrary final : public ScannerLibrary {
  public:
    explicit BoundScannerLibrary(std::unique_ptr<SymbolSource> source)
        : source_(std::move(source)) {}

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
            void* symbol = source_->Symbol(name);
            if (symbol == nullptr)
                RaiseError(kErrDllEntryPoint, std::string("Can't find DLL entry point ") + name);
            functions_[slot] = symbol;
        }
        return reinterpret_cast<Fn>(functions_[slot]);
    }

    std::unique_ptr<SymbolSource> source_;
    std::array<void*, SlotCount> functions_{};
};

}  // namespace

std::shared_ptr<ScannerLibrary> BindScannerLibrary(std::unique_ptr<SymbolSource> source) {
    return std::make_shared<BoundScannerLibrary>(std::move(source));
}

}  // namespace quarnel::platform
