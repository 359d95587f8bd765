// The tray backend turns the shell's icon record into a QSystemTrayIcon and
// sends clicks and balloon events back to the record's window.
#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <vector>

#include "QtTestApp.h"
#include "TrayReceiver.h"
#include "platform/qt/QtShellNotify.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;
using platform::NOTIFYICONDATA;

using test::Receiver;
using test::SetField;

class QtShellNotifyTest : public ::testing::Test {
  protected:
    QtShellNotifyTest() { test::QtTestApp(); }

    std::unique_ptr<qt::QtShellNotify> MakeShell(bool trayAvailable) {
        qt::QtShellNotify::Options options;
        options.trayAvailable = [trayAvailable] { return trayAvailable; };
        options.balloonTimeout = 200ms;
        return std::make_unique<qt::QtShellNotify>(options);
    }

    NOTIFYICONDATA Record() const {
        NOTIFYICONDATA data;
        data.cbSize = platform::kNotifyIconDataSize;
        data.hWnd = receiver_.window->Handle();
        data.uID = 1;
        data.uFlags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP;
        data.uCallbackMessage = platform::WM_MOUSEMOVE;
        data.hIcon = platform::kIconScannerError;
        SetField(data.szTip, "Quarnel");
        return data;
    }

    NOTIFYICONDATA Balloon(const std::string& title, const std::string& text) const {
        NOTIFYICONDATA data = Record();
        data.uFlags = platform::NIF_INFO;
        SetField(data.szInfoTitle, title);
        SetField(data.szInfo, text);
        data.dwInfoFlags = platform::NIIF_INFO;
        data.uTimeoutOrVersion = 10000;
        return data;
    }

    static QSystemTrayIcon* Icon(qt::QtShellNotify& shell) {
        return shell.findChild<QSystemTrayIcon*>();
    }

    Receiver receiver_;
};

TEST_F(QtShellNotifyTest, RecordOperationsFollowTheShellsRules) {
    auto shell = MakeShell(true);
    NOTIFYICONDATA data = Record();
    EXPECT_FALSE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, data));
    EXPECT_FALSE(shell->Shell_NotifyIconA(platform::NIM_SETVERSION, data));
    EXPECT_FALSE(shell->Shell_NotifyIconA(platform::NIM_DELETE, data));
    EXPECT_FALSE(shell->Shell_NotifyIconA(3, data));

    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_ADD, data));
    EXPECT_FALSE(shell->Shell_NotifyIconA(platform::NIM_ADD, data));
    EXPECT_TRUE(shell->Shell_NotifyIconA(platform::NIM_SETVERSION, data));
    QSystemTrayIcon* icon = Icon(*shell);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip(), "Quarnel");

    // The tip is Windows-1252 in the record; a modify without NIF_TIP keeps it.
    SetField(data.szTip, "Quarnel (Caf\xE9)");
    data.uFlags = platform::NIF_ICON | platform::NIF_TIP;
    EXPECT_TRUE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, data));
    EXPECT_EQ(icon->toolTip(), QString::fromUtf8("Quarnel (Café)"));
    SetField(data.szTip, "ignored");
    data.uFlags = platform::NIF_ICON;
    EXPECT_TRUE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, data));
    EXPECT_EQ(icon->toolTip(), QString::fromUtf8("Quarnel (Café)"));

    EXPECT_TRUE(shell->Shell_NotifyIconA(platform::NIM_DELETE, data));
    EXPECT_FALSE(icon->isVisible());
    EXPECT_FALSE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, data));
}

// Without a tray the icon is still taken, so that it shows once a tray
// host starts; balloons then need a notification service, and the tests
// have none (their session bus does not exist): they are dropped without any balloon event.
TEST_F(QtShellNotifyTest, WithoutTrayOrServiceTheIconIsHeldAndBalloonsDropped) {
    auto shell = MakeShell(false);
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_ADD, Record()));
    EXPECT_TRUE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("Title", "Text")));
    test::RunEventsFor(400ms);
    EXPECT_TRUE(receiver_.messages.empty());
}

TEST_F(QtShellNotifyTest, ClicksReachTheWindowAsNotificationNumbers) {
    auto shell = MakeShell(true);
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_ADD, Record()));
    QSystemTrayIcon* icon = Icon(*shell);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    // Sent from the event loop, not from inside the emitting call.
    EXPECT_TRUE(receiver_.messages.empty());
    ASSERT_TRUE(test::RunEventsUntil([&] { return receiver_.messages.size() == 3; }));
    // No keys are held in a headless session.
    EXPECT_EQ(receiver_.messages,
              (std::vector<Receiver::Message>{{platform::WM_RBUTTONUP, 0},
                                              {platform::WM_LBUTTONUP, 0},
                                              {platform::WM_LBUTTONDBLCLK, 0}}));
}

TEST_F(QtShellNotifyTest, BalloonsReportShownThenTimedOutClickedOrHidden) {
    auto shell = MakeShell(true);
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_ADD, Record()));
    auto settle = [&](size_t count) {
        return test::RunEventsUntil([&] { return receiver_.messages.size() >= count; });
    };

    // Shown, then timed out after the balloon time.
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("Connected", "Reading")));
    ASSERT_TRUE(settle(2));
    // An update restarts the time and is shown again, still under one balloon.
    receiver_.messages.clear();
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("Connected", "Read")));
    test::RunEventsFor(100ms);
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("Connected", "Done")));
    ASSERT_TRUE(settle(3));
    test::RunEventsFor(100ms);
    EXPECT_EQ(receiver_.Numbers(),
              (std::vector<uint32_t>{platform::NIN_BALLOONSHOW, platform::NIN_BALLOONSHOW,
                                     platform::NIN_BALLOONTIMEOUT}));

    // Clicked: no time-out follows.
    receiver_.messages.clear();
    shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("T", "clicked"));
    emit Icon(*shell)->messageClicked();
    test::RunEventsFor(400ms);
    EXPECT_EQ(receiver_.Numbers(),
              (std::vector<uint32_t>{platform::NIN_BALLOONSHOW, platform::NIN_BALLOONUSERCLICK}));

    // Hidden by an empty title and text; hiding again sends nothing.
    receiver_.messages.clear();
    shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("T", "hidden"));
    shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("", ""));
    shell->Shell_NotifyIconA(platform::NIM_MODIFY, Balloon("", ""));
    test::RunEventsFor(400ms);
    EXPECT_EQ(receiver_.Numbers(),
              (std::vector<uint32_t>{platform::NIN_BALLOONSHOW, platform::NIN_BALLOONHIDE}));
}

TEST_F(QtShellNotifyTest, NotificationsForAWindowThatWentAreDropped) {
    auto shell = MakeShell(true);
    ASSERT_TRUE(shell->Shell_NotifyIconA(platform::NIM_ADD, Record()));
    emit Icon(*shell)->activated(QSystemTrayIcon::Context);
    receiver_.window.reset();
    test::RunEventsFor(50ms);
    EXPECT_TRUE(receiver_.messages.empty());
}

}  // namespace
}  // namespace quarnel
