// SPDX-License-Identifier: MIT
#include "app/frmMain.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

platform::MenuItem& frmMain::MenuItem(const std::string& name) {
    for (platform::MenuItem& item : mnuContext_)
        if (item.name == name) return item;
    RaiseError(ErrNo::InvalidProcedureCall);
}

void frmMain::m_objTray_OnTrayEvent(int32_t Message, int16_t Shift) {
    if (Message == static_cast<int32_t>(WM_MOUSEMOVE)) return;
    trace::Entering("frmMain.m_objTray_OnTrayEvent",
                    "Message = " + TraceValue(Message) + ", Shift = " + TraceValue(int32_t{Shift}));
    if (Message == static_cast<int32_t>(WM_RBUTTONUP)) {
        const bool enabled = ScannerConnected();
        for (const char* name : {"mnuScannerSetup", "mnuScannerInfo", "mnuReadData"})
            MenuItem(name).enabled = enabled;
        const bool visible = Shift == vbCtrlMask || ExtendedLogging();
        MenuItem("mnuSep3").visible = visible;
        MenuItem("mnuExtendedLogging").visible = visible;
        trace::Detail("Opening context menu...");
        if (std::optional<std::string> chosen = services_.desktop->PopupMenu(mnuContext_))
            RunMenuItem(*chosen);
    }
    trace::Exiting("frmMain.m_objTray_OnTrayEvent");
}

void frmMain::RunMenuItem(const std::string& name) {
    static const std::pair<const char*, void (frmMain::*)()> kHandlers[] = {
        {"mnuReadData", &frmMain::mnuReadData_Click},
        {"mnuScannerInfo", &frmMain::mnuScannerInfo_Click},
        {"mnuScannerSetup", &frmMain::mnuScannerSetup_Click},
        {"mnuResend", &frmMain::mnuResend_Click},
        {"mnuOptions", &frmMain::mnuOptions_Click},
        {"mnuAbout", &frmMain::mnuAbout_Click},
        {"mnuExit", &frmMain::mnuExit_Click},
        {"mnuExtendedLogging", &frmMain::mnuExtendedLogging_Click}};
    for (const auto& [item, handler] : kHandlers) {
        if (name != item) continue;
        const platform::MenuItem& state = MenuItem(name);
        // Only what the menu offered can be chosen.
        if (!state.enabled || !state.visible) return;
        // A failure here would otherwise end the program from the event loop.
        try {
            (this->*handler)();
        } catch (...) {
            trace::Error("Error handling " + name + ": ");
        }
        return;
    }
}

void frmMain::mnuExtendedLogging_Click() {
    trace::Handling("frmMain.mnuExtendedLogging_Click");
    SetExtendedLogging(!ExtendedLogging());
    MenuItem("mnuExtendedLogging").checked = ExtendedLogging();
    trace::Event(std::string("Extended logging ") + (ExtendedLogging() ? "enabled" : "disabled"));
}

void frmMain::mnuExit_Click() {
    trace::Handling("frmMain.mnuExit_Click");
    Unload();
}

void frmMain::mnuAbout_Click() {
    trace::Handling("frmMain.mnuAbout_Click");
    services_.dialogs->ShowAbout();
}

void frmMain::mnuOptions_Click() {
    trace::Handling("frmMain.mnuOptions_Click");
    services_.dialogs->ShowOptions();
}

void frmMain::mnuScannerInfo_Click() {
    trace::Handling("frmMain.mnuScannerInfo_Click");
    services_.dialogs->ShowDeviceInfo(m_objOPN2001);
}

void frmMain::mnuScannerSetup_Click() {
    trace::Handling("frmMain.mnuScannerSetup_Click");
    if (m_objDeviceDetection && m_objDeviceDetection->Device() == DeviceOPN2001)
        services_.dialogs->ShowScannerSettings(m_objOPN2001);
}

}  // namespace quarnel
