// SPDX-License-Identifier: MIT
// The desktop services of the program's windows on Qt Widgets.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/Desktop.h"
#include "ui/DialogLauncher.h"

namespace quarnel::qt {

// Where a file or folder picker opens: the given folder, else its nearest
// existing parent, else the data folder; never the working folder.
QString PickerStartFolder(const std::string& given, const std::string& dataFolder);

class QtDesktop final : public platform::Desktop {
  public:
    // dataFolder: where pickers open when the folder they are given leads nowhere.
    explicit QtDesktop(std::string dataFolder);
    ~QtDesktop() override;

    // The dialogs whose windows keep the program running after the main
    // window has been unloaded. Held weakly: the launcher outlives nothing.
    void SetDialogLauncher(std::weak_ptr<DialogLauncher> dialogs);
    // Closes the open dialogs as Cancel does; called when Exit is chosen and
    // when the main window has been unloaded.
    void SetDialogCloser(std::function<void()> closeDialogs);
    // Called by the dialog launcher whenever one of its windows has closed.
    void DialogClosed();

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
    void QuitWhenNoDialogOpen();
    // Shows the menu at the pointer; the chosen item's name.
    static std::optional<std::string> ShowMenu(const std::vector<platform::MenuItem>& items);

    std::string dataFolder_;
    std::weak_ptr<DialogLauncher> dialogs_;
    std::function<void()> closeDialogs_;
    bool mainWindowUnloaded_ = false;
    int busyDepth_ = 0;
};

}  // namespace quarnel::qt
