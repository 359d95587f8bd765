// SPDX-License-Identifier: MIT
#include "shell/win32/Win32Program.h"

#include "platform/Windows.h"

#include <commctrl.h>

#include <memory>
#include <optional>

#include "app/frmMain.h"
#include "app/modMain.h"
#include "platform/DeviceNotifications.h"
#include "platform/Paths.h"
#include "platform/RegistryApi.h"
#include "platform/ScannerLibrary.h"
#include "platform/SerialPortTable.h"
#include "shell/win32/Win32Desktop.h"
#include "shell/win32/Win32DialogLauncher.h"
#include "shell/win32/Win32ShellNotify.h"
#include "shell/win32/Win32Window.h"

namespace quarnel::win32 {
namespace {

// One program per user: a mutex of the session, which the system drops with
// the process that holds it, so a crash never leaves it behind.
class SingleInstance final {
  public:
    SingleInstance() : mutex_(CreateMutexA(nullptr, FALSE, InstanceMutexName().c_str())) {
        first_ = !(mutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ~SingleInstance() {
        if (mutex_) CloseHandle(mutex_);
    }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    bool First() const { return first_; }

  private:
    HANDLE mutex_;
    bool first_ = true;
};

// Ends the program the way "Exit" does: the dialogs close first, as Cancel
// does, while the settings and the trace are still there; then the main
// window is unloaded.
class ProgramStop final {
  public:
    ProgramStop(frmMain& window, std::function<void()> closeDialogs)
        : window_(window), closeDialogs_(std::move(closeDialogs)) {}

    // The session is ending: the system ends the process once the message
    // has been answered, so the window is unloaded now, wherever the loop is.
    void Now() {
        if (window_.Unloaded()) return;
        if (closeDialogs_) closeDialogs_();
        EndMenu();
        window_.Unload();
    }

  private:
    frmMain& window_;
    std::function<void()> closeDialogs_;
};

}  // namespace

std::string InstanceMutexName() {
    return "Local\\Quarnel.SingleInstance";
}

std::string AlreadyRunningText(platform::Language language) {
    return language == platform::Language::Dutch ? "Quarnel is al gestart."
                                                 : "Quarnel is already running.";
}

int RunProgram(const std::string& commandLine) {
    // The extended combo box of the dialogs; a failure is of no consequence.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_USEREX_CLASSES;
    InitCommonControlsEx(&controls);

    {
        const SingleInstance instance;
        if (!instance.First()) {
            Win32Desktop(platform::ApplicationFolder())
                .MsgBox(AlreadyRunningText(platform::UserLanguage()),
                        platform::vbOKOnly | platform::vbInformation);
            return 0;
        }

        // The application folder exists before anything is traced.
        platform::EnsureApplicationFolder();

        auto registry = platform::OpenUserRegistry(platform::SystemSerialPortTable());
        auto desktop = std::make_shared<Win32Desktop>(platform::ApplicationFolder());
        MainWindowServices services;
        services.desktop = desktop;
        services.shell = std::make_shared<Win32ShellNotify>();
        services.scannerLibrary = platform::SystemScannerLibrary();
        ui::FormServices formServices;
        formServices.desktop = desktop;
        formServices.scannerLibrary = services.scannerLibrary;
        formServices.applicationFolder = platform::ApplicationFolder();
        auto dialogs = std::make_shared<Win32DialogLauncher>(std::move(formServices));
        dialogs->SetAllClosedHandler([desktop] { desktop->DialogClosed(); });
        desktop->SetDialogCloser([dialogs = std::weak_ptr(dialogs)] {
            if (auto open = dialogs.lock()) open->CloseAll();
        });
        services.dialogs = dialogs;
        services.registry = registry;
        services.openDeviceNotifications = [](platform::HiddenWindow& window) {
            return platform::OpenDeviceNotifications(window);
        };
        desktop->SetDialogLauncher(dialogs);

        const StartupEnvironment environment{registry, platform::ApplicationFolder(),
                                             platform::ExecutablePath()};
        std::unique_ptr<frmMain> window = Main(commandLine, environment, std::move(services));

        ProgramStop stop(*window, [&dialogs] { dialogs->CloseAll(); });
        // The end of the session and a polite request to close (WM_CLOSE) take
        // the Exit path; the session window is top-level so that both reach it.
        const Win32Window session(
            "Quarnel", [&stop](UINT uMsg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                switch (uMsg) {
                    case WM_QUERYENDSESSION:
                        return TRUE;
                    case WM_ENDSESSION:
                        if (wParam) stop.Now();
                        return 0;
                    case WM_CLOSE:
                        stop.Now();
                        return 0;
                    default:
                        return std::nullopt;
                }
            });

        // A window whose loading failed early may already be unloaded; the
        // loop then ends at once.
        if (!window->Unloaded()) {
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        window->Unload();
        window.reset();
    }
    return 0;
}

}  // namespace quarnel::win32
