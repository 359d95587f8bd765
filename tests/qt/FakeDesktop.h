// A desktop whose message boxes and pickers answer from a script and
// remember what they were asked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace quarnel::test {

class FakeDesktop final : public platform::Desktop {
  public:
    std::vector<std::string> messages;  // prompts of the message boxes shown
    std::optional<std::string> folderAnswer;
    std::optional<std::string> saveAnswer;
    int busyDepth = 0;

    int32_t MsgBox(const std::string& prompt, int32_t) override {
        messages.push_back(prompt);
        return platform::vbOK;
    }
    std::optional<std::string> ShowOpen(const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> ShowSave(const platform::FileDialogRequest&) override {
        return saveAnswer;
    }
    std::optional<std::string> BrowseForFolder(const platform::FolderDialogRequest&) override {
        return folderAnswer;
    }
    std::unique_ptr<platform::Timer> CreateTimer(std::function<void()>) override { return nullptr; }
    std::unique_ptr<platform::DescriptorWatch> WatchDescriptor(int,
                                                               std::function<void()>) override {
        return nullptr;
    }
    std::optional<std::string> PopupMenu(const std::vector<platform::MenuItem>&) override {
        return std::nullopt;
    }
    void SetBusyPointer(bool busy) override { busyDepth += busy ? 1 : -1; }
    void MainWindowUnloaded() override {}
};

}  // namespace quarnel::test
