// SPDX-License-Identifier: MIT
#include "shell/win32/Win32DialogLauncher.h"

#include "shell/win32/Win32FormRenderer.h"
#include "shell/win32/Win32TextMetrics.h"

namespace quarnel::win32 {
namespace {

constexpr char kMessageClass[] = "QuarnelDialogLauncher";
constexpr UINT kAfterClose = WM_APP + 1;

}  // namespace

Win32DialogLauncher::Win32DialogLauncher(ui::FormServices services)
    : ui::FormDialogLauncher(std::move(services)) {
    // The dialogs are drawn in the dialog font; measure in it too.
    if (!Services().metrics) Services().metrics = std::make_shared<Win32TextMetrics>();
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &MessageProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kMessageClass;
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
    messages_ = CreateWindowExA(0, kMessageClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(messages_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32DialogLauncher::~Win32DialogLauncher() {
    allClosed_ = nullptr;
    for (auto& [name, window] : open_) window->SetClosedHandler(nullptr);
    open_.clear();
    closed_.clear();
    if (messages_ != nullptr) DestroyWindow(messages_);
}

LRESULT CALLBACK Win32DialogLauncher::MessageProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (message == kAfterClose) {
        if (auto* self =
                reinterpret_cast<Win32DialogLauncher*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
            self->AfterClose();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Win32DialogLauncher::AnyOpen() const {
    return !open_.empty();
}

void Win32DialogLauncher::SetAllClosedHandler(std::function<void()> handler) {
    allClosed_ = std::move(handler);
}

Win32FormWindow* Win32DialogLauncher::OpenDialog(const std::string& formName) const {
    const auto found = open_.find(formName);
    return found == open_.end() ? nullptr : found->second.get();
}

ui::Form* Win32DialogLauncher::OpenForm(const std::string& formName) const {
    Win32FormWindow* window = OpenDialog(formName);
    return window == nullptr ? nullptr : &window->form();
}

std::vector<std::string> Win32DialogLauncher::OpenForms() const {
    std::vector<std::string> names;
    for (const auto& [name, window] : open_) names.push_back(name);
    return names;
}

bool Win32DialogLauncher::UserEdited(const std::string& formName) const {
    Win32FormWindow* window = OpenDialog(formName);
    return window != nullptr && window->UserEdited();
}

bool Win32DialogLauncher::Raise(const std::string& formName) {
    Win32FormWindow* window = OpenDialog(formName);
    if (window == nullptr) return false;
    window->Raise();
    return true;
}

void Win32DialogLauncher::Open(std::shared_ptr<ui::Form> form, bool modal) {
    const std::string name = form->Name();
    auto window = std::make_unique<Win32FormWindow>(std::move(form));
    // A form that asked to close while loading is not shown.
    if (!window->IsOpen() || window->form().UnloadRequested()) return;
    Win32FormWindow& shown = *window;
    shown.SetClosedHandler([this, name] { Closed(name); });
    open_[name] = std::move(window);
    if (modal)
        shown.RunModal();
    else
        shown.Show();
}

void Win32DialogLauncher::ForceClose(const std::string& formName) {
    Win32FormWindow* window = OpenDialog(formName);
    if (window == nullptr) return;
    window->Close();
    if ((window = OpenDialog(formName)) != nullptr) window->Destroy();
}

void Win32DialogLauncher::Closed(const std::string& formName) {
    const auto found = open_.find(formName);
    if (found == open_.end()) return;
    // Called from the closing window's own procedure: deleted later.
    closed_.push_back(std::move(found->second));
    open_.erase(found);
    // Told once, when the last one has gone.
    if (!AnyOpen()) allClosedPending_ = true;
    PostMessageA(messages_, kAfterClose, 0, 0);
}

void Win32DialogLauncher::AfterClose() {
    closed_.clear();
    if (!allClosedPending_ || AnyOpen()) return;
    allClosedPending_ = false;
    if (allClosed_) allClosed_();
}

}  // namespace quarnel::win32
