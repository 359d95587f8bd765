// SPDX-License-Identifier: MIT
// The tray on a StatusNotifierItem desktop: a stand-in watcher on a private
// session bus, the item's clicks, and its menu read and used over dbusmenu
// the way a host does.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>

#include "PrivateBus.h"
#include "shell/qt/DBusMenu.h"
#include "shell/qt/QtShellNotify.h"
#include "shell/qt/StatusNotifierItem.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;
using namespace platform;
using qt::DBusMenuLayoutItem;

class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

  public:
    QStringList items;

  public slots:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
};

const QString kWatcher = "org.kde.StatusNotifierWatcher";

MenuItem Item(const char* name, const char* caption, bool enabled = true, bool visible = true,
              bool checked = false) {
    return {name, caption, caption[0] == '\0', enabled, visible, checked};
}

// The program's side: its menu as the tray handler sets it, the items it
// was asked to run, and the menus it would have shown itself.
struct ProgramWindow {
    bool connected = false;
    std::vector<uint32_t> numbers;
    std::vector<std::string> chosen;
    int ownMenus = 0;
    std::unique_ptr<HiddenWindow> window =
        CreateHiddenWindow("program", [this](HWND, UINT msg, WPARAM keys, LPARAM number) {
            if (msg != WM_MOUSEMOVE) return LRESULT{0};
            numbers.push_back(static_cast<uint32_t>(number));
            if (number != WM_RBUTTONUP) return LRESULT{0};
            const bool ctrl = keys == MK_CONTROL;
            const std::vector<MenuItem> items{
                Item("mnuReadData", "Read scanner data now", connected), Item("mnuSep1", ""),
                Item("mnuExit", "Exit"), Item("mnuSep3", "", true, ctrl),
                Item("mnuExtendedLogging", "Exteded logging", true, ctrl)};
            if (auto answer = qt::AnswerPopupFromExportedMenu(items)) {
                if (*answer) chosen.push_back(**answer);
            } else {
                ++ownMenus;
            }
            return LRESULT{0};
        });
};

TEST(DBusMenuLayoutTest, ItemsBecomeDBusMenuProperties) {
    const std::vector<MenuItem> items{
        Item("mnuReadData", "Read_now", false), Item("mnuSep3", "", true, false),
        Item("mnuExtendedLogging", "Exteded logging", true, true, true)};
    const DBusMenuLayoutItem root = qt::DBusMenu::Layout(items);
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.properties.value("children-display"), "submenu");
    ASSERT_EQ(root.children.size(), 3);
    const QVariantMap expected[] = {{{"label", "Read__now"}, {"enabled", false}, {"visible", true}},
                                    {{"type", "separator"}, {"visible", false}},
                                    {{"label", "Exteded logging"},
                                     {"enabled", true},
                                     {"visible", true},
                                     {"toggle-type", "checkmark"},
                                     {"toggle-state", 1}}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(root.children[i].id, i + 1);
        EXPECT_EQ(root.children[i].properties, expected[i]) << i;
        EXPECT_TRUE(root.children[i].children.isEmpty());
    }
    // Only the properties asked for.
    EXPECT_EQ(qt::DBusMenu::Layout(items, {"enabled"}).children[0].properties,
              (QVariantMap{{"enabled", false}}));
}

class StatusNotifierItemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::PrivateBusStarted()) GTEST_SKIP() << "no dbus-daemon";
        qt::RegisterDBusMenuTypes();
        test::StandInBus().registerObject("/StatusNotifierWatcher", &watcher_,
                                          QDBusConnection::ExportAllSlots);
        ASSERT_TRUE(test::StandInBus().registerService(kWatcher));
        qt::QtShellNotify::Options options;
        options.trayAvailable = [] { return false; };
        shell_ = std::make_unique<qt::QtShellNotify>(options);
        NotifyIconRecord record{.hWnd = program_.window->Handle(),
                                .uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP,
                                .uCallbackMessage = WM_MOUSEMOVE,
                                .hIcon = kIconScannerError};
        std::memcpy(record.szTip.data(), "Quarnel", 8);
        ASSERT_TRUE(shell_->Shell_NotifyIconA(NIM_ADD, record));
        ASSERT_TRUE(test::RunEventsUntil([&] { return !watcher_.items.isEmpty(); }));
        service_ = watcher_.items.first();
    }
    void TearDown() override {
        shell_.reset();
        test::StandInBus().unregisterService(kWatcher);
        test::StandInBus().unregisterObject("/StatusNotifierWatcher");
    }

    QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(service_, path, interface, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = test::StandInBus().asyncCall(call);
        EXPECT_TRUE(test::Answered(pending)) << method.toStdString();
        return pending.reply();
    }
    QDBusMessage Menu(const QString& method, const QVariantList& arguments) {
        return Call("/MenuBar", "com.canonical.dbusmenu", method, arguments);
    }
    QVariant ItemProperty(const char* name) {
        const QDBusMessage reply =
            Call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                 {QStringLiteral("org.kde.StatusNotifierItem"), QString::fromLatin1(name)});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    DBusMenuLayoutItem Layout() {
        const QDBusMessage reply = Menu("GetLayout", {0, -1, QStringList()});
        EXPECT_EQ(reply.signature(), "u(ia{sv}av)") << reply.errorMessage().toStdString();
        return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().value(1));
    }
    bool AboutToShow() { return Menu("AboutToShow", {0}).arguments().value(0).toBool(); }

    FakeWatcher watcher_;
    ProgramWindow program_;
    std::unique_ptr<qt::QtShellNotify> shell_;
    QString service_;
};

TEST_F(StatusNotifierItemTest, ItemShowsIconTipAndMenuAndPassesClicksOn) {
    EXPECT_EQ(shell_->findChild<QSystemTrayIcon*>(), nullptr);
    EXPECT_EQ(ItemProperty("Menu").value<QDBusObjectPath>().path(), "/MenuBar");
    EXPECT_FALSE(ItemProperty("ItemIsMenu").toBool());
    const auto pixmaps = qdbus_cast<qt::SniPixmaps>(ItemProperty("IconPixmap"));
    ASSERT_FALSE(pixmaps.isEmpty());
    EXPECT_EQ(pixmaps.first().bytes.size(), pixmaps.first().width * pixmaps.first().height * 4);
    EXPECT_EQ(qdbus_cast<qt::SniToolTip>(ItemProperty("ToolTip")).title, "Quarnel");

    // Left and middle click and a host's own menu request arrive as the
    // mouse messages they stand for; the last opens the program's menu.
    for (const char* method : {"Activate", "SecondaryActivate", "ContextMenu"})
        Call("/StatusNotifierItem", "org.kde.StatusNotifierItem", method, {10, 20});
    ASSERT_TRUE(test::RunEventsUntil([&] { return program_.numbers.size() >= 3; }));
    EXPECT_EQ(program_.numbers, (std::vector<uint32_t>{WM_LBUTTONUP, 0x208, WM_RBUTTONUP}));
    EXPECT_EQ(program_.ownMenus, 1);
}

TEST_F(StatusNotifierItemTest, MenuIsRefreshedBeforeShowingAndRunsTheChosenItem) {
    // The host may read the layout before it ever shows the menu.
    DBusMenuLayoutItem layout = Layout();
    ASSERT_EQ(layout.children.size(), 5);
    EXPECT_EQ(layout.children[0].properties.value("label"), "Read scanner data now");
    EXPECT_FALSE(layout.children[0].properties.value("enabled").toBool());
    EXPECT_FALSE(layout.children[4].properties.value("visible").toBool());

    // A scanner was connected since: the host learns it before showing.
    EXPECT_FALSE(AboutToShow());
    program_.connected = true;
    EXPECT_TRUE(AboutToShow());
    EXPECT_TRUE(Layout().children[0].properties.value("enabled").toBool());

    Menu("Event", {1, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    Menu("Event", {3, QStringLiteral("hovered"), QVariant::fromValue(QDBusVariant(0)), 0u});
    ASSERT_TRUE(test::RunEventsUntil([&] { return !program_.chosen.empty(); }));
    Menu("Event", {3, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    ASSERT_TRUE(test::RunEventsUntil([&] { return program_.chosen.size() >= 2; }));
    EXPECT_EQ(program_.chosen, (std::vector<std::string>{"mnuReadData", "mnuExit"}));
    EXPECT_EQ(program_.ownMenus, 0);

    // Ids the menu does not have are errors.
    EXPECT_EQ(Menu("GetLayout", {99, -1, QStringList()}).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(
        Menu("Event", {6, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u})
            .type(),
        QDBusMessage::ErrorMessage);
}

TEST_F(StatusNotifierItemTest, IconFollowsTheWatcher) {
    // The watcher goes: an XEmbed icon in its place.
    test::StandInBus().unregisterService(kWatcher);
    ASSERT_TRUE(test::RunEventsUntil([&] { return shell_->Item() == nullptr; }));
    QSystemTrayIcon* icon = shell_->findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->isVisible());

    // It comes back: the item again, told to the new watcher.
    ASSERT_TRUE(test::StandInBus().registerService(kWatcher));
    ASSERT_TRUE(test::RunEventsUntil([&] { return watcher_.items.size() == 2; }));
    EXPECT_NE(shell_->Item(), nullptr);
    EXPECT_FALSE(icon->isVisible());
}

}  // namespace
}  // namespace quarnel

#include "StatusNotifierItemTest.moc"
