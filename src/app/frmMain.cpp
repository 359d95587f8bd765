// SPDX-License-Identifier: MIT
#include "app/frmMain.h"

#include <chrono>

#include "app/modMain.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modTexts.h"

namespace quarnel {

// The Win32 names of the seams, which may be macros of <windows.h>.
using namespace platform;

namespace {

std::string PortText(uint8_t port) {
    return TraceValue(int32_t{port});
}

std::string ConnectedTip(const clsOPN2001& scanner) {
    return std::string(kAppTitle) + " (" + scanner.DeviceName() + ")";
}

platform::MenuItem Item(const char* name, bool separator = false, bool visible = true) {
    platform::MenuItem item;
    item.name = name;
    item.separator = separator;
    item.visible = visible;
    return item;
}

}  // namespace

frmMain::frmMain(MainWindowServices services, std::string applicationFolder)
    : services_(std::move(services)),
      applicationFolder_(std::move(applicationFolder)),
      window_(platform::CreateHiddenWindow(
          "frmMain",
          [this](platform::HWND hWnd, platform::UINT uMsg, platform::WPARAM wParam,
                 platform::LPARAM lParam) { return WindowProc(hWnd, uMsg, wParam, lParam); })),
      mnuContext_{Item("mnuReadData"),
                  Item("mnuScannerInfo"),
                  Item("mnuScannerSetup"),
                  Item("mnuSep1", true),
                  Item("mnuResend"),
                  Item("mnuSep2", true),
                  Item("mnuOptions"),
                  Item("mnuAbout"),
                  Item("mnuExit"),
                  Item("mnuSep3", true, false),
                  Item("mnuExtendedLogging", false, false)} {}

frmMain::~frmMain() {
    tmrDetect.reset();
    StopDetection();
    m_objOPN2001.reset();
    m_objTray.reset();
}

platform::HWND frmMain::hWnd() const {
    return window_->Handle();
}

void frmMain::SetMouseMoveHandler(MouseMoveHandler handler) {
    mouseMove_ = std::move(handler);
}

platform::LRESULT frmMain::WindowProc(platform::HWND hWnd, platform::UINT uMsg,
                                      platform::WPARAM wParam, platform::LPARAM lParam) {
    if (auto args = DecodeMouseMove(uMsg, wParam, lParam)) {
        // A copy: the tray may stop listening while it handles the move.
        MouseMoveHandler handler = mouseMove_;
        if (handler) handler(*args);
        return 0;
    }
    return platform::DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

std::shared_ptr<clsOPN2001> frmMain::NewScanner() {
    auto scanner = std::make_shared<clsOPN2001>(services_.scannerLibrary);
    scanner->SetSafekeepingHandler([this](const std::shared_ptr<clsReadSession>& session) {
        return KeepReadOutSafe(session);
    });
    // The handler runs inside the scanner's own read-out.
    scanner->SetBarcodesReadHandler(
        [this, reader = scanner.get()](const std::shared_ptr<clsReadSession>& session) {
            readNotes_.clear();
            if (reader->UnreadBarcodes() > 0)
                readNotes_ += "\r\n" + GetText(177, TraceValue(reader->UnreadBarcodes()));
            if (reader->ClearFailed()) readNotes_ += "\r\n" + GetText(178);
            m_objOPN2001_BarcodesRead(session);
        });
    return scanner;
}

bool frmMain::ScannerConnected() const {
    return m_objOPN2001 && m_objOPN2001->Connected();
}

void frmMain::Form_Load() {
    trace::Entering("frmMain.Form_Load");
    try {
        m_objDeviceDetection = std::make_unique<clsDeviceDetection>(services_.registry);
        InitTexts();
        MenuItem("mnuExtendedLogging").checked = ExtendedLogging();

        platform::HICON icon = platform::kIconScannerError;
        std::string toolTip = kAppTitle;
        trace::Event("Retreiving active COM port for supported devices...");
        const uint8_t port = m_objDeviceDetection->GetLastKnownPort(DeviceOPN2001);
        if (port != 0) {
            m_objOPN2001 = NewScanner();
            trace::Event("Detected " + m_objOPN2001->DeviceName() + " on COM port " +
                         PortText(port));
            if (m_objOPN2001->Connect(port)) {
                m_objDeviceDetection->SetDeviceDetected(DeviceOPN2001, port);
                icon = platform::kIconScannerOK;
                toolTip = ConnectedTip(*m_objOPN2001);
            } else {
                trace::Event("Failed to connect to " + m_objOPN2001->DeviceName() +
                             " on COM port " + PortText(port));
                m_objOPN2001.reset();
            }
        } else {
            trace::Event("No supported device detected");
        }

        m_objTray = std::make_unique<clsSysTray>(services_.shell);
        m_objTray->SetOnTrayEvent(
            [this](int32_t Message, int16_t Shift) { m_objTray_OnTrayEvent(Message, Shift); });
        m_objTray->AddToTray(*this, icon, toolTip);
        AnnounceUnsentOrders();

        m_objDeviceDetection->StartScanning(*window_);
        if (services_.openDeviceNotifications) {
            notifications_ = services_.openDeviceNotifications(*window_);
            if (notifications_ && notifications_->FileDescriptor() >= 0) {
                notificationWatch_ =
                    services_.desktop->WatchDescriptor(notifications_->FileDescriptor(), [this] {
                        if (!notifications_) return;
                        notifications_->Dispatch();
                        // A change is acted on at once rather than up to a
                        // polling interval later; the tick's own conditions
                        // keep this from starting a second read-out.
                        if (tmrDetect && tmrDetect->Enabled()) tmrDetect_Timer();
                    });
            }
        }

        tmrDetect = services_.desktop->CreateTimer([this] { tmrDetect_Timer(); });
        tmrDetect->SetInterval(std::chrono::milliseconds(kDetectIntervalMs));
        tmrDetect->SetEnabled(true);
        trace::Exiting("frmMain.Form_Load");
    } catch (...) {
        trace::Error("Error opening main form: ");
    }
}

void frmMain::InitTexts() {
    trace::Entering("frmMain.InitTexts");
    static constexpr std::pair<const char*, int> kCaptions[] = {
        {"mnuReadData", 142}, {"mnuScannerInfo", 110},    {"mnuScannerSetup", 143},
        {"mnuResend", 133},   {"mnuOptions", 123},        {"mnuAbout", 103},
        {"mnuExit", 144},     {"mnuExtendedLogging", 127}};
    std::string lastError;
    for (const auto& [name, id] : kCaptions) {
        try {
            MenuItem(name).caption = GetText(id);
        } catch (...) {
            lastError = ErrorText();
        }
    }
    trace::Detail("Exiting frmMain.InitTexts: " + lastError);
}

void frmMain::tmrDetect_Timer() {
    if (!m_objDeviceDetection) return;
    if (m_objDeviceDetection->DeviceDetected() && !m_objOPN2001) {
        if (m_objDeviceDetection->Device() != DeviceOPN2001) return;
        // A local owner: a removal handled during the read-out releases the member.
        std::shared_ptr<clsOPN2001> scanner = NewScanner();
        m_objOPN2001 = scanner;
        const uint8_t port = m_objDeviceDetection->COMPort();
        trace::Event("Device " + scanner->DeviceName() + " detected on COM port " + PortText(port));
        if (!scanner->Connect(port)) return;
        m_objTray->ModifyTrayIcon(platform::kIconScannerOK, ConnectedTip(*scanner));
        m_objTray->ShowBalloon(GetText(145) + " '" + scanner->DeviceName() + "'", GetText(153),
                               NIIF_INFO, true);
        trace::Event("Reading barcode data...");
        ReportReadCount(scanner->ReadBarcodes(true));
    } else if (!m_objDeviceDetection->DeviceDetected() && m_objOPN2001) {
        std::shared_ptr<clsOPN2001> scanner = std::move(m_objOPN2001);
        trace::Event("Device " + scanner->DeviceName() + " disconnected.");
        scanner->Disconnect();
        scanner.reset();
        m_objTray->ModifyTrayIcon(platform::kIconScannerError, kAppTitle);
        m_objTray->HideBalloon();
    }
}

void frmMain::ReportReadCount(int32_t count) {
    if (!m_objTray) return;
    if (count == 0) {
        m_objTray->UpdateBalloon(GetText(132), NIIF_WARNING);
        trace::Event("The scanner contains no scanned data");
    } else if (count == -1) {
        m_objTray->UpdateBalloon(GetText(158), NIIF_ERROR);
    }
}

void frmMain::StopDetection() {
    if (m_objDeviceDetection) {
        m_objDeviceDetection->StopScanning();
        m_objDeviceDetection.reset();
    }
    notificationWatch_.reset();
    notifications_.reset();
}

void frmMain::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    trace::Entering("frmMain.Form_Unload");
    // Kept, only stopped: the unload may come from inside a tick.
    if (tmrDetect) tmrDetect->SetEnabled(false);
    StopDetection();
    m_objOPN2001.reset();
    ExitApplication();
    // The icon goes now; the object stays for a read-out that may still be
    // finishing below a message box.
    if (m_objTray) m_objTray->RemoveFromTray();
    services_.desktop->MainWindowUnloaded();
}

WebshopLink frmMain::Webshop() const {
    return services_.webshopLink ? services_.webshopLink() : SystemWebshopLink();
}

}  // namespace quarnel
