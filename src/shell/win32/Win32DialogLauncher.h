// SPDX-License-Identifier: MIT
// The program's dialogs as Win32 windows, each top-level without owner.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Windows.h"
#include "ui/FormDialogLauncher.h"

namespace quarnel::win32 {

class Win32FormWindow;

class Win32DialogLauncher final : public ui::FormDialogLauncher {
  public:
    // Without text metrics, the dialog font's are used.
    explicit Win32DialogLauncher(ui::FormServices services);
    ~Win32DialogLauncher() override;
    Win32DialogLauncher(const Win32DialogLauncher&) = delete;
    Win32DialogLauncher& operator=(const Win32DialogLauncher&) = delete;

    bool AnyOpen() const override;

    // Called from the message loop once the last open dialog has closed, so
    // that a program whose main window is gone can end.
    void SetAllClosedHandler(std::function<void()> handler);

    // The open window of a form ("frmOptions"), or null.
    Win32FormWindow* OpenDialog(const std::string& formName) const;

  private:
    static LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Open(std::shared_ptr<ui::Form> form, bool modal) override;
    ui::Form* OpenForm(const std::string& formName) const override;
    std::vector<std::string> OpenForms() const override;
    bool Raise(const std::string& formName) override;
    bool UserEdited(const std::string& formName) const override;
    void ForceClose(const std::string& formName) override;
    void Closed(const std::string& formName);
    void AfterClose();

    std::map<std::string, std::unique_ptr<Win32FormWindow>> open_;
    // Closed windows, deleted from the message loop once their procedure has returned.
    std::vector<std::unique_ptr<Win32FormWindow>> closed_;
    std::function<void()> allClosed_;
    bool allClosedPending_ = false;  // the last window closed; the program is told next
    HWND messages_ = nullptr;        // message-only window for work after a window closed
};

}  // namespace quarnel::win32
