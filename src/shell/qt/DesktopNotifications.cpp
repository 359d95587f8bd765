// SPDX-License-Identifier: MIT
#include "shell/qt/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace quarnel::qt {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 2000;

// Reasons of NotificationClosed.
constexpr uint kExpired = 1;
constexpr uint kClosedByCall = 3;

// Normal urgency: a balloon never stays longer than its time-out, errors
// included ("critical" would keep it until dismissed).
constexpr uchar kUrgencyNormal = 1;

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

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

DesktopNotifications::DesktopNotifications(Events events) : events_(std::move(events)) {}

bool DesktopNotifications::Connect() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QString owner = bus.interface()->serviceOwner(kService).value();
    if (owner.isEmpty()) return false;
    if (owner != owner_) {
        // Another service instance: the ids and capabilities of the last
        // one mean nothing to it.
        owner_ = owner;
        id_ = 0;
        const QDBusMessage reply =
            bus.call(Call(QStringLiteral("GetCapabilities")), QDBus::Block, kCallTimeoutMs);
        capabilities_ = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                            ? reply.arguments().constFirst().toStringList()
                            : QStringList();
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

QString DesktopNotifications::Body(const QString& text) {
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!capabilities_.contains(QStringLiteral("body-markup"))) return body;
    body.replace(u'&', QStringLiteral("&amp;"));
    body.replace(u'<', QStringLiteral("&lt;"));
    body.replace(u'>', QStringLiteral("&gt;"));
    return body;
}

bool DesktopNotifications::Show(const QString& title, const QString& text, uint32_t iconNumber,
                                bool silent, int timeoutMs) {
    if (!Connect()) return false;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal));
    if (silent) hints.insert(QStringLiteral("suppress-sound"), true);
    QDBusMessage call = Call(QStringLiteral("Notify"));
    // "default" is the click on the notification itself, not a button.
    call << QStringLiteral("Quarnel") << id_ << IconName(iconNumber)
         << (title.isEmpty() ? QStringLiteral("Quarnel") : title) << Body(text)
         << QStringList{QStringLiteral("default"), QStringLiteral("Quarnel")} << hints << timeoutMs;
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    id_ = reply.arguments().constFirst().toUInt();
    return id_ != 0;
}

void DesktopNotifications::Close() {
    if (id_ == 0) return;
    // A service that has changed hands no longer knows the id.
    if (Connect() && id_ != 0) {
        QDBusMessage call = Call(QStringLiteral("CloseNotification"));
        call << id_;
        QDBusConnection::sessionBus().send(call);
    }
    id_ = 0;
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& action) {
    if (id == 0 || id != id_ || action != QStringLiteral("default")) return;
    // The service closes it too; that is no dismissal of ours.
    id_ = 0;
    events_.clicked();
}

void DesktopNotifications::OnClosed(uint id, uint reason) {
    if (id == 0 || id != id_) return;
    id_ = 0;
    if (reason == kExpired) {
        events_.expired();
    } else if (reason != kClosedByCall) {
        events_.dismissed();
    }
}

}  // namespace quarnel::qt
