// SPDX-License-Identifier: MIT
// The tray object over a recording shell: the record it hands over, the
// balloon states and the notifications it turns into events.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeShell.h"
#include "TestSupport.h"
#include "ui/clsSysTray.h"

namespace quarnel::test {
namespace {

// The Win32 names, which may be macros of <windows.h>.
using namespace platform;
using ::testing::ElementsAre;

// A window that hands the mouse moves it is sent to its one receiver.
class FakeForm : public TrayForm {
  public:
    platform::HWND hWnd() const override { return 77; }
    platform::HICON Icon() const override { return platform::kIconApplication; }
    void SetMouseMoveHandler(MouseMoveHandler handler) override { handler_ = std::move(handler); }

    // The shell's notification: the number as X, keys and buttons in wParam.
    void Notify(uint32_t message, platform::WPARAM keys = 0) {
        auto args = DecodeMouseMove(WM_MOUSEMOVE, keys,
                                    static_cast<platform::LPARAM>(message | (5u << 16)));
        if (handler_) handler_(*args);
    }
    bool Listened() const { return static_cast<bool>(handler_); }

  private:
    MouseMoveHandler handler_;
};

class TrayTest : public ::testing::Test {
  protected:
    TrayTest() {
        tray_->SetOnTrayEvent(
            [this](int32_t message, int16_t shift) { events_.emplace_back(message, shift); });
    }
    const platform::NotifyIconRecord& Last() const { return shell_->calls.back().data; }
    std::vector<uint32_t> Operations() const {
        std::vector<uint32_t> operations;
        for (const auto& call : shell_->calls) operations.push_back(call.message);
        return operations;
    }

    TraceCapture trace_;
    std::shared_ptr<FakeShell> shell_ = std::make_shared<FakeShell>();
    FakeForm form_;
    std::unique_ptr<clsSysTray> tray_ = std::make_unique<clsSysTray>(shell_);
    std::vector<std::pair<int32_t, int16_t>> events_;
};

TEST_F(TrayTest, AddingFillsTheRecordOnceAndListensOnlyWhenTheShellAgrees) {
    // A refused add leaves the object out of the tray and deaf; nothing is
    // modified outside the tray.
    shell_->refused = {NIM_ADD};
    tray_->AddToTray(form_, platform::kIconScannerError, "tip");
    tray_->ModifyTrayIcon(platform::kIconScannerOK, "ignored");
    EXPECT_FALSE(tray_->InTray());
    EXPECT_FALSE(form_.Listened());
    EXPECT_THAT(Operations(), ElementsAre(NIM_ADD, NIM_SETVERSION));
    shell_->refused.clear();
    shell_->calls.clear();
    trace_.Clear();

    tray_->AddToTray(form_);
    ASSERT_THAT(Operations(), ElementsAre(NIM_ADD, NIM_SETVERSION));
    const platform::NotifyIconRecord& a = shell_->calls[0].data;
    EXPECT_EQ(std::vector<uint32_t>({a.cbSize, static_cast<uint32_t>(a.hWnd), a.uID, a.uFlags,
                                     a.uCallbackMessage, a.uTimeoutOrVersion}),
              std::vector<uint32_t>({488, 77, 1, 7, 0x200, 3}));
    EXPECT_EQ(a.hIcon, platform::kIconApplication);
    EXPECT_EQ(FakeShell::Text(a.szTip), "Quarnel");
    EXPECT_TRUE(form_.Listened());
    EXPECT_THAT(trace_.Messages(), ElementsAre("  Entering clsSysTray.AddToTray (ToolTip = )",
                                               "  Calling API Shell_NotifyIcon (NIM_ADD)",
                                               "  Calling API Shell_NotifyIcon (NIM_SETVERSION)",
                                               "  Exiting clsSysTray.AddToTray"));

    tray_->AddToTray(form_, platform::kIconScannerOK, "other");
    EXPECT_EQ(shell_->calls.size(), 2u);
}

TEST_F(TrayTest, TextsAreCutToTheFieldsInTheShellsCodePage) {
    const std::string euro = "\xE2\x82\xAC";  // one byte in Windows-1252
    std::string euros;
    for (int i = 0; i < 130; ++i) euros += euro;
    tray_->AddToTray(form_, platform::kIconScannerError, euros);
    EXPECT_EQ(FakeShell::Text(shell_->calls[0].data.szTip).size(), 127u * euro.size());
    EXPECT_EQ(shell_->calls[0].data.szTip[126], '\x80');

    tray_->ShowBalloon(std::string(100, 't'), std::string(300, 'i'), 1, true);
    EXPECT_EQ(shell_->Balloons().back(), std::string(63, 't') + "|" + std::string(255, 'i') + "|1");
}

TEST_F(TrayTest, ModifyAndBalloonsSetTheFlagsTheShellExpects) {
    tray_->AddToTray(form_, platform::kIconScannerError, "Quarnel");
    const std::pair<std::function<void()>, uint32_t> steps[] = {
        {[&] { tray_->ModifyTrayIcon(platform::kIconScannerOK); }, 2},
        {[&] { tray_->ModifyTrayIcon(platform::kIconScannerOK, "Quarnel (OPN-2001)"); }, 6},
        {[&] { tray_->ShowBalloon("T", "with sound", 1, true); }, 16},
        {[&] { tray_->UpdateBalloon("kept icon", -1); }, 16},
        {[&] { tray_->ShowBalloon("U", "silent", 2, false); }, 16},
        {[&] { tray_->UpdateBalloon("again", -1); }, 16},
        {[&] { tray_->UpdateBalloon("error", 3); }, 16},
    };
    for (const auto& [act, flags] : steps) {
        act();
        EXPECT_EQ(shell_->calls.back().message, NIM_MODIFY);
        EXPECT_EQ(Last().uFlags, flags);
    }
    // Balloons as title|text|info flags; a kept icon that is already silent
    // stays icon 2.
    EXPECT_THAT(shell_->Balloons(), ElementsAre("T|with sound|1", "T|kept icon|17", "U|silent|18",
                                                "U|again|18", "U|error|19"));
    EXPECT_EQ(Last().uTimeoutOrVersion, 10000u);
}

TEST_F(TrayTest, NotificationsRaiseEventsOrTrackTheBalloon) {
    tray_->AddToTray(form_);
    tray_->ShowBalloon("T", "I", 1, true);
    trace_.Clear();
    form_.Notify(0x200, MK_CONTROL);  // ignored, untraced
    form_.Notify(WM_RBUTTONUP, MK_CONTROL | MK_SHIFT);
    form_.Notify(WM_LBUTTONUP, MK_ALT | MK_LBUTTON);
    EXPECT_THAT(events_, ElementsAre(std::pair<int32_t, int16_t>{517, 3},
                                     std::pair<int32_t, int16_t>{514, 4}));
    EXPECT_EQ(trace_.Messages().front(),
              "  Handling clsSysTray.m_frm_MouseMove (Button = 0, Shift = 3, X = 517, Y = 5)");
    EXPECT_EQ(trace_.Messages().size(), 4u);

    // Balloon notifications change the state and raise nothing; a hide after
    // the balloon closed by itself sends nothing.
    const size_t before = shell_->calls.size();
    form_.Notify(NIN_BALLOONSHOW);
    EXPECT_EQ(tray_->BalloonState(), kBalloonShowing);
    form_.Notify(NIN_BALLOONTIMEOUT);
    EXPECT_EQ(tray_->BalloonState(), kBalloonClosed);
    tray_->HideBalloon();
    EXPECT_EQ(shell_->calls.size(), before);
    form_.Notify(NIN_BALLOONSHOW);
    tray_->HideBalloon();
    ASSERT_EQ(shell_->calls.size(), before + 1);
    EXPECT_EQ(shell_->Balloons().back(), "||0");
    EXPECT_EQ(tray_->BalloonState(), kBalloonUnknown);
    EXPECT_EQ(events_.size(), 2u);
}

TEST_F(TrayTest, TheIconIsRemovedOnceAndTheTrayStopsListening) {
    tray_->AddToTray(form_, platform::kIconScannerOK, "tip");
    shell_->refused = {NIM_DELETE};
    tray_->RemoveFromTray();
    EXPECT_TRUE(tray_->InTray());  // the shell kept it
    shell_->refused.clear();
    tray_->RemoveFromTray();
    form_.Notify(WM_RBUTTONUP);
    EXPECT_TRUE(events_.empty());
    tray_.reset();
    EXPECT_THAT(Operations(), ElementsAre(NIM_ADD, NIM_SETVERSION, NIM_DELETE, NIM_DELETE));
    EXPECT_FALSE(form_.Listened());
}

}  // namespace
}  // namespace quarnel::test
