// SPDX-License-Identifier: MIT
#include "shell/win32/Win32DialogLauncher.h"

#include <iostream>

#include "base/TraceLog.h"
#include "shell/win32/Win32FormRenderer.h"
#include "shell/win32/Win32TextMetrics.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"
#include "ui/modBrowseFolder.h"

namespace quarnel::win32 {
namespace {

constexpr char kMessageClass[] = "QuarnelDialogLauncher";
constexpr UINT kAfterClose = WM_APP + 1;

// Raises Click for the form's Cancel button; false when it has none.
bool PressCancel(Win32FormWindow& window) {
    for (const ui::Control& control : window.form().Controls()) {
        if (control.isCancel && control.kind == ui::ControlKind::CommandButton) {
            window.form().Click(control.name);
            return true;
        }
    }
    return false;
}

}  // namespace

Win32DialogLauncher::Win32DialogLauncher(ui::FormServices services)
    : services_(std::move(services)),
      browseFolder_(std::make_shared<ui::modBrowseFolder>(services_.desktop)) {
    // The dialogs are drawn in the dialog font; measure in it too.
    if (!services_.metrics) services_.metrics = std::make_shared<Win32TextMetrics>();
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

void Win32DialogLauncher::ShowAbout() {
    if (!Raise("frmAbout")) Show(std::make_shared<ui::frmAbout>(services_), true);
}

void Win32DialogLauncher::ShowOptions() {
    if (!Raise("frmOptions"))
        Show(std::make_shared<ui::frmOptions>(services_, browseFolder_), false);
}

// A dialog chosen again takes the scanner object of now: the one it was
// opened with may have been released when the scanner was unplugged.
void Win32DialogLauncher::ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) {
    if (auto* open = OpenDialog("frmDeviceInfo"))
        dynamic_cast<ui::frmDeviceInfo&>(open->form()).SetOPN2001(scanner);
    if (Raise("frmDeviceInfo")) return;
    auto form = std::make_shared<ui::frmDeviceInfo>(services_);
    form->SetOPN2001(std::move(scanner));
    Show(std::move(form), true);
}

void Win32DialogLauncher::ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) {
    if (auto* open = OpenDialog("frmOPN2001Settings"))
        dynamic_cast<ui::frmOPN2001Settings&>(open->form()).SetOPN2001(scanner);
    if (Raise("frmOPN2001Settings")) return;
    auto form = std::make_shared<ui::frmOPN2001Settings>(services_);
    form->SetOPN2001(std::move(scanner));
    Show(std::move(form), false);
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

bool Win32DialogLauncher::Raise(const std::string& formName) {
    Win32FormWindow* window = OpenDialog(formName);
    if (window == nullptr) return false;
    window->Raise();
    return true;
}

void Win32DialogLauncher::Show(std::shared_ptr<ui::Form> form, bool modal) {
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

void Win32DialogLauncher::CloseAll() {
    std::vector<std::string> names;
    for (const auto& [name, window] : open_) names.push_back(name);
    for (const std::string& name : names) {
        Win32FormWindow* window = OpenDialog(name);
        if (window == nullptr || window->form().UnloadRequested()) continue;
        // The user's input is not stored, so the user is told.
        if (window->UserEdited()) {
            const std::string note =
                "Quarnel is ending: the changes in " + name + " were not saved";
            trace::Event(note);
            std::cerr << note << '\n';
        }
        // Cancel closes its window from the message loop; a form without
        // one, or one that stays, is closed here.
        if (PressCancel(*window) && window->form().UnloadRequested()) continue;
        window->Close();
        if ((window = OpenDialog(name)) != nullptr) window->Destroy();
    }
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
