// SPDX-License-Identifier: MIT
// The tray icon as an org.kde.StatusNotifierItem on the session bus, for
// desktops whose tray is a StatusNotifierWatcher and its hosts. Its menu is
// exported over com.canonical.dbusmenu (DBusMenu).
#pragma once

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "shell/qt/DBusMenu.h"

namespace quarnel::qt {

// (iiay): an ARGB32 image in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using SniPixmaps = QList<SniPixmap>;

// (sa(iiay)ss)
struct SniToolTip {
    QString iconName;
    SniPixmaps icon;
    QString title;
    QString description;
};

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip);

// The icon in the sizes hosts draw.
SniPixmaps PixmapsOf(const QIcon& icon);

class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(int WindowId READ WindowId)
    Q_PROPERTY(QString IconThemePath READ NoName)
    Q_PROPERTY(QString IconName READ NoName)
    Q_PROPERTY(quarnel::qt::SniPixmaps IconPixmap READ IconPixmap)
    Q_PROPERTY(QString OverlayIconName READ NoName)
    Q_PROPERTY(quarnel::qt::SniPixmaps OverlayIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionIconName READ NoName)
    Q_PROPERTY(quarnel::qt::SniPixmaps AttentionIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ NoName)
    Q_PROPERTY(quarnel::qt::SniToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ Menu)

  public:
    // What the host's clicks do: activate is the primary (left) click,
    // secondaryActivate the middle click, contextMenu a host's request to
    // show the menu itself.
    struct Events {
        std::function<void()> activate;
        std::function<void()> secondaryActivate;
        std::function<void()> contextMenu;
    };

    StatusNotifierItem(Events events, std::unique_ptr<DBusMenu> menu);
    ~StatusNotifierItem() override;

    // Puts the item and its menu on the bus and tells the watcher; again
    // after the watcher has restarted.
    bool Register();
    void SetIcon(const QIcon& icon);
    void SetToolTip(const QString& text);
    const QString& ServiceName() const { return serviceName_; }

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const { return QStringLiteral("quarnel"); }
    QString Title() const { return QStringLiteral("Quarnel"); }
    QString Status() const { return QStringLiteral("Active"); }
    int WindowId() const { return 0; }
    QString NoName() const { return QString(); }
    SniPixmaps IconPixmap() const { return pixmaps_; }
    SniPixmaps NoPixmaps() const { return {}; }
    SniToolTip ToolTip() const { return {QString(), {}, toolTip_, QString()}; }
    bool ItemIsMenu() const { return false; }
    QDBusObjectPath Menu() const;

  public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

  signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

  private:
    Events events_;
    std::unique_ptr<DBusMenu> menu_;
    QString serviceName_;
    bool onBus_ = false;
    SniPixmaps pixmaps_;
    QString toolTip_;
};

}  // namespace quarnel::qt

Q_DECLARE_METATYPE(quarnel::qt::SniPixmap)
Q_DECLARE_METATYPE(quarnel::qt::SniToolTip)
