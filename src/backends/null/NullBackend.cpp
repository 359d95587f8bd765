// SPDX-License-Identifier: MIT
// A backend for systems that have none yet: it builds anywhere. Files, the
// language and environment strings work through the standard library; every
// other seam reports that the service is not available, the way the real ones
// report a failure.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/ErrorInfo.h"
#include "platform/DeviceNotifications.h"
#include "platform/HttpApi.h"
#include "platform/Paths.h"
#include "platform/RegistryApi.h"
#include "platform/ScannerLibrary.h"
#include "platform/SerialPortTable.h"
#include "platform/UrlOpener.h"

namespace quarnel::platform {
namespace {

// Every call is refused; reads find nothing, writes are denied.
class NullRegistry final : public RegistryApi {
  public:
    int32_t RegOpenKeyExA(HKEY, const std::string&, uint32_t, uint32_t, HKEY*) override {
        return ERROR_FILE_NOT_FOUND;
    }
    int32_t RegCreateKeyExA(HKEY, const std::string&, const std::string&, uint32_t, uint32_t, HKEY*,
                            uint32_t*) override {
        return ERROR_ACCESS_DENIED;
    }
    int32_t RegQueryValueExA(HKEY, const std::string&, uint32_t*, uint8_t*, uint32_t*) override {
        return ERROR_INVALID_HANDLE;
    }
    int32_t RegSetValueExA(HKEY, const std::string&, uint32_t, const uint8_t*, uint32_t) override {
        return ERROR_INVALID_HANDLE;
    }
    int32_t RegDeleteValueA(HKEY, const std::string&) override { return ERROR_INVALID_HANDLE; }
    int32_t RegEnumValueA(HKEY, uint32_t, char*, uint32_t*) override {
        return ERROR_INVALID_HANDLE;
    }
    int32_t RegQueryInfoKeyA(HKEY, uint32_t*) override { return ERROR_INVALID_HANDLE; }
    int32_t RegCloseKey(HKEY) override { return ERROR_INVALID_HANDLE; }
};

// Opens no handle, so every request fails at once.
class NullHttp final : public HttpApi {
  public:
    HINTERNET InternetOpenA(const std::string&, uint32_t, const std::string&, const std::string&,
                            uint32_t) override {
        return 0;
    }
    HINTERNET InternetConnectA(HINTERNET, const std::string&, uint16_t, const std::string&,
                               const std::string&, uint32_t, uint32_t, uintptr_t) override {
        return 0;
    }
    HINTERNET HttpOpenRequestA(HINTERNET, const std::string&, const std::string&,
                               const std::string&, const std::string&, uint32_t,
                               uintptr_t) override {
        return 0;
    }
    bool HttpSendRequestA(HINTERNET, std::string_view, std::string_view) override { return false; }
    bool InternetReadFile(HINTERNET, void*, uint32_t, uint32_t* bytesRead) override {
        if (bytesRead != nullptr) *bytesRead = 0;
        return false;
    }
    bool InternetCloseHandle(HINTERNET) override { return false; }
};

class NullUrlOpener final : public UrlOpener {
  public:
    int32_t ShellExecuteA(const std::string&, const std::string&, const std::string&,
                          const std::string&, int32_t) override {
        return SE_ERR_FNF;
    }
};

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

// Never readable: no port ever arrives or leaves.
class NullDeviceNotifications final : public DeviceNotificationSource {
  public:
    int FileDescriptor() const override { return -1; }
    void Dispatch() override {}
};

}  // namespace

PathStyle NativePathStyle() {
#ifdef _WIN32
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

char PathSeparator() {
    return NativePathStyle() == PathStyle::Windows ? '\\' : '/';
}

std::string ApplicationFolder() {
    return {};
}

bool EnsureApplicationFolder() {
    return false;
}

std::string ExecutablePath() {
    return {};
}

// %NAME% references to the environment; an unknown or empty name stays as
// written with both its percent signs, and a lone "%" stays as it is.
uint32_t ExpandEnvironmentStringsA(const char* src, char* dst, uint32_t size) {
    const std::string_view text = src != nullptr ? src : "";
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        const size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out += text.substr(i);
            break;
        }
        out += text.substr(i, open - i);
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        out += value != nullptr ? std::string_view(value) : text.substr(open, close - open + 1);
        i = close + 1;
    }
    const size_t needed = out.size() + 1;
    if (dst != nullptr && needed <= size) std::memcpy(dst, out.c_str(), needed);
    return static_cast<uint32_t>(needed);
}

std::shared_ptr<RegistryApi> OpenUserRegistry(std::shared_ptr<SerialPortTable>) {
    return std::make_shared<NullRegistry>();
}

std::shared_ptr<HttpApi> SystemHttpApi(HttpTimeouts) {
    return std::make_shared<NullHttp>();
}

// Without a parser no text is taken for a URL.
bool IsWellFormedUrl(const std::string&) {
    return false;
}

std::shared_ptr<UrlOpener> SystemUrlOpener(std::chrono::milliseconds) {
    return std::make_shared<NullUrlOpener>();
}

std::shared_ptr<ScannerLibrary> SystemScannerLibrary() {
    return std::make_shared<NullScannerLibrary>();
}

std::shared_ptr<ScannerLibrary> LoadScannerLibrary(std::string) {
    return std::make_shared<NullScannerLibrary>();
}

std::shared_ptr<SerialPortTable> SystemSerialPortTable() {
    return EmptySerialPortTable();
}

std::unique_ptr<DeviceNotificationSource> OpenDeviceNotifications(HiddenWindow&) {
    return std::make_unique<NullDeviceNotifications>();
}

}  // namespace quarnel::platform
