// SPDX-License-Identifier: MIT
#include "shell/qt/QtShellNotify.h"

#include <QGuiApplication>

#include "shell/qt/DesktopNotifications.h"
#include "shell/qt/QtIcons.h"
#include "shell/qt/QtStrings.h"

namespace quarnel::qt {
namespace {

template <size_t N>
QString FieldText(const std::array<char, N>& field) {
    return FromAnsiField(field.data(), N);
}

platform::WPARAM KeyState() {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    platform::WPARAM state = 0;
    if (modifiers & Qt::ShiftModifier) state |= platform::MK_SHIFT;
    if (modifiers & Qt::ControlModifier) state |= platform::MK_CONTROL;
    if (modifiers & Qt::AltModifier) state |= platform::MK_ALT;
    return state;
}

constexpr uint32_t kWmMButtonUp = 0x208;

}  // namespace

QtShellNotify::QtShellNotify() : QtShellNotify(Options{}) {}

QtShellNotify::QtShellNotify(Options options)
    : options_(std::move(options)),
      icon_(this),
      notifications_(std::make_unique<DesktopNotifications>([this] { OnBalloonClicked(); },
                                                            [this] { OnBalloonDismissed(); })) {
    balloonTimer_.setSingleShot(true);
    balloonTimer_.setInterval(options_.balloonTimeout);
    connect(&balloonTimer_, &QTimer::timeout, this, &QtShellNotify::OnBalloonTimedOut);
    trayPoll_.setInterval(options_.trayPollInterval);
    connect(&trayPoll_, &QTimer::timeout, this, &QtShellNotify::PollTray);
    connect(&icon_, &QSystemTrayIcon::activated, this, &QtShellNotify::OnActivated);
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, &QtShellNotify::OnBalloonClicked);
}

QtShellNotify::~QtShellNotify() {
    notifications_->Close();
}

bool QtShellNotify::Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) {
    switch (message) {
        case platform::NIM_ADD:
            if (added_) return false;
            record_ = data;
            added_ = true;
            icon_.setIcon(IconFromHandle(data.hIcon));
            icon_.setToolTip(FieldText(data.szTip));
            icon_.show();
            trayWasAvailable_ = options_.trayAvailable();
            trayPoll_.start();
            return true;
        case platform::NIM_MODIFY:
            return added_ && Modify(data);
        case platform::NIM_DELETE:
            if (!added_) return false;
            HideBalloon();
            icon_.hide();
            trayPoll_.stop();
            added_ = false;
            return true;
        case platform::NIM_SETVERSION:
            return added_;
        default:
            return false;
    }
}

bool QtShellNotify::Modify(const platform::NotifyIconRecord& data) {
    record_.hWnd = data.hWnd;
    if (data.uFlags & platform::NIF_ICON) {
        record_.hIcon = data.hIcon;
        icon_.setIcon(IconFromHandle(data.hIcon));
    }
    if (data.uFlags & platform::NIF_TIP) {
        record_.szTip = data.szTip;
        icon_.setToolTip(FieldText(data.szTip));
    }
    if (data.uFlags & platform::NIF_INFO) {
        const QString title = FieldText(data.szInfoTitle);
        const QString text = FieldText(data.szInfo);
        if (title.isEmpty() && text.isEmpty()) {
            HideBalloon();
        } else {
            ShowBalloon(title, text, data.dwInfoFlags);
        }
    }
    return true;
}

void QtShellNotify::ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags) {
    const uint32_t iconNumber = infoFlags & 0x0F;
    const int timeoutMs = static_cast<int>(options_.balloonTimeout.count());
    bool shown = false;
    if (options_.trayAvailable() && QSystemTrayIcon::supportsMessages()) {
        // The message icons of Qt have the shell's numbers, 0 to 3.
        icon_.showMessage(
            title, text,
            static_cast<QSystemTrayIcon::MessageIcon>(iconNumber <= 3 ? iconNumber : 0), timeoutMs);
        shown = true;
    } else {
        shown = notifications_->Show(title, text, iconNumber,
                                     (infoFlags & platform::NIIF_NOSOUND) != 0, timeoutMs);
    }
    if (!shown) return;
    balloonShowing_ = true;
    balloonTimer_.start();
    Notify(platform::NIN_BALLOONSHOW);
}

void QtShellNotify::HideBalloon() {
    if (!balloonShowing_) return;
    balloonShowing_ = false;
    balloonTimer_.stop();
    // An empty message takes Qt's own balloon away.
    icon_.showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
    notifications_->Close();
    Notify(platform::NIN_BALLOONHIDE);
}

void QtShellNotify::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            Notify(platform::WM_RBUTTONUP, KeyState());
            break;
        case QSystemTrayIcon::Trigger:
            Notify(platform::WM_LBUTTONUP, KeyState());
            break;
        case QSystemTrayIcon::DoubleClick:
            Notify(platform::WM_LBUTTONDBLCLK, KeyState());
            break;
        case QSystemTrayIcon::MiddleClick:
            Notify(kWmMButtonUp, KeyState());
            break;
        default:
            break;
    }
}

void QtShellNotify::OnBalloonClicked() {
    if (!balloonShowing_) return;
    balloonShowing_ = false;
    balloonTimer_.stop();
    Notify(platform::NIN_BALLOONUSERCLICK);
}

void QtShellNotify::OnBalloonTimedOut() {
    if (!balloonShowing_) return;
    balloonShowing_ = false;
    Notify(platform::NIN_BALLOONTIMEOUT);
}

void QtShellNotify::OnBalloonDismissed() {
    if (!balloonShowing_) return;
    balloonShowing_ = false;
    balloonTimer_.stop();
    Notify(platform::NIN_BALLOONHIDE);
}

void QtShellNotify::PollTray() {
    const bool available = options_.trayAvailable();
    if (available && !trayWasAvailable_ && added_) {
        // A tray host has started: embed the icon anew.
        icon_.hide();
        icon_.show();
    }
    trayWasAvailable_ = available;
}

void QtShellNotify::Notify(uint32_t number, platform::WPARAM keyState) {
    const platform::HWND window = record_.hWnd;
    QMetaObject::invokeMethod(
        this,
        [window, number, keyState] {
            if (platform::HiddenWindow* target = platform::WindowFromHandle(window)) {
                target->SendMessageA(platform::WM_MOUSEMOVE, keyState,
                                     static_cast<platform::LPARAM>(number & 0xFFFF));
            }
        },
        Qt::QueuedConnection);
}

}  // namespace quarnel::qt
