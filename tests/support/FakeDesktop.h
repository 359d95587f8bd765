// SPDX-License-Identifier: MIT
// A desktop driven by the test: scripted message-box answers, file-dialog
// results and menu choices, timers ticked by hand, and every call recorded.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace quarnel::test {

class FakeDesktop : public platform::Desktop {
  public:
    struct MsgBoxCall {
        std::string prompt;
        int32_t buttons;
    };

    FakeDesktop();
    ~FakeDesktop() override;

    int32_t MsgBox(const std::string& prompt, int32_t buttons) override;
    std::optional<std::string> ShowOpen(const platform::FileDialogRequest& request) override;
    std::optional<std::string> ShowSave(const platform::FileDialogRequest& request) override;
    std::optional<std::string> BrowseForFolder(const platform::FolderDialogRequest&) override;
    std::unique_ptr<platform::Timer> CreateTimer(std::function<void()> tick) override;
    std::unique_ptr<platform::DescriptorWatch> WatchDescriptor(
        int fd, std::function<void()> ready) override;
    std::optional<std::string> PopupMenu(const std::vector<platform::MenuItem>& items) override;
    void SetBusyPointer(bool busy) override { busyPointer.push_back(busy); }
    void MainWindowUnloaded() override { ++unloadedCount; }

    // Runs the tick of every enabled timer once.
    void Tick();
    // Calls every watch of fd as if it had become readable.
    void Ready(int fd);
    size_t TimerCount() const;
    // The intervals of the enabled timers.
    std::vector<std::chrono::milliseconds> RunningTimers() const;
    size_t WatchCount() const;

    // Answers in order; when none is left: vbOK, or vbNo for a Yes/No box.
    std::deque<int32_t> msgBoxAnswers;
    // Runs while a message box is open, like the ticks of the event loop.
    std::function<void(const MsgBoxCall&)> whileMsgBox;
    std::vector<MsgBoxCall> msgBoxes;

    std::deque<std::optional<std::string>> openResults, saveResults;
    std::vector<platform::FileDialogRequest> openRequests, saveRequests;

    std::deque<std::optional<std::string>> menuChoices;
    std::vector<std::vector<platform::MenuItem>> menus;

    std::vector<bool> busyPointer;
    int unloadedCount = 0;

  private:
    struct Registry;
    class ManualTimer;
    class Watch;
    std::shared_ptr<Registry> registry_;
};

}  // namespace quarnel::test
