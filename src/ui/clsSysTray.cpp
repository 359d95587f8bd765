// SPDX-License-Identifier: MIT
#include "ui/clsSysTray.h"

#include <algorithm>
#include <cmath>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

constexpr uint32_t kTrayIconId = 1;
constexpr uint32_t kBalloonTimeoutMs = 10000;
constexpr const char* kCallingShell = "Calling API Shell_NotifyIcon";

// The text in the shell's code page, NUL-terminated, cut to fit the field.
template <size_t N>
void SetText(std::array<char, N>& field, const std::string& utf8) {
    const std::string ansi = Utf8ToAnsi(utf8);
    const size_t length = std::min(ansi.size(), N - 1);
    field.fill('\0');
    std::copy_n(ansi.begin(), length, field.begin());
}

std::string Coordinate(float value) {
    return std::to_string(std::lround(value));
}

}  // namespace

clsSysTray::clsSysTray(std::shared_ptr<platform::ShellNotifyApi> shell) : shell_(std::move(shell)) {
    trace::Initializing("clsSysTray");
}

clsSysTray::~clsSysTray() {
    trace::Terminating("clsSysTray");
    if (m_frm != nullptr) m_frm->SetMouseMoveHandler({});
    m_frm = nullptr;
    if (inTray_) RemoveFromTray();
}

bool clsSysTray::InTray() const {
    trace::Event("Property Get clsSysTray.InTray (=" + TraceValue(inTray_) + ")");
    return inTray_;
}

bool clsSysTray::Notify(uint32_t message) {
    return shell_->Shell_NotifyIconA(message, nid_);
}

void clsSysTray::AddToTray(TrayForm& Form, platform::HICON Icon, const std::string& ToolTip) {
    trace::Entering("clsSysTray.AddToTray", "ToolTip = " + ToolTip);
    try {
        if (!inTray_) {
            nid_.cbSize = platform::kNotifyIconDataSize;
            nid_.hWnd = Form.hWnd();
            nid_.uID = kTrayIconId;
            nid_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
            nid_.uCallbackMessage = WM_MOUSEMOVE;
            nid_.hIcon = Icon != platform::kIconNone ? Icon : Form.Icon();
            SetText(nid_.szTip, ToolTip.empty() ? std::string(kAppTitle) : ToolTip);
            nid_.uTimeoutOrVersion = NOTIFYICON_VERSION;
            trace::Detail("Calling API Shell_NotifyIcon (NIM_ADD)");
            inTray_ = Notify(NIM_ADD);
            trace::Detail("Calling API Shell_NotifyIcon (NIM_SETVERSION)");
            Notify(NIM_SETVERSION);
            if (inTray_) {
                m_frm = &Form;
                Form.SetMouseMoveHandler([this](const MouseMoveArgs& e) {
                    m_frm_MouseMove(e.Button, e.Shift, e.X, e.Y);
                });
            }
        }
        trace::Exiting("clsSysTray.AddToTray");
    } catch (...) {
        trace::Error("Error initializing system tray icon: ");
    }
}

void clsSysTray::RemoveFromTray() {
    trace::Entering("clsSysTray.RemoveFromTray");
    if (inTray_) {
        trace::Detail(kCallingShell);
        if (Notify(NIM_DELETE)) inTray_ = false;
    }
    trace::Exiting("clsSysTray.RemoveFromTray");
}

void clsSysTray::ModifyTrayIcon(platform::HICON Icon, const std::string& ToolTip) {
    trace::Entering("clsSysTray.ModifyTrayIcon", "ToolTip = " + ToolTip);
    try {
        if (inTray_) {
            nid_.hIcon = Icon;
            nid_.uFlags = NIF_ICON;
            if (!ToolTip.empty()) {
                SetText(nid_.szTip, ToolTip);
                nid_.uFlags = NIF_ICON | NIF_TIP;
            }
            trace::Detail(kCallingShell);
            Notify(NIM_MODIFY);
        }
        trace::Exiting("clsSysTray.ModifyTrayIcon");
    } catch (...) {
        trace::DetailError("Error modifying system tray icon: ");
    }
}

void clsSysTray::ShowBalloon(const std::string& Title, const std::string& Info, int32_t Icon,
                             bool PlaySound) {
    trace::Entering("clsSysTray.ShowBalloon", TraceArgs({{"Title", Title},
                                                         {"Info", Info},
                                                         {"Icon", TraceValue(Icon)},
                                                         {"PlaySound", TraceValue(PlaySound)}}));
    try {
        SetText(nid_.szInfoTitle, Title);
        SetText(nid_.szInfo, Info);
        nid_.dwInfoFlags = static_cast<uint32_t>(Icon);
        if (!PlaySound) nid_.dwInfoFlags |= NIIF_NOSOUND;
        nid_.uTimeoutOrVersion = kBalloonTimeoutMs;
        nid_.uFlags = NIF_INFO;
        trace::Detail(kCallingShell);
        Notify(NIM_MODIFY);
        trace::Exiting("clsSysTray.ShowBalloon");
    } catch (...) {
        trace::DetailError("Error showing balloon (Title = " + Title + ", Info = " + Info + "): ");
    }
}

void clsSysTray::UpdateBalloon(const std::string& Info, int32_t Icon) {
    trace::Entering("clsSysTray.UpdateBalloon",
                    TraceArgs({{"Info", Info}, {"Icon", TraceValue(Icon)}}));
    try {
        SetText(nid_.szInfo, Info);
        if (Icon >= 0) nid_.dwInfoFlags = static_cast<uint32_t>(Icon);
        // Or-ed, not added: a kept icon that is already silent stays a
        // valid icon number.
        nid_.dwInfoFlags |= NIIF_NOSOUND;
        nid_.uTimeoutOrVersion = kBalloonTimeoutMs;
        nid_.uFlags = NIF_INFO;
        trace::Detail(kCallingShell);
        Notify(NIM_MODIFY);
        trace::Exiting("clsSysTray.UpdateBalloon");
    } catch (...) {
        trace::DetailError("Error updating balloon (Info = " + Info + "): ");
    }
}

void clsSysTray::HideBalloon() {
    trace::Entering("clsSysTray.HideBalloon");
    try {
        if (balloonState_ == kBalloonUnknown || balloonState_ == kBalloonShowing) {
            nid_.szInfoTitle.fill('\0');
            nid_.szInfo.fill('\0');
            nid_.dwInfoFlags = 0;
            nid_.uFlags = NIF_INFO;
            trace::Detail(kCallingShell);
            Notify(NIM_MODIFY);
            balloonState_ = kBalloonUnknown;
        }
        trace::Exiting("clsSysTray.HideBalloon");
    } catch (...) {
        trace::DetailError("Error hiding balloon: ");
    }
}

void clsSysTray::m_frm_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
    if (!inTray_) return;
    const long message = std::lround(X);
    if (message == WM_MOUSEMOVE) return;
    if (ExtendedLogging()) {
        trace::Handling("clsSysTray.m_frm_MouseMove (" +
                        TraceArgs({{"Button", TraceValue(int32_t{Button})},
                                   {"Shift", TraceValue(int32_t{Shift})},
                                   {"X", Coordinate(X)},
                                   {"Y", Coordinate(Y)}}) +
                        ")");
    }
    // The balloon codes as numbers of the same type (Windows spells them as int).
    const long balloonShow = NIN_BALLOONSHOW;
    const long balloonUserClick = NIN_BALLOONUSERCLICK;
    if (message < balloonShow) {
        trace::RaisingEvent("OnTrayEvent");
        // A copy: the handler may end this object (the menu's Exit).
        TrayEventHandler handler = onTrayEvent_;
        if (handler) handler(static_cast<int32_t>(message), Shift);
        return;
    }
    if (message == balloonShow) {
        balloonState_ = kBalloonShowing;
    } else if (message <= balloonUserClick) {
        balloonState_ = kBalloonClosed;
    }
}

}  // namespace quarnel
