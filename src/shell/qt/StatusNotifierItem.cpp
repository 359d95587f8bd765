// SPDX-License-Identifier: MIT
#include "shell/qt/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QImage>
#include <QtEndian>

namespace quarnel::qt {
namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip) {
    argument.beginStructure();
    argument << tip.iconName << tip.icon << tip.title << tip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip) {
    argument.beginStructure();
    argument >> tip.iconName >> tip.icon >> tip.title >> tip.description;
    argument.endStructure();
    return argument;
}

SniPixmaps PixmapsOf(const QIcon& icon) {
    SniPixmaps pixmaps;
    for (int size : {16, 22, 24, 32, 48}) {
        const QImage image = icon.pixmap(size, size)
                                 .toImage()
                                 .scaled(size, size)
                                 .convertToFormat(QImage::Format_ARGB32);
        SniPixmap pixmap{size, size, QByteArray(size * size * 4, '\0')};
        auto* out = reinterpret_cast<uint32_t*>(pixmap.bytes.data());
        for (int y = 0; y < size; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < size; ++x) qToBigEndian<uint32_t>(line[x], out++);
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}

StatusNotifierItem::StatusNotifierItem(Events events, std::unique_ptr<DBusMenu> menu)
    : events_(std::move(events)), menu_(std::move(menu)) {
    static int instances = 0;
    serviceName_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(++instances);
    qDBusRegisterMetaType<SniPixmap>();
    qDBusRegisterMetaType<SniPixmaps>();
    qDBusRegisterMetaType<SniToolTip>();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!onBus_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kMenuPath);
    bus.unregisterObject(kItemPath);
    // The watcher drops the item once its name is gone.
    bus.unregisterService(serviceName_);
}

bool StatusNotifierItem::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!onBus_) {
        const auto exported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                              QDBusConnection::ExportAllProperties;
        onBus_ = bus.registerObject(kItemPath, this, exported) &&
                 bus.registerObject(kMenuPath, menu_.get(), exported) &&
                 bus.registerService(serviceName_);
        if (!onBus_) {
            bus.unregisterObject(kMenuPath);
            bus.unregisterObject(kItemPath);
            return false;
        }
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName_;
    return bus.send(call);
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
    pixmaps_ = PixmapsOf(icon);
    if (onBus_) emit NewIcon();
}

void StatusNotifierItem::SetToolTip(const QString& text) {
    if (text == toolTip_) return;
    toolTip_ = text;
    if (onBus_) emit NewToolTip();
}

QDBusObjectPath StatusNotifierItem::Menu() const {
    return QDBusObjectPath(kMenuPath);
}

void StatusNotifierItem::Activate(int, int) {
    events_.activate();
}

void StatusNotifierItem::SecondaryActivate(int, int) {
    events_.secondaryActivate();
}

void StatusNotifierItem::ContextMenu(int, int) {
    events_.contextMenu();
}

void StatusNotifierItem::Scroll(int, const QString&) {}

}  // namespace quarnel::qt
