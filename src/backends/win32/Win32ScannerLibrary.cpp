// SPDX-License-Identifier: MIT
// The scanner library through LoadLibraryExA/GetProcAddress.
#include <cstdlib>
#include <optional>
#include <string>

#include "backends/common/BoundScannerLibrary.h"
#include "base/ErrorInfo.h"
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

// The library at path_, or beside the program, loaded with LoadLibraryExA.
class Win32SymbolSource final : public SymbolSource {
  public:
    explicit Win32SymbolSource(std::optional<std::string> path) : path_(std::move(path)) {}
    ~Win32SymbolSource() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Win32SymbolSource(const Win32SymbolSource&) = delete;
    Win32SymbolSource& operator=(const Win32SymbolSource&) = delete;

    void* Symbol(const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(Module(), name));
    }

  private:
    // No system message box appears for a library that cannot be loaded.
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
};

}  // namespace

std::shared_ptr<ScannerLibrary> SystemScannerLibrary() {
    return BindScannerLibrary(std::make_unique<Win32SymbolSource>(std::nullopt));
}

std::shared_ptr<ScannerLibrary> LoadScannerLibrary(std::string path) {
    return BindScannerLibrary(std::make_unique<Win32SymbolSource>(std::move(path)));
}

}  // namespace quarnel::platform
