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
using namespace platform;
using Numbers = std::vector<uint32_t>;

class QtShellNotifyTest : public ::testing::Test {
  protected:
    std::unique_ptr<qt::QtShellNotify> MakeShell(bool trayAvailable) {
        test::QtTestApp();
        qt::QtShellNotify::Options options;
        options.trayAvailable = [trayAvailable] { return trayAvailable; };
        options.balloonTimeout = 200ms;
        auto shell = std::make_unique<qt::QtShellNotify>(options);
        EXPECT_TRUE(shell->Shell_NotifyIconA(NIM_ADD, receiver_.Record()));
        icon_ = shell->findChild<QSystemTrayIcon*>();
        return shell;
    }
    void Balloon(qt::QtShellNotify& shell, const std::string& title, const std::string& text) {
        EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_MODIFY, receiver_.Balloon(title, text)));
    }

    test::Receiver receiver_;
    QSystemTrayIcon* icon_ = nullptr;
};

TEST_F(QtShellNotifyTest, RecordOperationsFollowTheShellsRules) {
    auto shell = MakeShell(true);
    NOTIFYICONDATA data = receiver_.Record();
    EXPECT_FALSE(shell->Shell_NotifyIconA(NIM_ADD, data));
    EXPECT_TRUE(shell->Shell_NotifyIconA(NIM_SETVERSION, data));
    EXPECT_TRUE(icon_->isVisible());
    EXPECT_EQ(icon_->toolTip(), "Quarnel");

    // The tip is Windows-1252 in the record; a modify without NIF_TIP keeps it.
    test::SetField(data.szTip, "Caf\xE9");
    EXPECT_TRUE(shell->Shell_NotifyIconA(NIM_MODIFY, data));
    test::SetField(data.szTip, "ignored");
    data.uFlags = NIF_ICON;
    EXPECT_TRUE(shell->Shell_NotifyIconA(NIM_MODIFY, data));
    EXPECT_EQ(icon_->toolTip(), QString::fromUtf8("Café"));

    EXPECT_TRUE(shell->Shell_NotifyIconA(NIM_DELETE, data));
    EXPECT_FALSE(icon_->isVisible());
    for (uint32_t message : {NIM_MODIFY, NIM_SETVERSION, NIM_DELETE, 3u})
        EXPECT_FALSE(shell->Shell_NotifyIconA(message, data)) << message;
}

// Without a tray, balloons need a notification service; the tests' session
// bus does not exist, so they are dropped without any balloon event.
TEST_F(QtShellNotifyTest, WithoutTrayOrServiceBalloonsAreDropped) {
    auto shell = MakeShell(false);
    Balloon(*shell, "Title", "Text");
    test::RunEventsFor(400ms);
    EXPECT_TRUE(receiver_.messages.empty());
}

TEST_F(QtShellNotifyTest, ClicksReachTheWindowAsNotificationNumbers) {
    auto shell = MakeShell(true);
    for (auto reason :
         {QSystemTrayIcon::Context, QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick})
        emit icon_->activated(reason);
    // Sent from the event loop, not from inside the emitting call.
    EXPECT_TRUE(receiver_.messages.empty());
    ASSERT_TRUE(test::RunEventsUntil([&] { return receiver_.messages.size() == 3; }));
    // No keys are held in a headless session.
    EXPECT_EQ(receiver_.messages,
              (std::vector<test::Receiver::Message>{
                  {WM_RBUTTONUP, 0}, {WM_LBUTTONUP, 0}, {WM_LBUTTONDBLCLK, 0}}));
}

TEST_F(QtShellNotifyTest, BalloonsReportShownThenTimedOutClickedOrHidden) {
    auto shell = MakeShell(true);
    // An update restarts the time and is shown again.
    Balloon(*shell, "Connected", "Read");
    test::RunEventsFor(100ms);
    Balloon(*shell, "Connected", "Done");
    ASSERT_TRUE(test::RunEventsUntil([&] { return receiver_.messages.size() >= 3; }));
    test::RunEventsFor(100ms);
    EXPECT_EQ(receiver_.Numbers(), (Numbers{NIN_BALLOONSHOW, NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT}));

    // Clicked: no time-out follows.
    receiver_.messages.clear();
    Balloon(*shell, "T", "clicked");
    emit icon_->messageClicked();
    test::RunEventsFor(400ms);
    EXPECT_EQ(receiver_.Numbers(), (Numbers{NIN_BALLOONSHOW, NIN_BALLOONUSERCLICK}));

    // Hidden by an empty title and text; hiding again sends nothing.
    receiver_.messages.clear();
    Balloon(*shell, "T", "hidden");
    Balloon(*shell, "", "");
    Balloon(*shell, "", "");
    test::RunEventsFor(400ms);
    EXPECT_EQ(receiver_.Numbers(), (Numbers{NIN_BALLOONSHOW, NIN_BALLOONHIDE}));
}

TEST_F(QtShellNotifyTest, NotificationsForAWindowThatWentAreDropped) {
    auto shell = MakeShell(true);
    emit icon_->activated(QSystemTrayIcon::Context);
    receiver_.window.reset();
    test::RunEventsFor(50ms);
    EXPECT_TRUE(receiver_.messages.empty());
}

}  // namespace
}  // namespace quarnel
