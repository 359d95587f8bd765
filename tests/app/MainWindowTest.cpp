// SPDX-License-Identifier: MIT
// The main window's polling of detection, its tray menu, the dialogs it
// opens and the way it ends.
#include "MainWindowFixture.h"
#include "base/ErrorInfo.h"

namespace quarnel::test {
namespace {

using platform::DBT_DEVICEARRIVAL;
using platform::DBT_DEVICEREMOVECOMPLETE;
using platform::NIM_ADD;
using platform::NIM_DELETE;
using ::testing::ElementsAre;

const std::string kConnectedTip = "Quarnel (OPN-2001)";

class PollingTest : public MainWindowTest {
  protected:
    // Trace entries that the test looks for, in the order written.
    std::vector<std::string> Entries(const std::vector<std::string>& wanted) const {
        std::vector<std::string> found;
        for (const std::string& line : NewTrace())
            if (std::ranges::find(wanted, line) != wanted.end()) found.push_back(line);
        return found;
    }
    // A watched port-change source whose Dispatch delivers the arrival of COM3.
    struct ArrivalSource : platform::DeviceNotificationSource {
        ArrivalSource(platform::HiddenWindow& w, bool& a) : window(w), alive(a) { alive = true; }
        ~ArrivalSource() override { alive = false; }
        int FileDescriptor() const override { return 9; }
        void Dispatch() override {
            auto record = platform::MakePortNotification("COM3");
            window.SendMessageA(platform::WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                reinterpret_cast<platform::LPARAM>(record->data()));
        }
        platform::HiddenWindow& window;
        bool& alive;
    };
    void WatchArrivals() {
        openNotifications_ = [this](platform::HiddenWindow& window) {
            return std::make_unique<ArrivalSource>(window, sourceAlive_);
        };
    }
    void Arrive() {
        PortChange(DBT_DEVICEARRIVAL);
        desktop_->Tick();
    }
    void Leave() {
        Unplug();
        PortChange(DBT_DEVICEREMOVECOMPLETE);
        desktop_->Tick();
    }
    bool sourceAlive_ = false;
};

TEST_F(PollingTest, AScannerPresentAtStartIsConnectedButNotRead) {
    Plug(kOneBarcode);
    Start();
    EXPECT_TRUE(TraceHas("Detected OPN-2001 on COM port 3"));
    ASSERT_EQ(shell_->calls.at(0).message, NIM_ADD);
    EXPECT_EQ(shell_->calls[0].data.hIcon, platform::kIconScannerOK);
    EXPECT_EQ(FakeShell::Text(shell_->calls[0].data.szTip), kConnectedTip);
    EXPECT_THAT(desktop_->RunningTimers(), ElementsAre(std::chrono::milliseconds(250)));
    Mark();
    for (int i = 0; i < 3; ++i) desktop_->Tick();
    EXPECT_TRUE(shell_->calls.empty());
    EXPECT_TRUE(NewTrace().empty());
}

TEST_F(PollingTest, APluggedInScannerIsReadAtOnceAndAPulledOneReleased) {
    Start();
    EXPECT_TRUE(TraceHas("Failed to connect to OPN-2001 on COM port 3"));
    EXPECT_EQ(shell_->calls.at(0).data.hIcon, platform::kIconScannerError);
    EXPECT_EQ(FakeShell::Text(shell_->calls[0].data.szTip), "Quarnel");

    Plug(kOneBarcode);
    Mark();
    Arrive();
    EXPECT_EQ(shell_->calls.at(0).data.hIcon, platform::kIconScannerOK);
    EXPECT_EQ(FakeShell::Text(shell_->calls[0].data.szTip), kConnectedTip);
    const std::string title = "Connected to scanner 'OPN-2001'|";
    EXPECT_THAT(
        shell_->Balloons(),
        ElementsAre(title + "Reading barcode data...|1", title + "Generating order...|17",
                    title + "Sending order...|17", title + "Bestelling succesvol verzonden|17"));
    const std::vector<std::string> order = {"Device OPN-2001 detected on COM port 3",
                                            "Reading barcode data..."};
    EXPECT_EQ(Entries(order), order);

    Mark();
    desktop_->Tick();  // no second read-out
    Leave();
    EXPECT_FALSE(window_->OPN2001());
    EXPECT_TRUE(NewTraceHas("Device OPN-2001 disconnected."));
    ASSERT_EQ(shell_->calls.size(), 2u);
    EXPECT_EQ(shell_->calls[0].data.hIcon, platform::kIconScannerError);
    EXPECT_EQ(shell_->calls[1].data.uFlags, platform::NIF_INFO);  // the balloon hidden
}

TEST_F(PollingTest, AScannerThatFailedToConnectWaitsUntilItIsPluggedInAgain) {
    Plug("fail csp2InitEx = 5\n");
    Start();
    Mark();
    Arrive();
    desktop_->Tick();
    desktop_->Tick();
    EXPECT_EQ(Entries({"Device OPN-2001 detected on COM port 3"}).size(), 1u);
    EXPECT_TRUE(shell_->calls.empty());
    Choose("mnuReadData");  // disabled: nothing runs
    const std::vector<platform::MenuItem>& menu = desktop_->menus.back();
    for (size_t i = 0; i < menu.size(); ++i) EXPECT_EQ(menu[i].enabled, i >= 3) << menu[i].name;
    EXPECT_TRUE(desktop_->msgBoxes.empty());

    Leave();
    EXPECT_TRUE(NewTraceHas("Device OPN-2001 disconnected."));
    Plug("");
    Mark();
    Arrive();
    EXPECT_TRUE(window_->OPN2001()->Connected());
    EXPECT_EQ(shell_->Balloons().back(),
              "Connected to scanner 'OPN-2001'|The scanner contains no scanned data|18");
}

TEST_F(PollingTest, ARemovalWhileTheRunWaitsForTheUserReleasesTheScanner) {
    Plug(kOneBarcode);
    Start("extended", "wrong");
    Settings()->SetAutoSaveOrders(false);
    std::weak_ptr<clsOPN2001> scanner = window_->OPN2001();
    bool released = false;
    desktop_->whileMsgBox = [&](const FakeDesktop::MsgBoxCall&) {
        Leave();
        released = !window_->OPN2001() && !scanner.expired() && !scanner.lock()->Connected();
    };
    Mark();
    Choose("mnuReadData");
    ASSERT_EQ(desktop_->msgBoxes.size(), 1u);  // the offer to save
    EXPECT_TRUE(released);
    EXPECT_TRUE(scanner.expired());  // gone once the run ended
    EXPECT_TRUE(NewTraceHas("  Exiting frmMain.m_objOPN2001_BarcodesRead"));
}

TEST_F(PollingTest, AnExitWhileTheRunWaitsForTheUserLetsTheRunEndQuietly) {
    Plug(kOneBarcode);
    Start("extended", "wrong");
    Settings()->SetAutoSaveOrders(false);
    desktop_->msgBoxAnswers = {platform::vbYes};
    desktop_->whileMsgBox = [&](const FakeDesktop::MsgBoxCall&) { window_->Unload(); };
    Choose("mnuReadData");
    EXPECT_EQ(desktop_->unloadedCount, 1);
    EXPECT_EQ(Trace().back(), "Exiting Quarnel");
    EXPECT_EQ(desktop_->saveRequests.size(), 1u);  // the run went on to its end
}

TEST_F(PollingTest, TheMenuShowsWhatTheKeysAndTheScannerAllow) {
    Plug("");
    Start("");
    using platform::MK_ALT, platform::MK_CONTROL, platform::MK_SHIFT;
    // Keys, extended logging, scanner connected, logging items shown.
    const std::tuple<platform::WPARAM, bool, bool, bool> cases[] = {
        {MK_CONTROL, false, true, true},
        {MK_CONTROL | MK_SHIFT, false, true, false},
        {MK_CONTROL | MK_ALT, false, true, false},
        {0, false, false, false},
        {0, true, false, true}};
    for (const auto& [keys, extended, connected, logging] : cases) {
        SetExtendedLogging(extended);
        if (!connected) Leave();
        desktop_->menuChoices.push_back(std::nullopt);
        TrayNotify(platform::WM_RBUTTONUP, keys);
        const std::vector<platform::MenuItem>& menu = desktop_->menus.back();
        ASSERT_EQ(menu.size(), 11u);
        for (size_t i = 0; i < 9; ++i)
            EXPECT_EQ(menu[i].enabled && menu[i].visible, i >= 3 || connected) << menu[i].name;
        for (size_t i = 9; i < menu.size(); ++i) EXPECT_EQ(menu[i].visible, logging) << keys;
    }
    // Mouse moves and left clicks open nothing.
    const size_t menus = desktop_->menus.size();
    TrayNotify(platform::WM_MOUSEMOVE);
    TrayNotify(platform::WM_LBUTTONDBLCLK);
    EXPECT_EQ(desktop_->menus.size(), menus);
}

TEST_F(PollingTest, SwitchingExtendedLoggingWritesOnlyItsOwnEntries) {
    Start("");
    Mark();
    Choose("mnuExtendedLogging", platform::MK_CONTROL);
    EXPECT_THAT(NewTrace(),
                ElementsAre("Extended logging enabled", "  Exiting frmMain.m_objTray_OnTrayEvent"));
    EXPECT_TRUE(ExtendedLogging());
    Mark();
    Choose("mnuExtendedLogging");
    EXPECT_THAT(
        NewTrace(),
        ElementsAre("  Handling clsSysTray.m_frm_MouseMove (Button = 0, Shift = 0, X = "
                    "517, Y = 0)",
                    "  Raising event OnTrayEvent",
                    "  Entering frmMain.m_objTray_OnTrayEvent (Message = 517, Shift = 0)",
                    "  Opening context menu...", "  Handling frmMain.mnuExtendedLogging_Click",
                    "Extended logging disabled"));
    EXPECT_FALSE(ExtendedLogging());
    EXPECT_TRUE(desktop_->menus.back()[10].checked);  // as the menu was shown
}

// The dialog items open their dialogs with the scanner; a failing one is
// traced and the program goes on.
TEST_F(PollingTest, TheDialogItemsOpenTheirDialogsWithTheScanner) {
    class FailingAbout : public FakeDialogLauncher {
        void ShowAbout() override { throw QuarnelError(ErrNo::OutOfMemory, "Out of memory"); }
    };
    dialogs_ = std::make_shared<FailingAbout>();
    Plug("");
    Start();
    for (const char* item : {"mnuAbout", "mnuOptions", "mnuScannerInfo", "mnuScannerSetup"})
        Choose(item);
    EXPECT_TRUE(TraceHas("Error handling mnuAbout: [7] Out of memory (Quarnel)"));
    EXPECT_THAT(dialogs_->calls, ElementsAre("Options", "DeviceInfo", "ScannerSettings"));
    EXPECT_THAT(dialogs_->scanners, ElementsAre(window_->OPN2001(), window_->OPN2001()));
    Leave();  // without a detected scanner the scanner settings stay closed
    window_->mnuScannerSetup_Click();
    EXPECT_EQ(dialogs_->calls.size(), 3u);
}

// Port changes are acted on as soon as the watched source is readable; exit
// stops everything in order, once; a window ended without Unload lets go too.
TEST_F(PollingTest, PortChangesComeThroughTheWatchedSourceAndExitStopsEverythingOnce) {
    WatchArrivals();
    Start();
    EXPECT_EQ(desktop_->WatchCount(), 1u);
    Plug("");
    desktop_->Ready(9);  // without waiting for a tick
    ASSERT_TRUE(window_->OPN2001());
    EXPECT_TRUE(window_->OPN2001()->Connected());
    Mark();
    Choose("mnuExit");
    const std::vector<std::string> order = {"  Handling frmMain.mnuExit_Click",
                                            "  Entering frmMain.Form_Unload",
                                            "  Terminating clsDeviceDetection object",
                                            "  Terminating clsOPN2001 object", "Exiting Quarnel"};
    EXPECT_EQ(Entries(order), order);
    EXPECT_EQ(NewTrace().back(), "Exiting Quarnel");
    EXPECT_FALSE(Settings());
    EXPECT_FALSE(sourceAlive_);
    EXPECT_EQ(desktop_->WatchCount(), 0u);
    EXPECT_TRUE(desktop_->RunningTimers().empty());
    window_->Unload();  // a second time does nothing
    desktop_->Tick();
    EXPECT_EQ(desktop_->unloadedCount, 1);
    EXPECT_EQ(shell_->calls.back().message, NIM_DELETE);
    EXPECT_EQ(std::ranges::count(shell_->calls, NIM_DELETE, &FakeShell::Call::message), 1);

    window_.reset();
    Start();
    ASSERT_TRUE(sourceAlive_);
    window_.reset();  // detection lets go of the window first
    EXPECT_FALSE(sourceAlive_);
    EXPECT_EQ(desktop_->WatchCount(), 0u);
    EXPECT_EQ(desktop_->TimerCount(), 0u);
}

}  // namespace
}  // namespace quarnel::test
