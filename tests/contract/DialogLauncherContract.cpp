// SPDX-License-Identifier: MIT
#include "DialogLauncherContract.h"

#include <gmock/gmock.h>

#include "FakeRegistry.h"
#include "app/modMain.h"
#include "scanner/clsOPN2001.h"
#include "settings/SharedSettings.h"
#include "ui/frmDeviceInfo.h"

namespace quarnel::test {

using ::testing::HasSubstr;

void DialogLauncherContract::SetUp() {
    Main("",
         StartupEnvironment{std::make_shared<FakeRegistry>(), dir_.Path(), dir_.File("quarnel")});
    library_->scanners[3] = FakeScannerLibrary::Scanner{};
    ui::FormServices services;
    services.desktop = desktop_;
    services.scannerLibrary = library_;
    services.applicationFolder = dir_.Path();
    driver_ = GetParam().make(services);
    driver_->SetAllClosedHandler([this] { ++allClosed_; });
}

void DialogLauncherContract::TearDown() {
    driver_.reset();
    ExitApplication();
}

bool DialogLauncherContract::WaitUntil(const std::function<bool()>& done) {
    return WaitFor(
        done, [this] { driver_->Pump(); }, std::chrono::seconds(30));
}

std::shared_ptr<clsOPN2001> DialogLauncherContract::ConnectedScanner() {
    auto scanner = std::make_shared<clsOPN2001>(library_);
    EXPECT_TRUE(scanner->Connect(3));
    return scanner;
}

namespace {

// The modeless dialogs return at once, each has one window, and the program
// hears when the last one has closed.
TEST_P(DialogLauncherContract, ModelessDialogsHaveOneWindowEachUntilEscapeClosesThem) {
    auto scanner = ConnectedScanner();
    driver_->Launcher().ShowOptions();
    driver_->Launcher().ShowOptions();
    driver_->Launcher().ShowScannerSettings(scanner);
    driver_->Launcher().ShowScannerSettings(scanner);
    EXPECT_TRUE(WaitUntil([&] { return driver_->ShownWindows() == 2; }));
    EXPECT_TRUE(driver_->Launcher().AnyOpen());

    driver_->PressKey("frmOptions", LauncherDriver::Key::Escape);
    EXPECT_TRUE(WaitUntil([&] { return driver_->OpenForm("frmOptions") == nullptr; }));
    EXPECT_TRUE(driver_->Launcher().AnyOpen());
    EXPECT_EQ(allClosed_, 0);
    driver_->PressKey("frmOPN2001Settings", LauncherDriver::Key::Escape);
    EXPECT_TRUE(WaitUntil([&] { return !driver_->Launcher().AnyOpen() && allClosed_ == 1; }));
    EXPECT_EQ(driver_->ShownWindows(), 0);
}

// The modal dialogs return once closed; one chosen again while it is open
// takes the scanner object of now.
TEST_P(DialogLauncherContract, ModalDialogsReturnOnceEnterOrEscapeClosedThem) {
    auto scanner = ConnectedScanner();
    for (auto key : {LauncherDriver::Key::Return, LauncherDriver::Key::Escape}) {
        const int closed = allClosed_;
        EXPECT_TRUE(driver_->WhileModal([&] { driver_->Launcher().ShowAbout(); },
                                        [&](const std::string& form) {
                                            EXPECT_EQ(form, "frmAbout");
                                            driver_->PressKey(form, key);
                                        }));
        EXPECT_FALSE(driver_->Launcher().AnyOpen());
        EXPECT_TRUE(WaitUntil([&] { return allClosed_ == closed + 1; }));
    }
    EXPECT_TRUE(driver_->WhileModal([&] { driver_->Launcher().ShowDeviceInfo(nullptr); },
                                    [&](const std::string& form) {
                                        driver_->Launcher().ShowDeviceInfo(scanner);
                                        EXPECT_EQ(driver_->ShownWindows(), 1);
                                        auto* info = dynamic_cast<ui::frmDeviceInfo*>(
                                            driver_->OpenForm(form));
                                        ASSERT_NE(info, nullptr);
                                        EXPECT_EQ(info->OPN2001(), scanner);
                                        driver_->PressKey(form, LauncherDriver::Key::Escape);
                                    }));
}

// A program that ends closes its dialogs as Cancel does: nothing is stored,
// and input the user typed is reported instead of dropped silently.
TEST_P(DialogLauncherContract, EndingClosesTheDialogsAsCancelAndReportsUnsavedInput) {
    Settings()->SetTraceEvents(true);
    Settings()->SetDebtor("100");
    auto scanner = ConnectedScanner();
    driver_->Launcher().ShowScannerSettings(scanner);
    driver_->Launcher().ShowOptions();
    ASSERT_TRUE(WaitUntil([&] { return driver_->ShownWindows() == 2; }));
    driver_->TypeText("frmOptions", "txtDebtor", "4711");
    driver_->CloseAll();
    EXPECT_TRUE(WaitUntil([&] { return !driver_->Launcher().AnyOpen() && allClosed_ == 1; }));
    driver_->Pump();
    EXPECT_EQ(allClosed_, 1);
    EXPECT_EQ(Settings()->Debtor(), "100");
    const std::string trace = ReadFileBytes(Settings()->TraceFile());
    EXPECT_THAT(trace,
                HasSubstr("\tQuarnel is ending: the changes in frmOptions were not saved\r\n"));
    EXPECT_THAT(trace, ::testing::Not(HasSubstr("changes in frmOPN2001Settings")));

    // A modal dialog closes too, and its call returns.
    EXPECT_TRUE(driver_->WhileModal([&] { driver_->Launcher().ShowAbout(); },
                                    [&](const std::string&) { driver_->CloseAll(); }));
    EXPECT_FALSE(driver_->Launcher().AnyOpen());
}

}  // namespace
}  // namespace quarnel::test
