// SPDX-License-Identifier: MIT
// The desktop services of the program's windows on Qt Widgets.
#pragma once

#include <memory>

#include "platform/Desktop.h"
#include "ui/DialogLauncher.h"

namespace quarnel::qt {

class QtDesktop final : public platform::Desktop {
  public:
    QtDesktop() = default;
    ~QtDesktop() override;

    // The dialogs whose windows keep the program running after the main
    // window has been unloaded. Held weakly: the launcher outlives nothing.
    void SetDialogLauncher(std::weak_ptr<DialogLauncher> dialogs);
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

    std::weak_ptr<DialogLauncher> dialogs_;
    bool mainWindowUnloaded_ = false;
    int busyDepth_ = 0;
};

}  // namespace quarnel::qt
