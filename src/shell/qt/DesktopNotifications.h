// SPDX-License-Identifier: MIT
// Balloons without a tray: the desktop's notification service
// (org.freedesktop.Notifications on the session bus).
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace quarnel::qt {

class DesktopNotifications final : public QObject {
    Q_OBJECT

  public:
    // clicked and dismissed are called for the notification last shown.
    DesktopNotifications(std::function<void()> clicked, std::function<void()> dismissed);

    // True when the service took the notification. A second call replaces
    // the notification shown before in place.
    bool Show(const QString& title, const QString& text, uint32_t iconNumber, bool silent,
              int timeoutMs);
    void Close();

  private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

  private:
    bool Connect();

    std::function<void()> clicked_;
    std::function<void()> dismissed_;
    bool connected_ = false;
    uint id_ = 0;
};

}  // namespace quarnel::qt
