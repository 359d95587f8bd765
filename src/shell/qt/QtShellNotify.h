// SPDX-License-Identifier: MIT
// The notification area on a Qt desktop, driven by the shell's icon record.
// Clicks on the icon and the life of its balloons come back to the record's
// window as notification numbers, the way the shell delivers them.
//
// Where the desktop runs an org.kde.StatusNotifierWatcher, the icon is our
// own StatusNotifierItem with its menu exported over dbusmenu; otherwise it
// is a QSystemTrayIcon in an XEmbed tray. The choice follows the watcher as
// it comes and goes.
//
// NIM_ADD succeeds as soon as the record is held, tray or not: the icon is
// shown whenever a tray exists, so a tray host that starts (or restarts)
// later still gets the icon and the program keeps receiving its clicks.
//
// Balloons are desktop notifications whenever a notification service runs:
// one notification, updated in place, closed by a hide or after the
// balloon's time-out. Only an XEmbed tray without such a service shows Qt's
// own balloon; with neither, balloons are dropped.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/ShellNotify.h"

class QDBusServiceWatcher;

namespace quarnel::qt {

class DesktopNotifications;
class StatusNotifierItem;

class QtShellNotify final : public QObject, public platform::ShellNotifyApi {
    Q_OBJECT

  public:
    struct Options {
        // Whether an XEmbed tray host is running now.
        std::function<bool()> trayAvailable = [] {
            return QSystemTrayIcon::isSystemTrayAvailable();
        };
        std::chrono::milliseconds balloonTimeout{10000};
        // How often an XEmbed tray host that appeared is looked for.
        std::chrono::milliseconds trayPollInterval{2000};
    };

    QtShellNotify();
    explicit QtShellNotify(Options options);
    ~QtShellNotify() override;

    bool Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) override;

    // The StatusNotifierItem while that is the icon, else null.
    StatusNotifierItem* Item() const { return item_.get(); }

  private:
    enum class Balloon { None, Notification, Qt };

    bool Names(const platform::NotifyIconRecord& data) const;
    bool Modify(const platform::NotifyIconRecord& data);
    // Puts the icon where the desktop wants it now.
    void PlaceIcon();
    void MakeItem();
    void MakeQtIcon();
    void ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags);
    void HideBalloon();
    void EndBalloon(uint32_t number);
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void OnBalloonTimedOut();
    void PollTray();
    // Sends a notification number to the record's window from the event loop,
    // never from inside the caller's own Shell_NotifyIconA.
    void Notify(uint32_t number, platform::WPARAM keyState = 0);

    Options options_;
    platform::NotifyIconRecord record_{};
    bool added_ = false;
    bool trayWasAvailable_ = false;
    Balloon balloon_ = Balloon::None;
    // Made only while no watcher runs: Qt picks its own D-Bus icon for good
    // when it first looks while one does.
    std::unique_ptr<QSystemTrayIcon> qtIcon_;
    std::unique_ptr<StatusNotifierItem> item_;
    QDBusServiceWatcher* watcher_ = nullptr;
    QTimer balloonTimer_;
    QTimer trayPoll_;
    std::unique_ptr<DesktopNotifications> notifications_;
};

}  // namespace quarnel::qt
