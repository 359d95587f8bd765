// SPDX-License-Identifier: MIT
// The program's icon in the notification area: its picture and tool tip,
// balloon messages above it, and the icon's notifications turned into the
// OnTrayEvent event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ShellNotify.h"
#include "ui/TrayForm.h"

namespace quarnel {

// Balloon states: what the shell last reported about the balloon.
inline constexpr int32_t kBalloonUnknown = -1;
inline constexpr int32_t kBalloonClosed = 0;
inline constexpr int32_t kBalloonShowing = 1;

class clsSysTray {
  public:
    // Message: the notification number; Shift: 1 Shift, 2 Ctrl, 4 Alt, summed.
    using TrayEventHandler = std::function<void(int32_t Message, int16_t Shift)>;

    explicit clsSysTray(std::shared_ptr<platform::ShellNotifyApi> shell);
    ~clsSysTray();
    clsSysTray(const clsSysTray&) = delete;
    clsSysTray& operator=(const clsSysTray&) = delete;

    bool InTray() const;
    int32_t BalloonState() const { return balloonState_; }

    // Icon kIconNone takes the form's own icon; an empty tool tip the
    // application title. Form must outlive this object once the icon is in
    // the tray.
    void AddToTray(TrayForm& Form, platform::HICON Icon = platform::kIconNone,
                   const std::string& ToolTip = {});
    void RemoveFromTray();
    // An empty tool tip leaves the tip as it is.
    void ModifyTrayIcon(platform::HICON Icon, const std::string& ToolTip = {});
    // Icon: 0 none, 1 information, 2 warning, 3 error.
    void ShowBalloon(const std::string& Title, const std::string& Info, int32_t Icon = 0,
                     bool PlaySound = false);
    // Replaces the text under the last title; Icon -1 keeps the last icon.
    // Always silent.
    void UpdateBalloon(const std::string& Info, int32_t Icon = -1);
    void HideBalloon();

    // The OnTrayEvent event; raised for every notification below 1026
    // except mouse moves.
    void SetOnTrayEvent(TrayEventHandler handler) { onTrayEvent_ = std::move(handler); }

    // The form's mouse-move event, through which the notifications arrive.
    void m_frm_MouseMove(int16_t Button, int16_t Shift, float X, float Y);

  private:
    bool Notify(uint32_t message);

    std::shared_ptr<platform::ShellNotifyApi> shell_;
    TrayEventHandler onTrayEvent_;
    TrayForm* m_frm = nullptr;
    int32_t balloonState_ = kBalloonUnknown;
    bool inTray_ = false;
    platform::NotifyIconRecord nid_{};
};

}  // namespace quarnel
