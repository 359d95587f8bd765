// Without a tray, balloons go to the desktop's notification service: here a
// stand-in on a private session bus, answering from a thread of its own.
#include <gtest/gtest.h>

#include <QDBusConnection>
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
using namespace platform;
using Numbers = std::vector<uint32_t>;

struct NotifyCall {
    QString app;
    uint replaces = 0;
    QString icon;
    QString summary;
    QString body;
    bool silent = false;
    int timeout = 0;
    bool operator==(const NotifyCall&) const = default;
};

class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    std::mutex mutex;
    std::vector<NotifyCall> calls;
    std::vector<uint> closed;

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int timeout) {
        std::lock_guard lock(mutex);
        calls.push_back({app, replaces, icon, summary, body,
                         hints.value(QStringLiteral("suppress-sound")).toBool(), timeout});
        return replaces != 0 ? replaces : ++lastId_;
    }
    void CloseNotification(uint id) {
        std::lock_guard lock(mutex);
        closed.push_back(id);
    }

  private:
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
        serviceBus_.registerObject(kPath, &service_, QDBusConnection::ExportAllSlots);
        serviceBus_.registerService(kName);
        qt::QtShellNotify::Options options;
        options.trayAvailable = [] { return false; };
        shell_ = std::make_unique<qt::QtShellNotify>(options);
        shell_->Shell_NotifyIconA(NIM_ADD, receiver_.Record());
    }
    ~DesktopNotificationsTest() override {
        shell_.reset();
        serviceBus_.unregisterService(kName);
        serviceBus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-service"));
        thread_.quit();
        thread_.wait();
    }

    void Balloon(const std::string& title, const std::string& text, uint32_t flags) {
        ASSERT_TRUE(shell_->Shell_NotifyIconA(NIM_MODIFY, receiver_.Balloon(title, text, flags)));
    }
    void Signal(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, QString::fromLatin1(name));
        signal.setArguments(arguments);
        serviceBus_.send(signal);
    }
    bool Received(size_t count) {
        return test::RunEventsUntil([&] { return receiver_.messages.size() >= count; }, 3s);
    }

    static constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
    static inline const QString kPath = "/org/freedesktop/Notifications";
    static inline const QString kName = "org.freedesktop.Notifications";
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
    const std::string title = "Connected to scanner 'OPN-2001'";
    Balloon(title, "Reading barcode data...", NIIF_INFO);
    Balloon(title, "Verzonden", NIIF_INFO | NIIF_NOSOUND);
    Balloon("", "", 0);
    Balloon("Fout", "Caf\xE9", NIIF_ERROR);

    ASSERT_TRUE(Received(4));
    EXPECT_EQ(receiver_.Numbers(),
              (Numbers{NIN_BALLOONSHOW, NIN_BALLOONSHOW, NIN_BALLOONHIDE, NIN_BALLOONSHOW}));
    // The update replaces the notification shown; texts arrive as UTF-8.
    const QString summary = QString::fromStdString(title);
    std::lock_guard lock(service_.mutex);
    EXPECT_EQ(
        service_.calls,
        (std::vector<NotifyCall>{
            {"Quarnel", 0, "dialog-information", summary, "Reading barcode data...", false, 10000},
            {"Quarnel", 41, "dialog-information", summary, "Verzonden", true, 10000},
            {"Quarnel", 0, "dialog-error", "Fout", QString::fromUtf8("Café"), false, 10000}}));
    EXPECT_EQ(service_.closed, std::vector<uint>{41});
}

TEST_F(DesktopNotificationsTest, ClickedAndDismissedNotificationsAreReported) {
    Balloon("T", "clicked", NIIF_INFO);
    ASSERT_TRUE(Received(1));
    // The service numbers from 41; 999 is another program's notification.
    Signal("ActionInvoked", {uint{999}, QStringLiteral("default")});
    Signal("ActionInvoked", {uint{41}, QStringLiteral("default")});
    ASSERT_TRUE(Received(2));

    Balloon("T", "dismissed", NIIF_INFO);
    ASSERT_TRUE(Received(3));
    Signal("NotificationClosed", {uint{42}, uint{2}});
    ASSERT_TRUE(Received(4));
    test::RunEventsFor(100ms);
    EXPECT_EQ(receiver_.Numbers(),
              (Numbers{NIN_BALLOONSHOW, NIN_BALLOONUSERCLICK, NIN_BALLOONSHOW, NIN_BALLOONHIDE}));
}

}  // namespace
}  // namespace quarnel

#include "DesktopNotificationsTest.moc"
