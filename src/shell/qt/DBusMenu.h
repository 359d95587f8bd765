// SPDX-License-Identifier: MIT
// The tray menu exported over com.canonical.dbusmenu, for a
// StatusNotifierItem host. The items are the program's own: before the host
// shows the menu, the program is asked for them with the icon's right-click
// notification, and its pop-up request is answered from here without a
// menu of our own. A chosen item is run the same way, the request then
// answered with the item's name, so the program's checks and handlers are
// the ones of its own menu.
#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/HiddenWindow.h"

namespace quarnel::qt {

// (ia{sv}): an item's id and properties.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};

// (ias): an item's id and the names of removed properties.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList properties;
};

// (ia{sv}av): an item with its children, each child in a variant.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

class DBusMenu final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ Version)
    Q_PROPERTY(QString TextDirection READ TextDirection)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QStringList IconThemePath READ IconThemePath)

  public:
    // askProgram sends the program the icon's right-click notification with
    // that key state; keyState reads the keyboard now.
    DBusMenu(std::function<void(platform::WPARAM)> askProgram,
             std::function<platform::WPARAM()> keyState);
    ~DBusMenu() override;

    // The menu's root is id 0; the program's items follow from id 1 in
    // their order. Only the named properties, all when names is empty.
    static DBusMenuLayoutItem Layout(const std::vector<platform::MenuItem>& items,
                                     const QStringList& names = {});

    // Asks the program for its items; true when anything changed, which the
    // host is then told.
    bool Refresh();

    uint Version() const { return 3; }
    QString TextDirection() const { return QStringLiteral("ltr"); }
    QString Status() const { return QStringLiteral("normal"); }
    QStringList IconThemePath() const { return {}; }

    // Types named in full: QtDBus finds them by name.
  public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   quarnel::qt::DBusMenuLayoutItem& layout);
    QList<quarnel::qt::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                        const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<quarnel::qt::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

  signals:
    void ItemsPropertiesUpdated(const QList<quarnel::qt::DBusMenuItem>& updated,
                                const QList<quarnel::qt::DBusMenuItemKeys>& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

  private:
    bool Known(int id) const;
    bool HandleEvent(int id, const QString& eventId);
    void Choose(int id);
    void UnknownId(int id);

    std::function<void(platform::WPARAM)> askProgram_;
    std::function<platform::WPARAM()> keyState_;
    std::vector<platform::MenuItem> items_;
    // The key state the shown menu was made for: a choice from it is run
    // with the same, whatever the keyboard holds by then.
    platform::WPARAM shownKeyState_ = 0;
    uint revision_ = 1;
};

// Registers the D-Bus types of the menu; safe to call more than once.
void RegisterDBusMenuTypes();

// The program's pop-up request while the exported menu asks the program for
// its items: the answer to give (a name, or nothing chosen). Nothing when
// the request is the user's own, to be shown as a menu.
std::optional<std::optional<std::string>> AnswerPopupFromExportedMenu(
    const std::vector<platform::MenuItem>& items);

}  // namespace quarnel::qt

Q_DECLARE_METATYPE(quarnel::qt::DBusMenuItem)
Q_DECLARE_METATYPE(quarnel::qt::DBusMenuItemKeys)
Q_DECLARE_METATYPE(quarnel::qt::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(quarnel::qt::DBusMenuEvent)
