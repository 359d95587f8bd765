// SPDX-License-Identifier: MIT
// Hidden windows as message-only Win32 windows. The system calls one native
// procedure for all of them, which hands each message to the window's current
// procedure, the one SetWindowLongA with GWL_WNDPROC installed last. Device
// changes sent by other processes are checked on the way in: the program's
// procedures read port records by address and must never read past one.
#include "platform/HiddenWindow.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "backends/win32/Win32Windows.h"
#include "base/ErrorInfo.h"

namespace quarnel::platform {
namespace {

using win32::InterfaceChange;
using win32::OtherDevice;
using win32::Unreadable;

LRESULT CALLBACK NativeProcedure(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam);

HINSTANCE ThisModule() {
    return ::GetModuleHandleA(nullptr);
}

bool RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = NativeProcedure;
        windowClass.hInstance = ThisModule();
        windowClass.lpszClassName = win32::kHiddenWindowClass;
        return ::RegisterClassExA(&windowClass) != 0 ||
               ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

class Win32Window;

// The live windows by handle, for WindowFromHandle.
std::mutex& LiveMutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<HWND, Win32Window*>& LiveWindows() {
    static std::map<HWND, Win32Window*> windows;
    return windows;
}

class Win32Window final : public HiddenWindow {
  public:
    Win32Window(std::string name, WNDPROC procedure)
        : name_(std::move(name)), procedure_(std::move(procedure)) {
        if (!RegisterWindowClass()) RaiseError(ErrNo::OutOfMemory);
        native_ = ::CreateWindowExA(0, win32::kHiddenWindowClass, name_.c_str(), 0, 0, 0, 0, 0,
                                    win32::MessageOnlyParent(), nullptr, ThisModule(), nullptr);
        if (native_ == nullptr) RaiseError(ErrNo::OutOfMemory);
        ::SetWindowLongPtrA(native_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        std::lock_guard lock(LiveMutex());
        LiveWindows()[Handle()] = this;
    }
    ~Win32Window() override {
        {
            std::lock_guard lock(LiveMutex());
            LiveWindows().erase(Handle());
        }
        // Messages that still come while the window goes reach no procedure.
        ::SetWindowLongPtrA(native_, GWLP_USERDATA, 0);
        ::DestroyWindow(native_);
    }
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND Handle() const override { return win32::SeamHandle(native_); }
    const std::string& Name() const override { return name_; }

    WNDPROC SetWindowLongA(int32_t index, WNDPROC procedure) override {
        if (index != GWL_WNDPROC || !procedure) RaiseError(ErrNo::InvalidProcedureCall);
        WNDPROC previous = std::move(procedure_);
        procedure_ = std::move(procedure);
        return previous;
    }

    LRESULT SendMessageA(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        // A copy, so that the procedure may replace itself while it runs.
        WNDPROC current = procedure_;
        return CallWindowProcA(current, Handle(), uMsg, wParam, lParam);
    }

    void SetInterfaceHandler(win32::InterfaceHandler handler) {
        interfaceHandler_ = std::move(handler);
    }

    // A message the system delivered to the native window.
    LRESULT Receive(UINT uMsg, WPARAM wParam, LPARAM lParam) {
        if (uMsg != WM_DEVICECHANGE ||
            (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE))
            return SendMessageA(uMsg, wParam, lParam);
        auto record = win32::ReadDeviceChange(reinterpret_cast<const void*>(lParam));
        if (auto* port = std::get_if<PortNotification>(&record)) {
            return SendMessageA(uMsg, wParam, reinterpret_cast<LPARAM>(port->data()));
        }
        if (std::holds_alternative<OtherDevice>(record)) return SendMessageA(uMsg, wParam, lParam);
        if (auto* change = std::get_if<InterfaceChange>(&record)) {
            // A copy: the handler may remove itself.
            if (win32::InterfaceHandler handler = interfaceHandler_) handler(wParam, *change);
        }
        return TRUE;
    }

  private:
    std::string name_;
    WNDPROC procedure_;
    win32::InterfaceHandler interfaceHandler_;
    ::HWND native_ = nullptr;
};

LRESULT CALLBACK NativeProcedure(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
    auto* window = reinterpret_cast<Win32Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Creation's own messages come before the window is known.
    if (window == nullptr) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        return window->Receive(msg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's message dispatch.
        return 0;
    }
}

uint32_t Read32(const uint8_t* bytes) {
    uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The characters from `from` up to the NUL before `size`; nothing without one.
std::optional<std::string> EndedText(const uint8_t* record, size_t from, size_t size) {
    if (from >= size) return std::nullopt;
    const void* end = std::memchr(record + from, 0, size - from);
    if (end == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(record + from),
                       static_cast<const uint8_t*>(end) - (record + from));
}

}  // namespace

namespace win32 {

DeviceChangeRecord ReadDeviceChange(const void* address) {
    if (address == nullptr) return Unreadable{};
    const auto* record = static_cast<const uint8_t*>(address);
    const size_t size = Read32(record);
    if (size < kDeviceHeaderSize) return Unreadable{};
    const uint32_t type = Read32(record + 4);
    if (type == DBT_DEVTYP_PORT) {
        auto name = EndedText(record, kDeviceHeaderSize, size);
        if (!name) return Unreadable{};
        auto port = MakePortNotification(*name);
        if (!port) return Unreadable{};
        return *port;
    }
    if (type == DBT_DEVTYP_DEVICEINTERFACE) {
        constexpr size_t kNameOffset = kDeviceHeaderSize + sizeof(GUID);
        auto path = EndedText(record, kNameOffset, size);
        if (!path) return Unreadable{};
        InterfaceChange change{};
        std::memcpy(&change.classGuid, record + kDeviceHeaderSize, sizeof(GUID));
        change.path = std::move(*path);
        return change;
    }
    return OtherDevice{};
}

void SetInterfaceHandler(HiddenWindow& window, InterfaceHandler handler) {
    if (auto* ours = dynamic_cast<Win32Window*>(&window))
        ours->SetInterfaceHandler(std::move(handler));
}

}  // namespace win32

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT CallWindowProcA(const WNDPROC& previous, HWND hWnd, UINT uMsg, WPARAM wParam,
                        LPARAM lParam) {
    return previous ? previous(hWnd, uMsg, wParam, lParam) : 0;
}

HiddenWindow* WindowFromHandle(HWND hWnd) {
    std::lock_guard lock(LiveMutex());
    auto found = LiveWindows().find(hWnd);
    return found == LiveWindows().end() ? nullptr : found->second;
}

std::unique_ptr<HiddenWindow> CreateHiddenWindow(std::string name, WNDPROC procedure) {
    return std::make_unique<Win32Window>(std::move(name),
                                         procedure ? std::move(procedure) : DefWindowProcA);
}

}  // namespace quarnel::platform
