// SPDX-License-Identifier: MIT
// The form renderer's contract on Win32 controls, under Wine. The user's
// keys and clicks are posted to the controls as the system would send them.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

#include "ContractTest.h"
#include "FormRendererContract.h"
#include "PrivateDesktop.h"
#include "TestSupport.h"
#include "base/Ansi.h"
#include "platform/Windows.h"
#include "shell/win32/Win32FormRenderer.h"
#include "shell/win32/Win32Pictures.h"
#include "shell/win32/Win32TextMetrics.h"

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace quarnel::test {
namespace {

class Win32FormDriver final : public FormDriver {
  public:
    Win32FormDriver() {
        static const bool desktop = (UsePrivateDesktop(), true);
        (void)desktop;
    }
    void Open(std::shared_ptr<ui::Form> form) override {
        window_ = std::make_unique<win32::Win32FormWindow>(std::move(form));
    }
    void Show() override {
        // The pointer of the display stays away: only the test moves over controls.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        window_->Show();
    }
    void Pump() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    bool Visible() override {
        return window_->IsOpen() && IsWindowVisible(window_->Handle()) != FALSE;
    }
    void CloseByUser() override {
        SendMessageA(window_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        Pump();
    }
    int Dpi() override { return win32::ScreenDpi(); }

    bool HasWindow(const std::string& name) override {
        return window_->ControlWindow(name) != nullptr;
    }
    std::string ContainerName(const std::string& name) override {
        return window_->ControlName(GetParent(Window(name)));
    }
    Box Geometry(const std::string& name) override {
        HWND control = Window(name);
        RECT box{};
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&box), 2);
        return Box{box.left, box.top, box.right - box.left, box.bottom - box.top};
    }
    std::string Text(const std::string& name) override {
        HWND control = Window(name);
        std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
        text.resize(static_cast<size_t>(
            GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
        return AnsiToUtf8(text);
    }
    std::string ToolTip(const std::string& name) override {
        HWND tips = nullptr;
        // The tip window belongs to the form window.
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM found) -> BOOL {
                char className[64] = {};
                GetClassNameA(window, className, sizeof className);
                if (std::string(className) != "tooltips_class32") return TRUE;
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&tips));
        if (tips == nullptr) return "";
        char text[1024] = {};
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.hwnd = window_->Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(Window(name));
        tool.lpszText = text;
        SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        return AnsiToUtf8(text);
    }
    std::vector<uint32_t> Pixels(const std::string& name) override {
        HWND control = Window(name);
        UpdateWindow(control);
        RECT client{};
        GetClientRect(control, &client);
        const int width = client.right, height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC source = GetDC(control);
        HDC copy = CreateCompatibleDC(source);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(copy, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(copy, bitmap);
        BitBlt(copy, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                     static_cast<const uint32_t*>(bits) + width * height);
        SelectObject(copy, old);
        DeleteObject(bitmap);
        DeleteDC(copy);
        ReleaseDC(control, source);
        return pixels;
    }

    void Focus(const std::string& name) override {
        SetFocus(Window(name));
        Pump();
    }
    std::string Focused() override { return window_->ControlName(GetFocus()); }
    void TypeText(const std::string& name, const std::string& text) override {
        for (unsigned char c : Utf8ToAnsi(text)) PostMessageA(Window(name), WM_CHAR, c, 1);
        Pump();
    }
    void PressKey(const std::string& name, Key key) override {
        // Each key's code and the character it types, in the order of Key.
        static constexpr std::pair<WPARAM, WPARAM> kKeys[] = {
            {VK_RETURN, '\r'}, {VK_ESCAPE, 0x1b}, {VK_DOWN, 0}, {VK_BACK, 0x08}, {VK_TAB, '\t'}};
        const auto [code, typed] = kKeys[static_cast<int>(key)];
        PostMessageA(Window(name), WM_KEYDOWN, code, 1);
        if (typed != 0) PostMessageA(Window(name), WM_CHAR, typed, 1);
        Pump();
    }
    void ClickAt(const std::string& name, int x, int y) override {
        HWND control = Window(name);
        PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        Pump();
    }
    void MoveMouseTo(const std::string& name, int x, int y) override {
        PostMessageA(Window(name), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        Pump();
    }
    void PasteFromMenu(const std::string& name, const std::string& text) override {
        HWND control = Window(name);
        const std::string ansi = Utf8ToAnsi(text);
        if (OpenClipboard(window_->Handle())) {
            EmptyClipboard();
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1);
            std::copy_n(ansi.c_str(), ansi.size() + 1, static_cast<char*>(GlobalLock(memory)));
            GlobalUnlock(memory);
            SetClipboardData(CF_TEXT, memory);
            CloseClipboard();
        }
        // The menu's loop reads the key waiting for it and chooses "&Paste".
        PostMessageA(control, WM_CHAR, 'p', 1);
        RECT box{};
        GetWindowRect(control, &box);
        SendMessageA(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
                     MAKELPARAM(box.left + 5, box.top + 5));
        Pump();
    }
    void ActivateAnotherWindowAndBack() override {
        HWND other =
            CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetActiveWindow(other);
        SetForegroundWindow(other);
        WaitFor([&] { return GetActiveWindow() == other; }, [&] { Pump(); },
                std::chrono::seconds(30));
        SetActiveWindow(window_->Handle());
        SetForegroundWindow(window_->Handle());
        WaitFor([&] { return GetActiveWindow() == window_->Handle(); }, [&] { Pump(); },
                std::chrono::seconds(30));
        DestroyWindow(other);
        Pump();
    }

  private:
    HWND Window(const std::string& name) const {
        HWND control = window_->ControlWindow(name);
        if (control == nullptr) throw std::runtime_error("no window for " + name);
        return control;
    }

    std::unique_ptr<win32::Win32FormWindow> window_;
};

// The pictures compiled into the renderer are the program's picture files.
TEST(Win32Pictures, AreThePictureFilesOfTheDialogs) {
    for (const char* name :
         {"battery-low", "battery-ok", "clock", "clock-disabled", "clock-hot", "logo",
          "options-autosave", "options-general", "options-tracefile", "options-userid"}) {
        const std::string file = std::string(QUARNEL_DIALOG_PICTURES) + "/" + name + ".svg";
        const char* compiled = win32::PictureSource(std::string(":/dialogs/") + name + ".svg");
        ASSERT_NE(compiled, nullptr) << name;
        EXPECT_EQ(compiled, ReadFileBytes(file)) << name;
    }
    EXPECT_EQ(win32::PictureSource(":/dialogs/none.svg"), nullptr);
}

QUARNEL_CONTRACT_INSTANCES(Win32, FormRendererContract,
                           Instance<FormRendererImplementation, Win32FormDriver>("Win32"));

}  // namespace
}  // namespace quarnel::test
