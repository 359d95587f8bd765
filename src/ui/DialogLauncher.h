// SPDX-License-Identifier: MIT
// Opens the program's dialogs for the tray menu. The toolkit layer
// implements it; until the dialogs exist, NoDialogs() opens nothing.
#pragma once

#include <memory>

namespace quarnel {

class clsOPN2001;

class DialogLauncher {
  public:
    virtual ~DialogLauncher() = default;

    // Modal, without owner window.
    virtual void ShowAbout() = 0;
    // Modeless; one window per run, brought to the front when shown again.
    virtual void ShowOptions() = 0;
    // Modal; the scanner (which may be null) is set before the dialog loads.
    virtual void ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) = 0;
    // Modeless, like ShowOptions; the scanner is set before it loads.
    virtual void ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) = 0;

    // True while a dialog window is open.
    virtual bool AnyOpen() const = 0;
};

std::shared_ptr<DialogLauncher> NoDialogs();

}  // namespace quarnel
