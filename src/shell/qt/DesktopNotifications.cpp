// SPDX-License-Identifier: MIT
#include "shell/qt/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace quarnel::qt {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// Closed reasons of the service: 2 means the user dismissed it.
constexpr uint kClosedByUser = 2;

QString IconName(uint32_t iconNumber) {
    switch (iconNumber) {
        case 1:
            return QStringLiteral("dialog-information");
        case 2:
            return QStringLiteral("dialog-warning");
        case 3:
            return QStringLiteral("dialog-error");
        default:
            return QString();
    }
}

}  // namespace

DesktopNotifications::DesktopNotifications(std::function<void()> clicked,
                                           std::function<void()> dismissed)
    : clicked_(std::move(clicked)), dismissed_(std::move(dismissed)) {}

bool DesktopNotifications::Connect() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kService).value()) {
        return false;
    }
    if (!connected_) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnClosed(uint, uint)));
        connected_ = true;
    }
    return true;
}

bool DesktopNotifications::Show(const QString& title, const QString& text, uint32_t iconNumber,
                                bool silent, int timeoutMs) {
    if (!Connect()) return false;
    QVariantMap hints;
    if (silent) hints.insert(QStringLiteral("suppress-sound"), true);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Quarnel") << id_ << IconName(iconNumber) << title << text
         << QStringList{QStringLiteral("default"), QString()} << hints << timeoutMs;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    id_ = reply.arguments().constFirst().toUInt();
    return true;
}

void DesktopNotifications::Close() {
    if (id_ == 0 || !Connect()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << id_;
    id_ = 0;
    QDBusConnection::sessionBus().send(call);
}

void DesktopNotifications::OnActionInvoked(uint id, const QString&) {
    if (id != 0 && id == id_) {
        id_ = 0;
        clicked_();
    }
}

void DesktopNotifications::OnClosed(uint id, uint reason) {
    if (id == 0 || id != id_) return;
    id_ = 0;
    if (reason == kClosedByUser) dismissed_();
}

}  // namespace quarnel::qt
