// SPDX-License-Identifier: MIT
// The tray backend turns the shell's icon record into a QSystemTrayIcon and
// sends clicks and balloon events back to the record's window.
#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <vector>

#include "QtTestApp.h"
#include "TrayReceiver.h"
#include "shell/qt/QtShellNotify.h"

namespace quarnel {
namespace {

using namespace std::chrono_literals;
using namespace platform;
using Numbers = std::vector<uint32_t>;

class QtShellNotifyTest : public ::testing::Test {
  protected:
    QtShellNotifyTest() {
        test::QtTestApp();
        qt::QtShellNotify::Options options;
        options.trayAvailable = [this] { return tray_; };
        options.balloonTimeout = 200ms;
        shell_ = std::make_unique<qt::QtShellNotify>(options);
        EXPECT_TRUE(shell_->Shell_NotifyIconA(NIM_ADD, receiver_.Record()));
        icon_ = shell_->findChild<QSystemTrayIcon*>();
    }
    void Balloon(const std::string& title, const std::string& text) {
        EXPECT_TRUE(shell_->Shell_NotifyIconA(NIM_MODIFY, receiver_.Balloon(title, text)));
    }

    bool tray_ = true;
    test::Receiver receiver_;
    std::unique_ptr<qt::QtShellNotify> shell_;
    QSystemTrayIcon* icon_ = nullptr;
};

// Without a tray, balloons need a notification service; the tests' session
// bus does not exist, so they are dropped until a tray host starts.
TEST_F(QtShellNotifyTest, WithoutTrayOrServiceBalloonsAreDroppedUntilATrayStarts) {
    tray_ = false;
    Balloon("Title", "Text");
    test::RunEventsFor(400ms);
    EXPECT_TRUE(receiver_.numbers.empty());
    tray_ = true;
    Balloon("Title", "Text");
    EXPECT_TRUE(test::RunEventsUntil([&] { return receiver_.numbers.size() == 1; }));
}

TEST_F(QtShellNotifyTest, ClicksReachTheWindowAsNotificationNumbers) {
    for (auto reason :
         {QSystemTrayIcon::Context, QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick})
        emit icon_->activated(reason);
    // Sent from the event loop, not from inside the emitting call.
    EXPECT_TRUE(receiver_.numbers.empty());
    ASSERT_TRUE(test::RunEventsUntil([&] { return receiver_.numbers.size() == 3; }));
    EXPECT_EQ(receiver_.numbers, (Numbers{WM_RBUTTONUP, WM_LBUTTONUP, WM_LBUTTONDBLCLK}));
    // No keys are held in a headless session.
    EXPECT_EQ(receiver_.keys, std::vector<WPARAM>(3, 0));

    // A click for a window that went is dropped.
    emit icon_->activated(QSystemTrayIcon::Context);
    receiver_.window.reset();
    test::RunEventsFor(50ms);
    EXPECT_EQ(receiver_.numbers.size(), 3u);
}

TEST_F(QtShellNotifyTest, BalloonsReportShownThenTimedOutClickedOrHidden) {
    const auto received = [&](size_t count) {
        return test::RunEventsUntil([&] { return receiver_.numbers.size() >= count; });
    };
    // An update restarts the time and is shown again. Events run only inside
    // the waits, so no time-out can come between a show and the next call.
    Balloon("Connected", "Read");
    ASSERT_TRUE(received(1));
    Balloon("Connected", "Done");
    ASSERT_TRUE(received(3));
    // Clicked: no time-out follows, however long one waits.
    Balloon("T", "clicked");
    emit icon_->messageClicked();
    ASSERT_TRUE(received(5));
    test::RunEventsFor(400ms);
    // Hidden by an empty title and text; hiding again sends nothing.
    Balloon("T", "hidden");
    Balloon("", "");
    Balloon("", "");
    ASSERT_TRUE(received(7));
    test::RunEventsFor(400ms);
    EXPECT_EQ(receiver_.numbers,
              (Numbers{NIN_BALLOONSHOW, NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT, NIN_BALLOONSHOW,
                       NIN_BALLOONUSERCLICK, NIN_BALLOONSHOW, NIN_BALLOONHIDE}));
}

}  // namespace
}  // namespace quarnel
