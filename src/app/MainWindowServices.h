// SPDX-License-Identifier: MIT
// Everything the main window takes from outside: the desktop, the tray, the
// dialogs, the scanner library and the sources of port changes. main()
// fills it with the real layers, tests with fakes.
#pragma once

#include <functional>
#include <memory>

#include "platform/Desktop.h"
#include "platform/DeviceNotifications.h"
#include "platform/HiddenWindow.h"
#include "platform/RegistryApi.h"
#include "platform/ScannerLibrary.h"
#include "platform/ShellNotify.h"
#include "ui/DialogLauncher.h"
#include "webshop/WebshopLink.h"

namespace quarnel {

struct MainWindowServices {
    std::shared_ptr<platform::Desktop> desktop;
    std::shared_ptr<platform::ShellNotifyApi> shell;
    std::shared_ptr<DialogLauncher> dialogs;
    // The library each new scanner object is made over.
    std::shared_ptr<platform::ScannerLibrary> scannerLibrary;
    // Where detection reads HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
    std::shared_ptr<platform::RegistryApi> registry;
    // Opens the port-change source for the main window's hidden window.
    std::function<std::unique_ptr<platform::DeviceNotificationSource>(platform::HiddenWindow&)>
        openDeviceNotifications;
    // The web shop each order is sent to; SystemWebshopLink() when empty.
    std::function<WebshopLink()> webshopLink;
};

}  // namespace quarnel
