// SPDX-License-Identifier: MIT
// The notification area on a Qt desktop: one QSystemTrayIcon driven by the
// shell's icon record. Clicks on the icon and the life of its balloons come
// back to the record's window as notification numbers, the way the shell
// delivers them.
//
// NIM_ADD succeeds as soon as the record is held, tray or not: the icon is
// shown whenever a tray exists, so a tray host that starts (or restarts)
// later still gets the icon and the program keeps receiving its clicks.
// While there is no tray, balloons go to the desktop's notification service
// instead, and are dropped when there is none.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/ShellNotify.h"

namespace quarnel::qt {

class DesktopNotifications;

class QtShellNotify final : public QObject, public platform::ShellNotifyApi {
    Q_OBJECT

  public:
    struct Options {
        // Whether a tray host is running now.
        std::function<bool()> trayAvailable = [] {
            return QSystemTrayIcon::isSystemTrayAvailable();
        };
        std::chrono::milliseconds balloonTimeout{10000};
        // How often a tray host that appeared is looked for.
        std::chrono::milliseconds trayPollInterval{2000};
    };

    QtShellNotify();
    explicit QtShellNotify(Options options);
    ~QtShellNotify() override;

    bool Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) override;

  private:
    bool Modify(const platform::NotifyIconRecord& data);
    void ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags);
    void HideBalloon();
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void OnBalloonClicked();
    void OnBalloonTimedOut();
    void OnBalloonDismissed();
    void PollTray();
    // Sends a notification number to the record's window from the event loop,
    // never from inside the caller's own Shell_NotifyIconA.
    void Notify(uint32_t number, platform::WPARAM keyState = 0);

    Options options_;
    platform::NotifyIconRecord record_{};
    bool added_ = false;
    bool trayWasAvailable_ = false;
    bool balloonShowing_ = false;
    QSystemTrayIcon icon_;
    QTimer balloonTimer_;
    QTimer trayPoll_;
    std::unique_ptr<DesktopNotifications> notifications_;
};

}  // namespace quarnel::qt
