// SPDX-License-Identifier: MIT
// The main window loaded by start-up over a scripted desktop, a recording
// shell and dialogs, the virtual scanner library and the reference web shop.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "FakeDesktop.h"
#include "FakeDialogLauncher.h"
#include "FakeRegistry.h"
#include "FakeShell.h"
#include "ShopProcess.h"
#include "TestSupport.h"
#include "WebshopTestSupport.h"
#include "app/frmMain.h"
#include "app/modMain.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/DeviceChange.h"

namespace quarnel::test {

inline const std::string kOneBarcode = "barcode = 2013-04-23 07:47:28 | 8 | 8712345678906\n";

// Opens URLs with a set answer; a negative one makes the call fail.
struct ScriptedOpener : platform::UrlOpener {
    int32_t ShellExecuteA(const std::string&, const std::string& file, const std::string&,
                          const std::string&, int32_t) override {
        urls.push_back(file);
        if (result < 0) throw std::runtime_error("opener failed");
        return result;
    }
    int32_t result = platform::SE_OPENED;
    std::vector<std::string> urls;
};

class MainWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { shop_ = new ShopProcess(QUARNEL_SHOP_EXE, {"100:jan:geheim"}); }
    static void TearDownTestSuite() {
        delete shop_;
        shop_ = nullptr;
    }

    MainWindowTest() {
        registry_->PutText("HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Optovcm0", "COM3");
    }
    ~MainWindowTest() override {
        Restart();
        SetExtendedLogging(false);
    }

    // Starts the program; the customer is jan with the given password.
    void Start(const std::string& commandLine = "extended",
               const std::string& password = "geheim") {
        auto webshop = [this] {
            return WebshopLink{std::make_shared<platform::CurlHttp>(platform::HttpTimeouts{
                                   std::chrono::seconds(2), std::chrono::milliseconds(300)}),
                               opener_, "127.0.0.1", shopPort_, IdentificationFromSettings};
        };
        const std::string folder = applicationFolder_.empty() ? dir_.Path() : applicationFolder_;
        window_ = Main(commandLine, StartupEnvironment{registry_, folder, "/usr/bin/quarnel"},
                       {desktop_, shell_, dialogs_,
                        platform::LoadScannerLibrary(std::getenv("QUARNEL_CSP2_LIBRARY")),
                        registry_, openNotifications_, webshop});
        Settings()->SetDebtor("100");
        Settings()->SetUser("jan");
        Settings()->SetPassword(password);
    }

    void Plug(const std::string& text) {
        WriteFileBytes(platform::virtual_ports::FileOfPort(scanners_.Path(), "COM3"), text);
    }
    void Unplug() {
        std::remove(platform::virtual_ports::FileOfPort(scanners_.Path(), "COM3").c_str());
    }
    // The port change as the notification source delivers it.
    void PortChange(platform::WPARAM event) {
        auto record = platform::MakePortNotification("COM3");
        window_->Window().SendMessageA(platform::WM_DEVICECHANGE, event,
                                       reinterpret_cast<platform::LPARAM>(record->data()));
    }
    // The tray icon's notification through the window, keys as wParam.
    void TrayNotify(uint32_t message, platform::WPARAM keys = 0) {
        window_->Window().SendMessageA(platform::WM_MOUSEMOVE, keys,
                                       static_cast<platform::LPARAM>(message));
    }
    // Right click with keys and the item chosen from the menu.
    void Choose(const std::string& item, platform::WPARAM keys = 0) {
        desktop_->menuChoices.push_back(item);
        TrayNotify(platform::WM_RBUTTONUP, keys);
    }

    // The trace's messages, after the time stamps.
    std::vector<std::string> Trace() const {
        std::vector<std::string> messages;
        std::istringstream lines(ReadFileBytes(dir_.File("Trace.log")));
        for (std::string line; std::getline(lines, line);) {
            if (line.ends_with('\r')) line.pop_back();
            if (const size_t tab = line.find('\t'); tab != std::string::npos)
                messages.push_back(line.substr(tab + 1));
        }
        return messages;
    }
    // The entries written since Mark().
    std::vector<std::string> NewTrace() const {
        std::vector<std::string> all = Trace();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark_, all.size())), all.end()};
    }
    void Mark() {
        mark_ = Trace().size();
        shell_->calls.clear();
        desktop_->msgBoxes.clear();
    }
    bool TraceHas(const std::string& m) const { return std::ranges::count(Trace(), m) > 0; }
    bool NewTraceHas(const std::string& m) const { return std::ranges::count(NewTrace(), m) > 0; }
    // Ends the running program, if any, for a fresh start.
    void Restart() {
        window_.reset();
        if (Settings()) ExitApplication();
    }
    // The names of the files in a folder, sorted.
    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        if (std::filesystem::is_directory(folder))
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                names.push_back(entry.path().filename());
        std::ranges::sort(names);
        return names;
    }

    static ShopProcess* shop_;
    TempDir dir_;
    TempDir scanners_;
    ScopedEnv scannerFolder_{platform::virtual_ports::kFolderVariable, scanners_.Path()};
    std::shared_ptr<FakeRegistry> registry_ = std::make_shared<FakeRegistry>();
    std::shared_ptr<FakeDesktop> desktop_ = std::make_shared<FakeDesktop>();
    std::shared_ptr<FakeShell> shell_ = std::make_shared<FakeShell>();
    std::shared_ptr<FakeDialogLauncher> dialogs_ = std::make_shared<FakeDialogLauncher>();
    std::shared_ptr<ScriptedOpener> opener_ = std::make_shared<ScriptedOpener>();
    std::function<std::unique_ptr<platform::DeviceNotificationSource>(platform::HiddenWindow&)>
        openNotifications_;
    int shopPort_ = shop_->Port();
    // The program's folder; dir_ when empty.
    std::string applicationFolder_;
    std::unique_ptr<frmMain> window_;
    size_t mark_ = 0;
};

}  // namespace quarnel::test
