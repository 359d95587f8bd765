// SPDX-License-Identifier: MIT
// Port arrivals and removals from a udev monitor (USB serial ports) and from
// inotify on the virtual scanners' folder and the COM devices' folder,
// behind one epoll descriptor.
#include "platform/DeviceNotifications.h"

#include <libudev.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "backends/linux/ComDevices.h"
#include "backends/linux/ComPortMapping.h"
#include "backends/linux/VirtualPorts.h"
#include "base/TraceLog.h"
#include "platform/DeviceChange.h"

namespace quarnel::platform {
namespace {

class LinuxDeviceNotifications final : public DeviceNotificationSource {
  public:
    explicit LinuxDeviceNotifications(HiddenWindow& window) : window_(window) {
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        OpenUdevMonitor();
        OpenFolderWatch(virtual_ports::FolderFromEnvironment(), virtual_ports::ListPorts);
        OpenFolderWatch(com_devices::FolderFromEnvironment(), com_devices::ListPorts);
    }

    ~LinuxDeviceNotifications() override {
        if (monitor_ != nullptr) udev_monitor_unref(monitor_);
        if (udev_ != nullptr) udev_unref(udev_);
        if (inotify_ >= 0) close(inotify_);
        if (epoll_ >= 0) close(epoll_);
    }

    LinuxDeviceNotifications(const LinuxDeviceNotifications&) = delete;
    LinuxDeviceNotifications& operator=(const LinuxDeviceNotifications&) = delete;

    int FileDescriptor() const override { return epoll_; }

    void Dispatch() override {
        DispatchUdev();
        DispatchFolder();
    }

  private:
    void Watch(int fd) {
        if (epoll_ < 0 || fd < 0) return;
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
    }

    // Without udev (a container, say) only the virtual folder is watched.
    void OpenUdevMonitor() {
        udev_ = udev_new();
        if (udev_ == nullptr) return;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ == nullptr ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0) {
            if (monitor_ != nullptr) udev_monitor_unref(monitor_);
            monitor_ = nullptr;
            return;
        }
        Watch(udev_monitor_get_fd(monitor_));
    }

    using PortLister = std::vector<std::string> (*)(const std::string&);

    // A folder whose entries stand for ports.
    struct WatchedFolder {
        std::string folder;
        PortLister list;
        std::vector<std::string> known;
    };

    void OpenFolderWatch(const std::string& folder, PortLister list) {
        if (folder.empty()) return;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (inotify_ < 0) {
            inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (inotify_ < 0) return;
            Watch(inotify_);
        }
        if (inotify_add_watch(
                inotify_, folder.c_str(),
                IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE) < 0)
            return;
        folders_.push_back({folder, list, list(folder)});
    }

    void DispatchUdev() {
        if (monitor_ == nullptr) return;
        // The monitor's socket is non-blocking: receive answers null when drained.
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            std::string action = Text(udev_device_get_action(device));
            std::string node = Text(udev_device_get_devnode(device));
            udev_device_unref(device);
            auto com = linux_ports::ComNumberForDevicePath(node);
            if (!com) continue;
            if (action == "add") Send(DBT_DEVICEARRIVAL, "COM" + std::to_string(*com));
            if (action == "remove") Send(DBT_DEVICEREMOVECOMPLETE, "COM" + std::to_string(*com));
        }
    }

    // Folder events only say that something changed; the difference between
    // the ports listed before and now says what.
    void DispatchFolder() {
        if (inotify_ < 0) return;
        alignas(inotify_event) char buffer[4096];
        bool changed = false;
        while (read(inotify_, buffer, sizeof buffer) > 0) changed = true;
        if (!changed) return;
        for (auto& watched : folders_) {
            std::vector<std::string> now = watched.list(watched.folder);
            for (const auto& port : watched.known)
                if (std::find(now.begin(), now.end(), port) == now.end())
                    Send(DBT_DEVICEREMOVECOMPLETE, port);
            for (const auto& port : now)
                if (std::find(watched.known.begin(), watched.known.end(), port) ==
                    watched.known.end())
                    Send(DBT_DEVICEARRIVAL, port);
            watched.known = std::move(now);
        }
    }

    void Send(WPARAM event, const std::string& port) {
        auto record = MakePortNotification(port);
        if (!record) return;
        try {
            window_.SendMessageA(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record->data()));
        } catch (...) {
            trace::Error("Error delivering the device change of " + port + ": ");
        }
    }

    static std::string Text(const char* value) { return value != nullptr ? value : ""; }

    HiddenWindow& window_;
    int epoll_ = -1;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int inotify_ = -1;
    std::vector<WatchedFolder> folders_;
};

}  // namespace

std::unique_ptr<DeviceNotificationSource> OpenDeviceNotifications(HiddenWindow& window) {
    return std::make_unique<LinuxDeviceNotifications>(window);
}

}  // namespace quarnel::platform
