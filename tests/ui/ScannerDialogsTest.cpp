// SPDX-License-Identifier: MIT
// The scanner settings and scanner information dialogs over scanner objects
// bound to the virtual scanner library; what reaches the scanner is read
// back with quarnel-vscan.
#include <gtest/gtest.h>

#include <functional>

#include "FormsTestSupport.h"
#include "VirtualScannerFixture.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"

namespace quarnel::test {
namespace {

using ui::frmDeviceInfo;
using ui::frmOPN2001Settings;

const char* const kClockLabels[] = {"lblDay",  "lblMonth",  "lblYear",
                                    "lblHour", "lblMinute", "lblSecond"};

class ScannerDialogsTest : public VirtualScannerTest {
  protected:
    ui::FormServices Services() {
        return {desktop_, metrics_, [this] { return pcClock_; }, nullptr, dir_.Path()};
    }

    std::unique_ptr<frmOPN2001Settings> Settings(std::shared_ptr<clsOPN2001> scanner) {
        auto form = std::make_unique<frmOPN2001Settings>(Services());
        form->SetOPN2001(std::move(scanner));
        return form;
    }

    std::vector<std::string> ClockShown(const ui::Form& form) const {
        std::vector<std::string> shown;
        for (const char* label : kClockLabels) shown.push_back(form.Ctl(label).text);
        return shown;
    }

    std::string Show() {
        std::string output;
        EXPECT_EQ(RunVscan(dir_.Path(), "show COM3", &output), 0);
        return output;
    }

    std::shared_ptr<FormsDesktop> desktop_ = std::make_shared<FormsDesktop>();
    std::shared_ptr<FixedMetrics> metrics_ = std::make_shared<FixedMetrics>();
    DateTime pcClock_{2026, 12, 5, 17, 29, 16};
};

TEST_F(ScannerDialogsTest, ReadsTheBeeperAndRunsTheScannersClock) {
    for (auto [stored, ticked] : {std::pair{0, 0}, {1, 1}, {7, 1}}) {
        auto form = Settings(Connected("param 2 = " + std::to_string(stored) +
                                       "\nclock-bytes = 09 3B 17 1F 0C 0D\n"));
        EXPECT_FALSE(Open(*form));
        EXPECT_EQ(form->Ctl("chkBeepOnScan").value, ticked) << stored;
        EXPECT_EQ(ClockShown(*form),
                  (std::vector<std::string>{"31", "12", "2013", "23", "59", "09"}));
        // A tick is one second, carried through to the new year.
        for (int i = 0; i < 51; ++i) form->TimerTick("tmrDateTime");
        EXPECT_EQ(ClockShown(*form), (std::vector<std::string>{"1", "1", "2014", "0", "00", "00"}));
    }
}

TEST_F(ScannerDialogsTest, DefaultsAreReadBackAndOkSetsTheBeeperAndTheClockFromThePc) {
    auto form = Settings(Connected("param 2 = 0\nclock-bytes = 00 00 00 01 01 0A\n"));
    Open(*form);
    form->Click("cmdFactoryDefault");
    EXPECT_EQ(form->Ctl("chkBeepOnScan").value, 1);
    EXPECT_EQ(desktop_->busyPointer, (std::vector<bool>{true, false}));
    EXPECT_FALSE(form->UnloadRequested());
    EXPECT_NE(Show().find("Beeper:            on"), std::string::npos);

    form->UserValue("chkBeepOnScan", 0);
    form->Click("imgSetDateTime");
    EXPECT_EQ(ClockShown(*form), (std::vector<std::string>{"5", "12", "2026", "17", "29", "16"}));
    form->TimerTick("tmrDateTime");
    form->Click("cmdOK");
    EXPECT_TRUE(form->UnloadRequested());
    EXPECT_TRUE(desktop_->msgBoxes.empty());
    const std::string shown = Show();
    EXPECT_NE(shown.find("Beeper:            off"), std::string::npos) << shown;
    // The virtual clock runs on from the time set, with the PC's clock.
    EXPECT_NE(shown.find("Clock:             2026-12-05 17:29:"), std::string::npos) << shown;
}

TEST_F(ScannerDialogsTest, HoverHighlightsTheClockImageOnce) {
    auto form = Settings(Connected(""));
    Open(*form);
    form->MouseMove("imgSetDateTime", {});
    int reloads = 0;
    form->SetObserver([&](const std::string& name) { reloads += name == "imgSetDateTime"; });
    form->MouseMove("imgSetDateTime", {});
    EXPECT_EQ(form->Ctl("imgSetDateTime").picture, "2");
    EXPECT_EQ(reloads, 0);
    form->MouseMove("picDateTime", {});
    EXPECT_EQ(form->Ctl("imgSetDateTime").picture, "1");
}

TEST_F(ScannerDialogsTest, AnUnreadableBeeperStillSetsTheClockButReportsFailure) {
    auto form = Settings(Connected("param 2 = 0\nclock-bytes = 00 00 00 01 01 0A\n"));
    ASSERT_EQ(RunVscan(dir_.Path(), "fail COM3 getparam"), 0);
    Open(*form);
    EXPECT_FALSE(form->Ctl("chkBeepOnScan").enabled);
    form->Click("cmdOK");
    ASSERT_EQ(desktop_->msgBoxes.size(), 1u);
    EXPECT_EQ(desktop_->msgBoxes[0].prompt, "Failed to apply some settings");
    EXPECT_TRUE(form->UnloadRequested());
    const std::string shown = Show();
    EXPECT_NE(shown.find("Beeper:            off"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("stopped"), std::string::npos) << shown;

    ASSERT_EQ(RunVscan(dir_.Path(), "recover COM3"), 0);
    auto again = Settings(form->OPN2001());
    Open(*again);
    EXPECT_TRUE(again->Ctl("chkBeepOnScan").enabled);
}

TEST_F(ScannerDialogsTest, WithoutAnAnsweringScannerOkAndResetKeepTheDialogOpen) {
    auto form = Settings(NewScanner());  // never connected, no scanner plugged in
    EXPECT_FALSE(Open(*form));
    EXPECT_FALSE(form->Ctl("chkBeepOnScan").enabled);
    EXPECT_EQ(form->Ctl("imgSetDateTime").picture, "3");
    EXPECT_EQ(ClockShown(*form), std::vector<std::string>(6, ""));

    form->Click("cmdFactoryDefault");
    form->Click("cmdOK");
    ASSERT_EQ(desktop_->msgBoxes.size(), 2u);
    EXPECT_EQ(desktop_->msgBoxes[1].prompt, "The scanner is no longer available.");
    EXPECT_EQ(desktop_->msgBoxes[1].buttons, platform::vbExclamation);
    EXPECT_FALSE(form->UnloadRequested());
    form->Click("cmdCancel");
    EXPECT_TRUE(form->UnloadRequested());
}

TEST_F(ScannerDialogsTest, DeviceInformationShowsWhatWasReadOrDashes) {
    const std::string file = "identity = 000102030A0BFEFF\nsoftware = 2.5\nprotocol = 3\n";
    // Scanner, identity, software, protocol, battery text and picture. Each
    // scanner is connected just before its form opens, as both use COM3.
    using Scanner = std::function<std::shared_ptr<clsOPN2001>()>;
    const std::pair<Scanner, std::string> cases[] = {
        {[&] { return Connected(file + "status = 0\n"); }, "000102030A0BFEFF|2.5|3|Good|BatteryOK"},
        {[&] { return Connected(file + "status = 22\n"); },
         "000102030A0BFEFF|2.5|3|Low|BatteryLow"},
        {[] { return nullptr; }, "-|-|-|-|"},
        {[&] { return NewScanner(); }, "-|-|-|-|"},
    };
    for (const auto& [scanner, shown] : cases) {
        frmDeviceInfo form(Services());
        form.SetOPN2001(scanner());
        EXPECT_FALSE(Open(form));
        std::string values = form.Ctl("lblScanner(1)").text;
        for (const char* label :
             {"lblDeviceID(1)", "lblSWVersion(1)", "lblProtocol(1)", "lblBattery"})
            values += "|" + form.Ctl(label).text;
        EXPECT_EQ(values + "|" + form.Ctl("picBattery").picture, "Opticon OPN-2001|" + shown);
    }
    EXPECT_TRUE(TraceHas("Device undetected or not connected..."));
}

}  // namespace
}  // namespace quarnel::test
