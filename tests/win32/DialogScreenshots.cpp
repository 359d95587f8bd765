// SPDX-License-Identifier: MIT
// win32_dialog_screenshots OUTDIR LANG: saves each dialog as the Win32
// renderer shows it, filled with sample settings and a scanner, as
// OUTDIR/<dialog>-<LANG>.bmp with its window frame. The language comes from
// the environment the calling script sets.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "DialogSamples.h"
#include "FakeDesktop.h"
#include "FakeRegistry.h"
#include "FakeScannerLibrary.h"
#include "PrivateDesktop.h"
#include "app/modMain.h"
#include "platform/Windows.h"
#include "scanner/clsOPN2001.h"
#include "shell/win32/Win32FormRenderer.h"
#include "shell/win32/Win32TextMetrics.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"
#include "ui/modBrowseFolder.h"

namespace {

using namespace quarnel;

void Pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

// The window with its frame, as a 24-bit bitmap file.
bool SaveWindow(HWND window, const std::string& path) {
    RECT box{};
    GetWindowRect(window, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(copy, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3) + 3) & ~3;
    const DWORD size = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return out.good();
}

bool Save(std::shared_ptr<ui::Form> form, const std::string& path) {
    win32::Win32FormWindow window(std::move(form));
    window.Show();
    Pump(700);
    if (!window.IsOpen()) {
        std::printf("%s closed by itself\n", window.form().Name().c_str());
        return false;
    }
    const bool saved = SaveWindow(window.Handle(), path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.c_str());
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: win32_dialog_screenshots OUTDIR LANG\n");
        return 2;
    }
    test::UsePrivateDesktop();
    const std::string out = argv[1];
    const std::string language = argv[2];
    const std::string home = "C:\\Users\\jansen";

    Main("",
         StartupEnvironment{std::make_shared<test::FakeRegistry>(), home, home + "\\quarnel.exe"});
    test::SampleSettings(home, '\\');

    auto library = std::make_shared<test::FakeScannerLibrary>();
    test::FakeScannerLibrary::Scanner plugged;
    plugged.identity = {0x00, 0x12, 0x4b, 0x07, 0x31, 0x90, 0x55, 0x21};
    plugged.software = "RBBV0224";
    plugged.clock = {5, 42, 14, 7, 12, 26};
    library->scanners[3] = plugged;
    library->dllVersion = "3.22";
    auto scanner = std::make_shared<clsOPN2001>(library);
    scanner->Connect(3);

    auto desktop = std::make_shared<test::FakeDesktop>();
    ui::FormServices services;
    services.desktop = desktop;
    services.metrics = std::make_shared<win32::Win32TextMetrics>();
    services.scannerLibrary = library;
    services.applicationFolder = home;

    bool saved = Save(
        std::make_shared<ui::frmOptions>(services, std::make_shared<ui::modBrowseFolder>(desktop)),
        out + "/options-" + language + ".bmp");
    auto settingsForm = std::make_shared<ui::frmOPN2001Settings>(services);
    settingsForm->SetOPN2001(scanner);
    saved &= Save(settingsForm, out + "/scanner-settings-" + language + ".bmp");
    auto info = std::make_shared<ui::frmDeviceInfo>(services);
    info->SetOPN2001(scanner);
    saved &= Save(info, out + "/scanner-info-" + language + ".bmp");
    saved &= Save(std::make_shared<ui::frmDeviceInfo>(services),
                  out + "/scanner-info-none-" + language + ".bmp");
    saved &= Save(std::make_shared<ui::frmAbout>(services), out + "/about-" + language + ".bmp");

    scanner.reset();
    ExitApplication();
    return saved ? 0 : 1;
}
