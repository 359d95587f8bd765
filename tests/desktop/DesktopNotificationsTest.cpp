// Without a tray, balloons go to the desktop's notification service. The
// service here is a stand-in on a private session bus; it answers from a
// thread of its own, as a real service answers from its own process.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QThread>
#include <QVariantMap>
#include <mutex>

#include <unistd.h>

#include "ChildProcess.h"
#include "QtTestApp.h"
#include "TrayReceiver.h"
#include "platform/qt/QtShellNotify.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;

struct NotifyCall {
    QString app;
    uint replaces = 0;
    QString icon;
    QString summary;
    QString body;
    bool silent = false;
    int timeout = 0;
};

class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    std::vector<NotifyCall> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<uint> Closed() {
        std::lock_guard lock(mutex_);
        return closed_;
    }

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int timeout) {
        std::lock_guard lock(mutex_);
        calls_.push_back({app, replaces, icon, summary, body,
                          hints.value(QStringLiteral("suppress-sound")).toBool(), timeout});
        return replaces != 0 ? replaces : ++lastId_;
    }
    void CloseNotification(uint id) {
        std::lock_guard lock(mutex_);
        closed_.push_back(id);
    }

  private:
    std::mutex mutex_;
    std::vector<NotifyCall> calls_;
    std::vector<uint> closed_;
    uint lastId_ = 40;
};

class DesktopNotificationsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (access(kDaemon, X_OK) != 0) return;
        bus_ = new test::ChildProcess(
            {kDaemon, "--session", "--nofork", "--print-address=1", "--nosyslog"});
        const std::string address = bus_->ReadLine(10s).value_or("");
        // Set before the program's side first asks for its session bus.
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        test::QtTestApp();
    }
    static void TearDownTestSuite() {
        delete bus_;
        bus_ = nullptr;
    }

    void SetUp() override {
        if (bus_ == nullptr) GTEST_SKIP() << kDaemon << " is not installed";
    }

    DesktopNotificationsTest() {
        service_.moveToThread(&thread_);
        thread_.start();
        serviceBus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service_,
                                   QDBusConnection::ExportAllSlots);
        serviceBus_.registerService(QStringLiteral("org.freedesktop.Notifications"));

        qt::QtShellNotify::Options options;
        options.trayAvailable = [] { return false; };
        shell_ = std::make_unique<qt::QtShellNotify>(options);
        platform::NOTIFYICONDATA add;
        add.hWnd = receiver_.window->Handle();
        shell_->Shell_NotifyIconA(platform::NIM_ADD, add);
    }
    ~DesktopNotificationsTest() override {
        shell_.reset();
        serviceBus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        serviceBus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-service"));
        thread_.quit();
        thread_.wait();
    }

    void Balloon(const std::string& title, const std::string& text, uint32_t flags) {
        platform::NOTIFYICONDATA data;
        data.hWnd = receiver_.window->Handle();
        data.uFlags = platform::NIF_INFO;
        test::SetField(data.szInfoTitle, title);
        test::SetField(data.szInfo, text);
        data.dwInfoFlags = flags;
        ASSERT_TRUE(shell_->Shell_NotifyIconA(platform::NIM_MODIFY, data));
    }

    void Signal(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(name));
        signal.setArguments(arguments);
        serviceBus_.send(signal);
    }

    bool Received(size_t count) {
        return test::RunEventsUntil([&] { return receiver_.messages.size() >= count; }, 3s);
    }

    static constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
    static inline test::ChildProcess* bus_ = nullptr;
    QThread thread_;
    FakeNotificationService service_;
    QDBusConnection serviceBus_ =
        QDBusConnection::connectToBus(QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
                                      QStringLiteral("fake-service"));
    test::Receiver receiver_;
    std::unique_ptr<qt::QtShellNotify> shell_;
};

TEST_F(DesktopNotificationsTest, BalloonsAreShownUpdatedInPlaceAndClosed) {
    ASSERT_TRUE(serviceBus_.isConnected());
    Balloon("Connected to scanner 'OPN-2001'", "Reading barcode data...", platform::NIIF_INFO);
    Balloon("Connected to scanner 'OPN-2001'", "Bestelling succesvol verzonden",
            platform::NIIF_INFO | platform::NIIF_NOSOUND);
    Balloon("", "", 0);
    Balloon("Fout", "Caf\xE9", platform::NIIF_ERROR);

    const std::vector<NotifyCall> calls = service_.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].app, "Quarnel");
    EXPECT_EQ(calls[0].replaces, 0u);
    EXPECT_EQ(calls[0].icon, "dialog-information");
    EXPECT_EQ(calls[0].summary, "Connected to scanner 'OPN-2001'");
    EXPECT_EQ(calls[0].body, "Reading barcode data...");
    EXPECT_FALSE(calls[0].silent);
    EXPECT_EQ(calls[0].timeout, 10000);
    // The update replaces the notification shown.
    EXPECT_EQ(calls[1].replaces, 41u);
    EXPECT_EQ(calls[1].body, "Bestelling succesvol verzonden");
    EXPECT_TRUE(calls[1].silent);
    // After closing, a new notification; texts arrive as UTF-8.
    EXPECT_EQ(calls[2].replaces, 0u);
    EXPECT_EQ(calls[2].icon, "dialog-error");
    EXPECT_EQ(calls[2].body, QString::fromUtf8("Café"));
    EXPECT_EQ(service_.Closed(), std::vector<uint>{41});

    ASSERT_TRUE(Received(4));
    EXPECT_EQ(receiver_.Numbers(),
              (std::vector<uint32_t>{platform::NIN_BALLOONSHOW, platform::NIN_BALLOONSHOW,
                                     platform::NIN_BALLOONHIDE, platform::NIN_BALLOONSHOW}));
}

TEST_F(DesktopNotificationsTest, ClickedAndDismissedNotificationsAreReported) {
    Balloon("T", "clicked", platform::NIIF_INFO);
    ASSERT_TRUE(Received(1));
    // The service numbers its notifications from 41; another program's
    // notification is none of ours.
    Signal("ActionInvoked", {uint{999}, QStringLiteral("default")});
    Signal("ActionInvoked", {uint{41}, QStringLiteral("default")});
    ASSERT_TRUE(Received(2));

    Balloon("T", "dismissed", platform::NIIF_INFO);
    ASSERT_TRUE(Received(3));
    Signal("NotificationClosed", {uint{42}, uint{2}});
    ASSERT_TRUE(Received(4));
    test::RunEventsFor(100ms);
    EXPECT_EQ(receiver_.Numbers(),
              (std::vector<uint32_t>{platform::NIN_BALLOONSHOW, platform::NIN_BALLOONUSERCLICK,
                                     platform::NIN_BALLOONSHOW, platform::NIN_BALLOONHIDE}));
}

}  // namespace
}  // namespace quarnel

#include "DesktopNotificationsTest.moc"
