// SPDX-License-Identifier: MIT
// The program's one permanent window, never shown. It owns the port
// detection, the scanner object while a scanner is found and the tray icon;
// it polls detection every 250 ms, opens the tray menu on a right click and
// runs each read-out through saving, order generation and sending.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowServices.h"
#include "model/clsOrder.h"
#include "model/clsReadSession.h"
#include "platform/Desktop.h"
#include "platform/DeviceNotifications.h"
#include "platform/HiddenWindow.h"
#include "scanner/clsDeviceDetection.h"
#include "scanner/clsOPN2001.h"
#include "ui/TrayForm.h"
#include "ui/clsSysTray.h"

namespace quarnel {

inline constexpr int kDetectIntervalMs = 250;

class frmMain final : public TrayForm {
  public:
    // applicationFolder: the initial folder of the file dialogs, without
    // trailing separator.
    frmMain(MainWindowServices services, std::string applicationFolder);
    // Stops detection before the window goes, also without Unload.
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void Form_Load();
    // Ends the window: detection, scanner, exit entry, tray icon; then tells
    // the desktop. A second call does nothing.
    void Unload();
    bool Unloaded() const { return unloaded_; }

    // TrayForm
    platform::HWND hWnd() const override;
    platform::HICON Icon() const override { return platform::kIconApplication; }
    void SetMouseMoveHandler(MouseMoveHandler handler) override;

    platform::HiddenWindow& Window() { return *window_; }
    clsSysTray* Tray() { return m_objTray.get(); }
    const std::shared_ptr<clsOPN2001>& OPN2001() const { return m_objOPN2001; }
    clsDeviceDetection* DeviceDetection() { return m_objDeviceDetection.get(); }
    // The items of the tray menu as it was last prepared.
    const std::vector<platform::MenuItem>& mnuContext() const { return mnuContext_; }

    // Polling and tray.
    void tmrDetect_Timer();
    void m_objTray_OnTrayEvent(int32_t Message, int16_t Shift);

    // Menu handlers.
    void mnuReadData_Click();
    void mnuScannerInfo_Click();
    void mnuScannerSetup_Click();
    void mnuResend_Click();
    void mnuOptions_Click();
    void mnuAbout_Click();
    void mnuExit_Click();
    void mnuExtendedLogging_Click();

    // The read-out pipeline.
    void m_objOPN2001_BarcodesRead(const std::shared_ptr<clsReadSession>& Session);
    void SendOrder(clsOrder& Order, const std::string& SaveFile, bool SavedOrder);
    void ShowErrorWithOrder(clsOrder& Order, const std::string& Message);
    void ShowErrorWithoutOrder(clsOrder& Order, const std::string& Message,
                               const std::string& SaveFile, bool SavedOrder);
    void ShowErrorBalloon(const std::string& Message);

  private:
    void InitTexts();
    platform::LRESULT WindowProc(platform::HWND hWnd, platform::UINT uMsg, platform::WPARAM wParam,
                                 platform::LPARAM lParam);
    std::shared_ptr<clsOPN2001> NewScanner();
    bool ScannerConnected() const;
    platform::MenuItem& MenuItem(const std::string& name);
    void RunMenuItem(const std::string& name);
    // Reports the count of a read-out that did not run the pipeline.
    void ReportReadCount(int32_t count);
    void StopDetection();
    WebshopLink Webshop() const;

    // The order a run has in hand: the recovery copy that holds it until the
    // shop or a saved file has it, the key of its read-out (empty for a
    // resend), and what its outcome balloon adds about the read-out.
    struct OrderInHand {
        std::string recoveryCopy;
        std::string readOutKey;
        std::string notes;
    };
    // Stores a read-out's order durably as a recovery copy before the
    // scanner is cleared; false, with the user told, when that fails.
    bool KeepReadOutSafe(const std::shared_ptr<clsReadSession>& session);
    // The run's order reached the shop: its read-out is remembered as sent.
    void OrderSent(const clsOrder& order);
    // Once the shop or a saved file has the run's order.
    void DropRecoveryCopy();
    // Shows a failed save of a run in a box.
    void ReportSaveFailure(int textId, const std::string& name);
    // Tells at start-up of recovery copies left by earlier runs.
    void AnnounceUnsentOrders();

    // The run the pipeline is in, if any; runs may nest under message boxes.
    OrderInHand* run_ = nullptr;
    // The recovery copy made for the session being read, until its run starts.
    std::shared_ptr<clsReadSession> keptSession_;
    std::string keptCopy_;
    // What the scanner reported of the read-out being handed over.
    std::string readNotes_;

    MainWindowServices services_;
    std::string applicationFolder_;
    // Declared first so that it outlives everything that refers to it.
    std::unique_ptr<platform::HiddenWindow> window_;
    MouseMoveHandler mouseMove_;
    std::vector<platform::MenuItem> mnuContext_;

    std::unique_ptr<clsSysTray> m_objTray;
    std::unique_ptr<clsDeviceDetection> m_objDeviceDetection;
    std::unique_ptr<platform::DeviceNotificationSource> notifications_;
    std::unique_ptr<platform::DescriptorWatch> notificationWatch_;
    std::shared_ptr<clsOPN2001> m_objOPN2001;
    std::unique_ptr<platform::Timer> tmrDetect;
    bool unloaded_ = false;
};

}  // namespace quarnel
