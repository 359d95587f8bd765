// SPDX-License-Identifier: MIT
#include "shell/qt/QtShellNotify.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include "shell/qt/DBusMenu.h"
#include "shell/qt/DesktopNotifications.h"
#include "shell/qt/QtIcons.h"
#include "shell/qt/QtStrings.h"
#include "shell/qt/StatusNotifierItem.h"

namespace quarnel::qt {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

template <size_t N>
QString FieldText(const std::array<char, N>& field) {
    return FromAnsiField(field.data(), N);
}

// Read from the display server, so it also holds while another program (a
// StatusNotifierItem host) has the keyboard.
platform::WPARAM KeyState() {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    platform::WPARAM state = 0;
    if (modifiers & Qt::ShiftModifier) state |= platform::MK_SHIFT;
    if (modifiers & Qt::ControlModifier) state |= platform::MK_CONTROL;
    if (modifiers & Qt::AltModifier) state |= platform::MK_ALT;
    return state;
}

bool WatcherRunning() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(kWatcher).value();
}

constexpr uint32_t kWmMButtonUp = 0x208;

}  // namespace

QtShellNotify::QtShellNotify() : QtShellNotify(Options{}) {}

QtShellNotify::QtShellNotify(Options options)
    : options_(std::move(options)),
      notifications_(std::make_unique<DesktopNotifications>(
          DesktopNotifications::Events{[this] { EndBalloon(platform::NIN_BALLOONUSERCLICK); },
                                       [this] { EndBalloon(platform::NIN_BALLOONHIDE); },
                                       [this] { EndBalloon(platform::NIN_BALLOONTIMEOUT); }})) {
    balloonTimer_.setSingleShot(true);
    balloonTimer_.setInterval(options_.balloonTimeout);
    connect(&balloonTimer_, &QTimer::timeout, this, &QtShellNotify::OnBalloonTimedOut);
    trayPoll_.setInterval(options_.trayPollInterval);
    connect(&trayPoll_, &QTimer::timeout, this, &QtShellNotify::PollTray);
    watcher_ = new QDBusServiceWatcher(kWatcher, QDBusConnection::sessionBus(),
                                       QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, &QtShellNotify::PlaceIcon);
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
            PlaceIcon();
            trayPoll_.start();
            return true;
        case platform::NIM_MODIFY:
            return added_ && Names(data) && Modify(data);
        case platform::NIM_DELETE:
            if (!added_ || !Names(data)) return false;
            HideBalloon();
            if (qtIcon_) qtIcon_->hide();
            item_.reset();
            trayPoll_.stop();
            added_ = false;
            return true;
        case platform::NIM_SETVERSION:
            return added_ && Names(data);
        default:
            return false;
    }
}

// The shell knows an icon by its window and id.
bool QtShellNotify::Names(const platform::NotifyIconRecord& data) const {
    return data.hWnd == record_.hWnd && data.uID == record_.uID;
}

bool QtShellNotify::Modify(const platform::NotifyIconRecord& data) {
    if (data.uFlags & platform::NIF_ICON) {
        record_.hIcon = data.hIcon;
        if (qtIcon_) qtIcon_->setIcon(IconFromHandle(data.hIcon));
        if (item_) item_->SetIcon(IconFromHandle(data.hIcon));
    }
    if (data.uFlags & platform::NIF_TIP) {
        record_.szTip = data.szTip;
        if (qtIcon_) qtIcon_->setToolTip(FieldText(data.szTip));
        if (item_) item_->SetToolTip(FieldText(data.szTip));
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

void QtShellNotify::PlaceIcon() {
    if (!added_) return;
    if (WatcherRunning()) {
        if (qtIcon_) qtIcon_->hide();
        if (item_) {
            // A watcher that has restarted knows nothing of the item.
            item_->Register();
        } else {
            MakeItem();
        }
    } else {
        item_.reset();
        if (!qtIcon_) MakeQtIcon();
        qtIcon_->setIcon(IconFromHandle(record_.hIcon));
        qtIcon_->setToolTip(FieldText(record_.szTip));
        qtIcon_->show();
    }
}

void QtShellNotify::MakeItem() {
    // The menu asks the window at once: its answer is needed before the
    // host shows the menu.
    auto askWindow = [this](platform::WPARAM keys) {
        if (platform::HiddenWindow* target = platform::WindowFromHandle(record_.hWnd))
            target->SendMessageA(platform::WM_MOUSEMOVE, keys, platform::WM_RBUTTONUP);
    };
    item_ = std::make_unique<StatusNotifierItem>(
        StatusNotifierItem::Events{[this] { Notify(platform::WM_LBUTTONUP, KeyState()); },
                                   [this] { Notify(kWmMButtonUp, KeyState()); },
                                   [this] { Notify(platform::WM_RBUTTONUP, KeyState()); }},
        std::make_unique<DBusMenu>(askWindow, KeyState));
    item_->SetIcon(IconFromHandle(record_.hIcon));
    item_->SetToolTip(FieldText(record_.szTip));
    item_->Register();
}

void QtShellNotify::MakeQtIcon() {
    qtIcon_ = std::make_unique<QSystemTrayIcon>(this);
    connect(qtIcon_.get(), &QSystemTrayIcon::activated, this, &QtShellNotify::OnActivated);
    connect(qtIcon_.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (balloon_ == Balloon::Qt) EndBalloon(platform::NIN_BALLOONUSERCLICK);
    });
    trayWasAvailable_ = options_.trayAvailable();
}

void QtShellNotify::ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags) {
    const uint32_t iconNumber = infoFlags & 0x0F;
    const int timeoutMs = static_cast<int>(options_.balloonTimeout.count());
    if (notifications_->Show(title, text, iconNumber, (infoFlags & platform::NIIF_NOSOUND) != 0,
                             timeoutMs)) {
        balloon_ = Balloon::Notification;
    } else if (qtIcon_ && !item_ && options_.trayAvailable() &&
               QSystemTrayIcon::supportsMessages()) {
        // The message icons of Qt have the shell's numbers, 0 to 3.
        qtIcon_->showMessage(
            title, text,
            static_cast<QSystemTrayIcon::MessageIcon>(iconNumber <= 3 ? iconNumber : 0), timeoutMs);
        balloon_ = Balloon::Qt;
    } else {
        return;
    }
    balloonTimer_.start();
    Notify(platform::NIN_BALLOONSHOW);
}

void QtShellNotify::HideBalloon() {
    switch (balloon_) {
        case Balloon::None:
            return;
        case Balloon::Notification:
            notifications_->Close();
            break;
        case Balloon::Qt:
            // An empty message takes Qt's own balloon away.
            if (qtIcon_) qtIcon_->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
            break;
    }
    EndBalloon(platform::NIN_BALLOONHIDE);
}

void QtShellNotify::EndBalloon(uint32_t number) {
    if (balloon_ == Balloon::None) return;
    balloon_ = Balloon::None;
    balloonTimer_.stop();
    Notify(number);
}

void QtShellNotify::OnBalloonTimedOut() {
    // A service may keep a notification longer than a balloon lives.
    if (balloon_ == Balloon::Notification) notifications_->Close();
    EndBalloon(platform::NIN_BALLOONTIMEOUT);
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

void QtShellNotify::PollTray() {
    if (!qtIcon_ || item_) return;
    const bool available = options_.trayAvailable();
    if (available && !trayWasAvailable_ && added_) {
        // A tray host has started: embed the icon anew.
        qtIcon_->hide();
        qtIcon_->show();
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
