// SPDX-License-Identifier: MIT
// Without a tray, balloons go to the desktop's notification service: here a
// stand-in on a private session bus, answering from a thread of its own.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>
#include <QVariantMap>
#include <mutex>
#include <optional>

#include <unistd.h>

#include "ChildProcess.h"
#include "QtTestApp.h"
#include "TrayReceiver.h"
#include "shell/qt/QtShellNotify.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;
using namespace platform;
using Numbers = std::vector<uint32_t>;

// Records each Notify call as "app|replaces|icon|summary|body|sound|timeout".
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<uint> closed;

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int timeout) {
        std::lock_guard lock(mutex);
        const bool silent = hints.value(QStringLiteral("suppress-sound")).toBool();
        calls.push_back(QStringList{app, QString::number(replaces), icon, summary, body,
                                    silent ? "silent" : "sound", QString::number(timeout)}
                            .join('|')
                            .toStdString());
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
    void SetUp() override {
        if (access(kDaemon, X_OK) != 0) GTEST_SKIP() << kDaemon << " is not installed";
        daemon_.emplace(std::vector<std::string>{kDaemon, "--session", "--nofork",
                                                 "--print-address=1", "--nosyslog"});
        const std::string address = daemon_->ReadLine(10s).value_or("");
        // Set before the program's side first asks for its session bus.
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        test::QtTestApp();
        service_.moveToThread(&thread_);
        thread_.start();
        serviceBus_.emplace(QDBusConnection::connectToBus(QString::fromStdString(address),
                                                          QStringLiteral("fake-service")));
        ASSERT_TRUE(serviceBus_->isConnected());
        serviceBus_->registerObject(kPath, &service_, QDBusConnection::ExportAllSlots);
        serviceBus_->registerService(kName);
        qt::QtShellNotify::Options options;
        options.trayAvailable = [] { return false; };
        shell_ = std::make_unique<qt::QtShellNotify>(options);
        shell_->Shell_NotifyIconA(NIM_ADD, receiver_.Record());
    }
    void TearDown() override {
        shell_.reset();
        if (serviceBus_) QDBusConnection::disconnectFromBus(QStringLiteral("fake-service"));
        thread_.quit();
        thread_.wait();
    }

    void Balloon(const std::string& title, const std::string& text, uint32_t flags) {
        ASSERT_TRUE(shell_->Shell_NotifyIconA(NIM_MODIFY, receiver_.Balloon(title, text, flags)));
    }
    void Signal(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, QString::fromLatin1(name));
        signal.setArguments(arguments);
        serviceBus_->send(signal);
    }
    bool Received(size_t count) {
        return test::RunEventsUntil([&] { return receiver_.numbers.size() >= count; }, 3s);
    }

    static constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
    static inline const QString kPath = "/org/freedesktop/Notifications";
    static inline const QString kName = "org.freedesktop.Notifications";
    std::optional<test::ChildProcess> daemon_;
    QThread thread_;
    FakeNotificationService service_;
    std::optional<QDBusConnection> serviceBus_;
    test::Receiver receiver_;
    std::unique_ptr<qt::QtShellNotify> shell_;
};

// The service numbers its notifications from 41; 999 is another program's.
TEST_F(DesktopNotificationsTest, BalloonsAreShownUpdatedInPlaceClickedDismissedAndClosed) {
    const std::string title = "Connected to scanner 'OPN-2001'";
    Balloon(title, "Reading barcode data...", NIIF_INFO);
    Balloon(title, "Verzonden", NIIF_INFO | NIIF_NOSOUND);
    ASSERT_TRUE(Received(2));
    Signal("ActionInvoked", {uint{999}, QStringLiteral("default")});
    Signal("NotificationClosed", {uint{41}, uint{2}});
    ASSERT_TRUE(Received(3));

    Balloon("Fout", "Caf\xE9", NIIF_ERROR);
    ASSERT_TRUE(Received(4));
    Signal("ActionInvoked", {uint{42}, QStringLiteral("default")});
    ASSERT_TRUE(Received(5));

    Balloon("Let op", "hidden", NIIF_WARNING);
    Balloon("", "", 0);
    ASSERT_TRUE(Received(7));
    test::RunEventsFor(100ms);
    EXPECT_EQ(receiver_.numbers,
              (Numbers{NIN_BALLOONSHOW, NIN_BALLOONSHOW, NIN_BALLOONHIDE, NIN_BALLOONSHOW,
                       NIN_BALLOONUSERCLICK, NIN_BALLOONSHOW, NIN_BALLOONHIDE}));
    // The update replaces the notification shown; texts arrive as UTF-8.
    std::lock_guard lock(service_.mutex);
    EXPECT_EQ(service_.calls,
              (std::vector<std::string>{
                  "Quarnel|0|dialog-information|" + title + "|Reading barcode data...|sound|10000",
                  "Quarnel|41|dialog-information|" + title + "|Verzonden|silent|10000",
                  "Quarnel|0|dialog-error|Fout|Café|sound|10000",
                  "Quarnel|0|dialog-warning|Let op|hidden|sound|10000"}));
    EXPECT_EQ(service_.closed, std::vector<uint>{43});
}

}  // namespace
}  // namespace quarnel

#include "DesktopNotificationsTest.moc"
