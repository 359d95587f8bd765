// SPDX-License-Identifier: MIT
// Balloons through a stand-in notification service on a private session bus,
// answering from a thread of its own.
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QThread>
#include <QVariantMap>
#include <mutex>

#include "PrivateBus.h"
#include "TrayReceiver.h"
#include "shell/qt/QtShellNotify.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;
using namespace platform;
using Numbers = std::vector<uint32_t>;
using Strings = std::vector<std::string>;

// Records each Notify call as "replaces|icon|summary|body|sound|urgency|actions|timeout".
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    std::mutex mutex;
    QStringList capabilities{"body", "actions"};
    Strings calls;
    std::vector<uint> ids;  // the answer to each call
    std::vector<uint> closed;

    void Reset(QStringList withCapabilities) {
        std::lock_guard lock(mutex);
        capabilities = std::move(withCapabilities);
        calls.clear();
        ids.clear();
        closed.clear();
    }
    Strings Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }
    uint LastId() {
        std::lock_guard lock(mutex);
        return ids.empty() ? 0 : ids.back();
    }
    std::vector<uint> Closed() {
        std::lock_guard lock(mutex);
        return closed;
    }

  public slots:
    QStringList GetCapabilities() {
        std::lock_guard lock(mutex);
        return capabilities;
    }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        std::lock_guard lock(mutex);
        const bool silent = hints.value("suppress-sound").toBool();
        const int urgency = hints.value("urgency", -1).toInt();
        calls.push_back(QStringList{app, QString::number(replaces), icon, summary, body,
                                    silent ? "silent" : "sound", QString::number(urgency),
                                    actions.join(','), QString::number(timeout)}
                            .join('|')
                            .toStdString());
        ids.push_back(replaces != 0 ? replaces : ++lastId_);
        return ids.back();
    }
    void CloseNotification(uint id) {
        std::lock_guard lock(mutex);
        closed.push_back(id);
    }

  private:
    uint lastId_ = 40;
};

const QString kPath = "/org/freedesktop/Notifications";
const QString kName = "org.freedesktop.Notifications";

FakeNotificationService& Service() {
    static QThread* thread = [] {
        auto* started = new QThread;
        started->start();
        return started;
    }();
    static FakeNotificationService* service = [] {
        auto* made = new FakeNotificationService;
        made->moveToThread(thread);
        test::StandInBus().registerObject(kPath, made, QDBusConnection::ExportAllSlots);
        test::StandInBus().registerService(kName);
        return made;
    }();
    return *service;
}

class DesktopNotificationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::PrivateBusStarted()) GTEST_SKIP() << "no dbus-daemon";
        Service().Reset({"body", "actions"});
    }
    void Start(std::chrono::milliseconds timeout = 10s) {
        qt::QtShellNotify::Options options;
        options.trayAvailable = [] { return false; };
        options.balloonTimeout = timeout;
        shell_ = std::make_unique<qt::QtShellNotify>(options);
        shell_->Shell_NotifyIconA(NIM_ADD, receiver_.Record());
    }

    void Balloon(const std::string& title, const std::string& text, uint32_t flags) {
        ASSERT_TRUE(shell_->Shell_NotifyIconA(NIM_MODIFY, receiver_.Balloon(title, text, flags)));
    }
    // The id of the notification shown last.
    uint LastId() {
        test::RunEventsUntil([] { return Service().LastId() != 0; });
        return Service().LastId();
    }
    void Signal(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, QString::fromLatin1(name));
        signal.setArguments(arguments);
        test::StandInBus().send(signal);
    }
    bool Received(size_t count) {
        return test::RunEventsUntil([&] { return receiver_.numbers.size() >= count; }, 60s);
    }

    test::Receiver receiver_;
    std::unique_ptr<qt::QtShellNotify> shell_;
};

// One read-out: one notification updated in place, silent updates, icons
// mapped, errors no more urgent than the rest, only the click action.
TEST_F(DesktopNotificationsTest, ReadOutIsOneNotificationUpdatedInPlace) {
    Start();
    const std::string title = "Connected to scanner 'OPN-2001'";
    Balloon(title, "Reading barcode data...", NIIF_INFO);
    ASSERT_TRUE(Received(1));
    const uint id = LastId();
    const std::string replaces = std::to_string(id);
    Balloon(title, "Bestelling wordt verzonden", NIIF_WARNING | NIIF_NOSOUND);
    Balloon(title, "Caf\xE9 failed", NIIF_ERROR | NIIF_NOSOUND);
    Balloon("", "no title", NIIF_NONE | NIIF_NOSOUND);
    ASSERT_TRUE(Received(4));
    Balloon("", "", 0);
    ASSERT_TRUE(Received(5));
    EXPECT_EQ(receiver_.numbers, (Numbers{NIN_BALLOONSHOW, NIN_BALLOONSHOW, NIN_BALLOONSHOW,
                                          NIN_BALLOONSHOW, NIN_BALLOONHIDE}));
    const std::string tail = "|1|default,Quarnel|10000";
    EXPECT_EQ(
        Service().Calls(),
        (Strings{"Quarnel|0|dialog-information|" + title + "|Reading barcode data...|sound" + tail,
                 "Quarnel|" + replaces + "|dialog-warning|" + title +
                     "|Bestelling wordt verzonden|silent" + tail,
                 "Quarnel|" + replaces + "|dialog-error|" + title + "|Café failed|silent" + tail,
                 "Quarnel|" + replaces + "||Quarnel|no title|silent" + tail}));
    EXPECT_TRUE(test::RunEventsUntil([&] { return Service().Closed() == std::vector<uint>{id}; }));
}

// What the service reports becomes the balloon's notification, once; other
// programs' notifications and our own close are ignored.
TEST_F(DesktopNotificationsTest, ServiceSignalsBecomeBalloonNotifications) {
    Start();
    struct Case {
        const char* signal;
        QVariant argument;
        uint32_t number;
    };
    const Case cases[] = {{"ActionInvoked", QStringLiteral("default"), NIN_BALLOONUSERCLICK},
                          {"NotificationClosed", uint{1}, NIN_BALLOONTIMEOUT},
                          {"NotificationClosed", uint{2}, NIN_BALLOONHIDE},
                          {"NotificationClosed", uint{4}, NIN_BALLOONHIDE}};
    size_t expected = 0;
    for (const Case& c : cases) {
        Balloon("Quarnel", c.signal, NIIF_INFO);
        ASSERT_TRUE(Received(++expected));
        const uint id = LastId();
        Signal(c.signal, {id + 500, c.argument});
        Signal("ActionInvoked", {id, QStringLiteral("other")});
        Signal(c.signal, {id, c.argument});
        Signal(c.signal, {id, c.argument});
        ASSERT_TRUE(Received(++expected)) << c.signal;
        EXPECT_EQ(receiver_.numbers.back(), c.number) << c.signal;
    }
    // A hide is reported at once; the service's answer to it adds nothing.
    Balloon("Quarnel", "hidden", NIIF_INFO);
    ASSERT_TRUE(Received(++expected));
    const uint id = LastId();
    Balloon("", "", 0);
    Signal("NotificationClosed", {id, uint{3}});
    ASSERT_TRUE(Received(++expected));
    Balloon("Quarnel", "after", NIIF_INFO);
    ASSERT_TRUE(Received(++expected));
    EXPECT_EQ(receiver_.numbers.back(), NIN_BALLOONSHOW);
    EXPECT_EQ(receiver_.numbers.size(), expected);
    // Every balloon after a close is a new notification.
    for (const std::string& call : Service().Calls()) EXPECT_EQ(call.rfind("Quarnel|0|", 0), 0u);
}

// Text from the shop reaches the user as written, whether or not the
// service reads markup.
TEST_F(DesktopNotificationsTest, TextsArePlainWhateverTheServiceReads) {
    const std::string shopText = "message:<b>closed</b> & <a href=\"file:///etc/passwd\">x</a>";
    for (bool markup : {false, true}) {
        Service().Reset(markup ? QStringList{"body", "body-markup"} : QStringList{"body"});
        Start();
        Balloon("<i>Fout</i>", shopText, NIIF_ERROR);
        ASSERT_TRUE(test::RunEventsUntil([] { return !Service().Calls().empty(); }));
        const std::string body = markup ? "message:&lt;b&gt;closed&lt;/b&gt; &amp; &lt;a "
                                          "href=\"file:///etc/passwd\"&gt;x&lt;/a&gt;"
                                        : shopText;
        EXPECT_NE(Service().Calls().front().find("|<i>Fout</i>|" + body + "|"), std::string::npos)
            << Service().Calls().front();
        shell_.reset();
    }
}

// A service that keeps notifications longer than a balloon lives is told
// to close it.
TEST_F(DesktopNotificationsTest, BalloonTimeOutClosesTheNotification) {
    Start(300ms);
    Balloon("Fout", "Error while reading scanned data", NIIF_ERROR);
    ASSERT_TRUE(Received(2));
    EXPECT_EQ(receiver_.numbers, (Numbers{NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT}));
    EXPECT_TRUE(
        test::RunEventsUntil([&] { return Service().Closed() == std::vector<uint>{LastId()}; }));
    // Neither the service's answer nor a late hide adds a notification.
    Signal("NotificationClosed", {LastId(), uint{3}});
    Balloon("", "", 0);
    Balloon("Quarnel", "next", NIIF_INFO);
    ASSERT_TRUE(Received(3));
    EXPECT_EQ(receiver_.numbers, (Numbers{NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT, NIN_BALLOONSHOW}));
}

}  // namespace
}  // namespace quarnel

#include "DesktopNotificationsTest.moc"
