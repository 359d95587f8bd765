// SPDX-License-Identifier: MIT
#include "ui/FormDialogLauncher.h"

#include <iostream>

#include "base/TraceLog.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"
#include "ui/modBrowseFolder.h"

namespace quarnel::ui {
namespace {

// Raises Click for the form's Cancel button; false when it has none.
bool PressCancel(Form& form) {
    for (const Control& control : form.Controls()) {
        if (control.isCancel && control.kind == ControlKind::CommandButton) {
            form.Click(control.name);
            return true;
        }
    }
    return false;
}

}  // namespace

FormDialogLauncher::FormDialogLauncher(FormServices services)
    : services_(std::move(services)),
      browseFolder_(std::make_shared<modBrowseFolder>(services_.desktop)) {}

void FormDialogLauncher::ShowAbout() {
    if (!Raise("frmAbout")) Open(std::make_shared<frmAbout>(services_), true);
}

void FormDialogLauncher::ShowOptions() {
    if (!Raise("frmOptions")) Open(std::make_shared<frmOptions>(services_, browseFolder_), false);
}

void FormDialogLauncher::ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) {
    ShowWithScanner<frmDeviceInfo>("frmDeviceInfo", std::move(scanner), true);
}

void FormDialogLauncher::ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) {
    ShowWithScanner<frmOPN2001Settings>("frmOPN2001Settings", std::move(scanner), false);
}

// A dialog chosen again takes the scanner object of now: the one it was
// opened with may have been released when the scanner was unplugged.
template <class Dialog>
void FormDialogLauncher::ShowWithScanner(const std::string& formName,
                                         std::shared_ptr<clsOPN2001> scanner, bool modal) {
    if (auto* open = dynamic_cast<Dialog*>(OpenForm(formName))) {
        open->SetOPN2001(std::move(scanner));
        Raise(formName);
        return;
    }
    auto form = std::make_shared<Dialog>(services_);
    form->SetOPN2001(std::move(scanner));
    Open(std::move(form), modal);
}

void FormDialogLauncher::CloseAll() {
    // A copy: closing a window changes the list.
    for (const std::string& name : OpenForms()) {
        Form* form = OpenForm(name);
        if (form == nullptr || form->UnloadRequested()) continue;
        // The user's input is not stored, so the user is told.
        if (UserEdited(name)) {
            const std::string note =
                "Quarnel is ending: the changes in " + name + " were not saved";
            trace::Event(note);
            std::cerr << note << '\n';
        }
        // Cancel closes its window from the event loop; a form without one,
        // or one that stays, is closed here.
        if (PressCancel(*form) && form->UnloadRequested()) continue;
        ForceClose(name);
    }
}

}  // namespace quarnel::ui
