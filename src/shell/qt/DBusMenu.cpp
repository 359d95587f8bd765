// SPDX-License-Identifier: MIT
#include "shell/qt/DBusMenu.h"

#include <QDBusMetaType>
#include <QTimer>

#include "shell/qt/QtStrings.h"

namespace quarnel::qt {
namespace {

// The pop-up request the program is expected to make while it is asked.
struct PopupClaim {
    std::optional<std::string> answer;
    bool asked = false;
    std::vector<platform::MenuItem> items;
};
PopupClaim* g_claim = nullptr;

bool SameItems(const std::vector<platform::MenuItem>& a, const std::vector<platform::MenuItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.name == y.name && x.caption == y.caption && x.separator == y.separator &&
               x.enabled == y.enabled && x.visible == y.visible && x.checked == y.checked;
    });
}

// "_" marks the access key in a label; a caption's own is doubled.
QString Label(const std::string& caption) {
    QString label = FromUtf8(caption);
    label.replace(u'_', QStringLiteral("__"));
    return label;
}

QVariantMap Properties(const platform::MenuItem& item) {
    QVariantMap properties;
    properties.insert(QStringLiteral("visible"), item.visible);
    if (item.separator) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), Label(item.caption));
    properties.insert(QStringLiteral("enabled"), item.enabled);
    if (item.checked) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), 1);
    }
    return properties;
}

QVariantMap Only(QVariantMap properties, const QStringList& names) {
    if (names.isEmpty()) return properties;
    for (auto it = properties.begin(); it != properties.end();)
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    return properties;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    item.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children.append(qdbus_cast<DBusMenuLayoutItem>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event) {
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event) {
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

void RegisterDBusMenuTypes() {
    qDBusRegisterMetaType<DBusMenuItem>();
    qDBusRegisterMetaType<QList<DBusMenuItem>>();
    qDBusRegisterMetaType<DBusMenuItemKeys>();
    qDBusRegisterMetaType<QList<DBusMenuItemKeys>>();
    qDBusRegisterMetaType<DBusMenuLayoutItem>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<QList<DBusMenuEvent>>();
}

std::optional<std::optional<std::string>> AnswerPopupFromExportedMenu(
    const std::vector<platform::MenuItem>& items) {
    PopupClaim* claim = g_claim;
    if (!claim) return std::nullopt;
    // Claimed once: a menu that the chosen item's handler opens is real.
    g_claim = nullptr;
    claim->asked = true;
    claim->items = items;
    return claim->answer;
}

DBusMenu::DBusMenu(std::function<void(platform::WPARAM)> askProgram,
                   std::function<platform::WPARAM()> keyState)
    : askProgram_(std::move(askProgram)), keyState_(std::move(keyState)) {
    RegisterDBusMenuTypes();
}

DBusMenu::~DBusMenu() = default;

DBusMenuLayoutItem DBusMenu::Layout(const std::vector<platform::MenuItem>& items,
                                    const QStringList& names) {
    DBusMenuLayoutItem root;
    root.properties =
        Only({{QStringLiteral("children-display"), QStringLiteral("submenu")}}, names);
    for (size_t i = 0; i < items.size(); ++i)
        root.children.append({static_cast<int>(i) + 1, Only(Properties(items[i]), names), {}});
    return root;
}

bool DBusMenu::Refresh() {
    PopupClaim claim;
    g_claim = &claim;
    const platform::WPARAM keys = keyState_();
    askProgram_(keys);
    if (g_claim == &claim) g_claim = nullptr;
    if (!claim.asked) return false;
    shownKeyState_ = keys;
    if (SameItems(claim.items, items_)) return false;
    items_ = std::move(claim.items);
    ++revision_;
    emit LayoutUpdated(revision_, 0);
    return true;
}

void DBusMenu::Choose(int id) {
    if (id < 1 || static_cast<size_t>(id) > items_.size()) return;
    PopupClaim claim;
    claim.answer = items_[static_cast<size_t>(id) - 1].name;
    g_claim = &claim;
    askProgram_(shownKeyState_);
    if (g_claim == &claim) g_claim = nullptr;
}

bool DBusMenu::Known(int id) const {
    return id >= 0 && static_cast<size_t>(id) <= items_.size();
}

void DBusMenu::UnknownId(int id) {
    if (calledFromDBus())
        sendErrorReply(QStringLiteral("com.canonical.dbusmenu.Error.UnknownId"),
                       QStringLiteral("No menu item %1").arg(id));
}

uint DBusMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                         DBusMenuLayoutItem& layout) {
    if (!Known(parentId)) {
        UnknownId(parentId);
        return revision_;
    }
    // A host that reads the menu before ever showing it still gets items.
    if (items_.empty()) Refresh();
    const DBusMenuLayoutItem root = Layout(items_, propertyNames);
    if (parentId == 0) {
        layout = root;
        if (recursionDepth == 0) layout.children.clear();
    } else {
        layout = root.children.at(parentId - 1);
    }
    return revision_;
}

QList<DBusMenuItem> DBusMenu::GetGroupProperties(const QList<int>& ids,
                                                 const QStringList& propertyNames) {
    const DBusMenuLayoutItem root = Layout(items_, propertyNames);
    QList<DBusMenuItem> found;
    if (ids.isEmpty() || ids.contains(0)) found.append({0, root.properties});
    for (const DBusMenuLayoutItem& child : root.children)
        if (ids.isEmpty() || ids.contains(child.id)) found.append({child.id, child.properties});
    return found;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name) {
    if (!Known(id)) {
        UnknownId(id);
        return QDBusVariant(QVariant(0));
    }
    const DBusMenuLayoutItem root = Layout(items_, {name});
    const QVariantMap& properties = id == 0 ? root.properties : root.children.at(id - 1).properties;
    return QDBusVariant(properties.value(name, QVariant(0)));
}

bool DBusMenu::HandleEvent(int id, const QString& eventId) {
    if (!Known(id)) return false;
    // Run from the loop: the host has its answer before a dialog opens.
    if (eventId == QStringLiteral("clicked") && id > 0)
        QTimer::singleShot(0, this, [this, id] { Choose(id); });
    return true;
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!HandleEvent(id, eventId)) UnknownId(id);
}

QList<int> DBusMenu::EventGroup(const QList<DBusMenuEvent>& events) {
    QList<int> errors;
    for (const DBusMenuEvent& event : events)
        if (!HandleEvent(event.id, event.eventId)) errors.append(event.id);
    return errors;
}

bool DBusMenu::AboutToShow(int id) {
    if (!Known(id)) {
        UnknownId(id);
        return false;
    }
    return id == 0 && Refresh();
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    QList<int> updated;
    for (int id : ids) {
        if (!Known(id)) {
            idErrors.append(id);
        } else if (id == 0 && Refresh()) {
            updated.append(0);
        }
    }
    return updated;
}

}  // namespace quarnel::qt
