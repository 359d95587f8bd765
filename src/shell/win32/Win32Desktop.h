// SPDX-License-Identifier: MIT
// The desktop services of the program's windows on Win32: MessageBoxA, the
// common file dialogs, SHBrowseForFolder, SetTimer, TrackPopupMenu and the
// hourglass pointer. Texts are UTF-8 in the seam; what is only shown goes to
// the "A" functions in Windows-1252, paths and the pickers go through the
// "W" functions, so that any folder name can be chosen.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/Desktop.h"
#include "platform/Windows.h"
#include "shell/win32/Win32Window.h"
#include "ui/DialogLauncher.h"

namespace quarnel::win32 {

// The filter list of the seam ("CSV files|*.csv|All|*.*") as the common
// dialog takes it: pairs ended by NUL, the list by a second NUL, in UTF-16.
// A description without pattern is dropped; "" when nothing is left.
std::wstring CommonDialogFilter(const std::string& filter);

// Where a file or folder picker opens: the given folder, else its nearest
// existing parent, else the data folder; never the working folder.
std::string PickerStartFolder(const std::string& given, const std::string& dataFolder);

class Win32Desktop final : public platform::Desktop {
  public:
    // dataFolder: where pickers open when the folder they are given leads nowhere.
    explicit Win32Desktop(std::string dataFolder);
    ~Win32Desktop() override;

    // The dialogs whose windows keep the program running after the main
    // window has been unloaded. Held weakly: the launcher outlives nothing.
    void SetDialogLauncher(std::weak_ptr<DialogLauncher> dialogs);
    // Closes the open dialogs as Cancel does; called when Exit is chosen and
    // when the main window has been unloaded.
    void SetDialogCloser(std::function<void()> closeDialogs);
    // Called by the dialog launcher whenever one of its windows has closed.
    void DialogClosed();
    // The window that owns the menu and the timers.
    HWND Window() const { return window_.Handle(); }

    int32_t MsgBox(const std::string& prompt, int32_t buttons) override;
    std::optional<std::string> ShowOpen(const platform::FileDialogRequest& request) override;
    std::optional<std::string> ShowSave(const platform::FileDialogRequest& request) override;
    std::optional<std::string> BrowseForFolder(
        const platform::FolderDialogRequest& request) override;
    std::unique_ptr<platform::Timer> CreateTimer(std::function<void()> tick) override;
    std::unique_ptr<platform::DescriptorWatch> WatchDescriptor(
        int fd, std::function<void()> ready) override;
    std::optional<std::string> PopupMenu(const std::vector<platform::MenuItem>& items) override;
    void SetBusyPointer(bool busy) override;
    void MainWindowUnloaded() override;

  private:
    class WindowTimer;
    std::optional<LRESULT> HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    std::optional<std::string> RunFileDialog(const platform::FileDialogRequest& request, bool save);
    void QuitWhenNoDialogOpen();

    std::string dataFolder_;
    std::weak_ptr<DialogLauncher> dialogs_;
    std::function<void()> closeDialogs_;
    bool mainWindowUnloaded_ = false;
    int busyDepth_ = 0;
    HCURSOR normalCursor_ = nullptr;
    bool oleStarted_ = false;
    // The ticks of the live timers by id.
    std::map<UINT_PTR, std::function<void()>> timers_;
    UINT_PTR nextTimerId_ = 1;
    Win32Window window_;
};

}  // namespace quarnel::win32
