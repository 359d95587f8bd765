// SPDX-License-Identifier: MIT
// Opens the program's four dialogs as Win32 windows: the about and scanner
// information dialogs modally (the call returns when they close), the
// options and scanner settings dialogs modeless. Each dialog has one window
// at a time; choosing it again brings that window to the front, bound to the
// scanner object given this time. Every window is top-level, without owner.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Windows.h"
#include "ui/DialogLauncher.h"
#include "ui/FormServices.h"

namespace quarnel::ui {
class Form;
class modBrowseFolder;
}  // namespace quarnel::ui

namespace quarnel::win32 {

class Win32FormWindow;

class Win32DialogLauncher final : public DialogLauncher {
  public:
    // The services every form is made with; settings come from Settings().
    // Without text metrics, the dialog font's are used.
    explicit Win32DialogLauncher(ui::FormServices services);
    ~Win32DialogLauncher() override;
    Win32DialogLauncher(const Win32DialogLauncher&) = delete;
    Win32DialogLauncher& operator=(const Win32DialogLauncher&) = delete;

    void ShowAbout() override;
    void ShowOptions() override;
    void ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) override;
    void ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) override;
    bool AnyOpen() const override;

    // Closes every open dialog as its Cancel button does, for a program that
    // ends. Unsaved input is reported in the trace and on standard error.
    void CloseAll();

    // Called from the message loop once the last open dialog has closed, so
    // that a program whose main window is gone can end.
    void SetAllClosedHandler(std::function<void()> handler);

    // The open window of a form ("frmOptions"), or null.
    Win32FormWindow* OpenDialog(const std::string& formName) const;

  private:
    static LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Brings an open window of the form forward; false when none is open.
    bool Raise(const std::string& formName);
    void Show(std::shared_ptr<ui::Form> form, bool modal);
    void Closed(const std::string& formName);
    void AfterClose();

    ui::FormServices services_;
    // The folder picker remembers its last folder for the whole run.
    std::shared_ptr<ui::modBrowseFolder> browseFolder_;
    std::map<std::string, std::unique_ptr<Win32FormWindow>> open_;
    // Closed windows, deleted from the message loop once their procedure has returned.
    std::vector<std::unique_ptr<Win32FormWindow>> closed_;
    std::function<void()> allClosed_;
    bool allClosedPending_ = false;  // the last window closed; the program is told next
    HWND messages_ = nullptr;        // message-only window for work after a window closed
};

}  // namespace quarnel::win32
