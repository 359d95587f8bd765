// SPDX-License-Identifier: MIT
// The scanner library through dlopen/dlsym.
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "backends/common/BoundScannerLibrary.h"
#include "base/ErrorInfo.h"

namespace quarnel::platform {
namespace {

// The OPN-2001 library speaking the scanner's serial protocol, looked for
// in the program's private library folder beside its bin folder, then where
// it was installed, then in the build tree, then on the library path.
constexpr const char* kDefaultLibrary = "libcsp2-opn2001.so";

std::string DefaultLibrary() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::vector<std::filesystem::path> candidates;
    if (!ec)
        candidates.push_back(exe.parent_path().parent_path() / QUARNEL_PRIVATE_LIBDIR /
                             kDefaultLibrary);
    candidates.emplace_back(QUARNEL_INSTALLED_CSP2_LIBRARY);
    candidates.emplace_back(QUARNEL_BUILT_CSP2_LIBRARY);
    for (const auto& path : candidates)
        if (std::filesystem::is_regular_file(path, ec)) return path.string();
    return kDefaultLibrary;
}

// The library at path_, or where DefaultPath says, opened with dlopen.
class DlSymbolSource final : public SymbolSource {
  public:
    explicit DlSymbolSource(std::optional<std::string> path) : path_(std::move(path)) {}
    ~DlSymbolSource() override {
        if (handle_ != nullptr) dlclose(handle_);
    }
    DlSymbolSource(const DlSymbolSource&) = delete;
    DlSymbolSource& operator=(const DlSymbolSource&) = delete;

    void* Symbol(const char* name) override { return dlsym(Handle(), name); }

  private:
    void* Handle() {
        if (handle_ == nullptr) {
            std::string path = path_ ? *path_ : DefaultPath();
            handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle_ == nullptr) RaiseError(kErrDllLoad, "Error in loading DLL");
        }
        return handle_;
    }

    static std::string DefaultPath() {
        const char* configured = std::getenv("QUARNEL_CSP2_LIBRARY");
        return configured != nullptr && *configured != '\0' ? configured : DefaultLibrary();
    }

    std::optional<std::string> path_;
    void* handle_ = nullptr;
};

}  // namespace

std::shared_ptr<ScannerLibrary> SystemScannerLibrary() {
    return BindScannerLibrary(std::make_unique<DlSymbolSource>(std::nullopt));
}

std::shared_ptr<ScannerLibrary> LoadScannerLibrary(std::string path) {
    return BindScannerLibrary(std::make_unique<DlSymbolSource>(std::move(path)));
}

}  // namespace quarnel::platform
