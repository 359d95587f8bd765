// SPDX-License-Identifier: MIT
#include "FakeDesktop.h"

#include <algorithm>
#include <chrono>

namespace quarnel::test {

// What lives on after the desktop: timers and watches unregister here.
struct FakeDesktop::Registry {
    std::vector<ManualTimer*> timers;
    std::vector<Watch*> watches;
};

class FakeDesktop::ManualTimer : public platform::Timer {
  public:
    ManualTimer(std::shared_ptr<Registry> registry, std::function<void()> tick)
        : registry_(std::move(registry)), tick_(std::move(tick)) {
        registry_->timers.push_back(this);
    }
    ~ManualTimer() override { std::erase(registry_->timers, this); }
    void SetInterval(std::chrono::milliseconds interval) override { interval_ = interval; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }
    std::chrono::milliseconds Interval() const { return interval_; }
    void Tick() const {
        if (enabled_) tick_();
    }

  private:
    std::shared_ptr<Registry> registry_;
    std::function<void()> tick_;
    std::chrono::milliseconds interval_{0};
    bool enabled_ = false;
};

class FakeDesktop::Watch : public platform::DescriptorWatch {
  public:
    Watch(std::shared_ptr<Registry> registry, int fd, std::function<void()> ready)
        : registry_(std::move(registry)), fd_(fd), ready_(std::move(ready)) {
        registry_->watches.push_back(this);
    }
    ~Watch() override { std::erase(registry_->watches, this); }
    int fd() const { return fd_; }
    void Ready() const { ready_(); }

  private:
    std::shared_ptr<Registry> registry_;
    int fd_;
    std::function<void()> ready_;
};

FakeDesktop::FakeDesktop() : registry_(std::make_shared<Registry>()) {}
FakeDesktop::~FakeDesktop() = default;

int32_t FakeDesktop::MsgBox(const std::string& prompt, int32_t buttons) {
    msgBoxes.push_back({prompt, buttons});
    if (whileMsgBox) whileMsgBox(msgBoxes.back());
    if (!msgBoxAnswers.empty()) {
        const int32_t answer = msgBoxAnswers.front();
        msgBoxAnswers.pop_front();
        return answer;
    }
    return (buttons & 0x7) == platform::vbYesNo ? platform::vbNo : platform::vbOK;
}

namespace {
std::optional<std::string> Next(std::deque<std::optional<std::string>>& results) {
    if (results.empty()) return std::nullopt;
    std::optional<std::string> result = results.front();
    results.pop_front();
    return result;
}
}  // namespace

std::optional<std::string> FakeDesktop::ShowOpen(const platform::FileDialogRequest& request) {
    openRequests.push_back(request);
    return Next(openResults);
}

std::optional<std::string> FakeDesktop::ShowSave(const platform::FileDialogRequest& request) {
    saveRequests.push_back(request);
    return Next(saveResults);
}

std::optional<std::string> FakeDesktop::BrowseForFolder(const platform::FolderDialogRequest&) {
    return std::nullopt;
}

std::unique_ptr<platform::Timer> FakeDesktop::CreateTimer(std::function<void()> tick) {
    return std::make_unique<ManualTimer>(registry_, std::move(tick));
}

std::unique_ptr<platform::DescriptorWatch> FakeDesktop::WatchDescriptor(
    int fd, std::function<void()> ready) {
    return std::make_unique<Watch>(registry_, fd, std::move(ready));
}

std::optional<std::string> FakeDesktop::PopupMenu(const std::vector<platform::MenuItem>& items) {
    menus.push_back(items);
    return Next(menuChoices);
}

void FakeDesktop::Tick() {
    // A copy: a tick may create or end timers.
    const std::vector<ManualTimer*> timers = registry_->timers;
    for (ManualTimer* timer : timers)
        if (std::ranges::find(registry_->timers, timer) != registry_->timers.end()) timer->Tick();
}

void FakeDesktop::Ready(int fd) {
    const std::vector<Watch*> watches = registry_->watches;
    for (Watch* watch : watches)
        if (watch->fd() == fd) watch->Ready();
}

size_t FakeDesktop::TimerCount() const {
    return registry_->timers.size();
}

std::vector<std::chrono::milliseconds> FakeDesktop::RunningTimers() const {
    std::vector<std::chrono::milliseconds> intervals;
    for (const ManualTimer* timer : registry_->timers)
        if (timer->Enabled()) intervals.push_back(timer->Interval());
    return intervals;
}

size_t FakeDesktop::WatchCount() const {
    return registry_->watches.size();
}

}  // namespace quarnel::test
