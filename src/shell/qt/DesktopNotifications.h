// SPDX-License-Identifier: MIT
// The desktop's notification service (org.freedesktop.Notifications on the
// session bus) as the home of the tray's balloon: one notification, updated
// in place while it is open, closed on request, and its click, dismissal
// and expiry reported back.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace quarnel::qt {

class DesktopNotifications final : public QObject {
    Q_OBJECT

  public:
    // Each is called once for the notification last shown.
    struct Events {
        std::function<void()> clicked;
        std::function<void()> dismissed;
        std::function<void()> expired;
    };

    explicit DesktopNotifications(Events events);

    // True when the service took the notification. While the last one is
    // open, a second call replaces it in place. Texts are plain: escaped
    // where the service reads markup. An empty title becomes "Quarnel".
    bool Show(const QString& title, const QString& text, uint32_t iconNumber, bool silent,
              int timeoutMs);
    // Takes the open notification away; reports nothing back.
    void Close();

  private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

  private:
    bool Connect();
    QString Body(const QString& text);

    Events events_;
    bool connected_ = false;
    // The service instance whose ids and capabilities are held below.
    QString owner_;
    QStringList capabilities_;
    uint id_ = 0;
};

}  // namespace quarnel::qt
