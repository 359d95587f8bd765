// SPDX-License-Identifier: MIT
// Hidden windows without a window system: the procedure slot and its
// message calls are all there is to them.
#include "platform/HiddenWindow.h"

#include <atomic>
#include <map>

#include "base/ErrorInfo.h"

namespace quarnel::platform {
namespace {

// The live windows by handle. Windows are made and destroyed on the one
// user-interface thread.
std::map<HWND, HiddenWindow*>& LiveWindows() {
    static std::map<HWND, HiddenWindow*> windows;
    return windows;
}

class ProcedureWindow final : public HiddenWindow {
  public:
    ProcedureWindow(std::string name, WNDPROC procedure)
        : handle_(NextHandle()), name_(std::move(name)), procedure_(std::move(procedure)) {
        LiveWindows()[handle_] = this;
    }
    ~ProcedureWindow() override { LiveWindows().erase(handle_); }
    ProcedureWindow(const ProcedureWindow&) = delete;
    ProcedureWindow& operator=(const ProcedureWindow&) = delete;

    HWND Handle() const override { return handle_; }
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
        return CallWindowProcA(current, handle_, uMsg, wParam, lParam);
    }

  private:
    static HWND NextHandle() {
        static std::atomic<HWND> last{0};
        return ++last;
    }

    HWND handle_;
    std::string name_;
    WNDPROC procedure_;
};

}  // namespace

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT CallWindowProcA(const WNDPROC& previous, HWND hWnd, UINT uMsg, WPARAM wParam,
                        LPARAM lParam) {
    return previous ? previous(hWnd, uMsg, wParam, lParam) : 0;
}

HiddenWindow* WindowFromHandle(HWND hWnd) {
    auto found = LiveWindows().find(hWnd);
    return found == LiveWindows().end() ? nullptr : found->second;
}

std::unique_ptr<HiddenWindow> CreateHiddenWindow(std::string name, WNDPROC procedure) {
    return std::make_unique<ProcedureWindow>(std::move(name),
                                             procedure ? std::move(procedure) : DefWindowProcA);
}

}  // namespace quarnel::platform
