// SPDX-License-Identifier: MIT
// The program's four dialogs over a toolkit's windows: the about and scanner
// information dialogs modal (the call returns when they close), the options
// and scanner settings dialogs modeless. Each dialog has one window at a
// time; choosing it again brings that window to the front, bound to the
// scanner object given this time. The toolkit supplies the windows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/DialogLauncher.h"
#include "ui/FormServices.h"

namespace quarnel::ui {

class Form;
class modBrowseFolder;

class FormDialogLauncher : public DialogLauncher {
  public:
    void ShowAbout() override;
    void ShowOptions() override;
    void ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) override;
    void ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) override;

    // Closes every open dialog as its Cancel button does, for a program that
    // ends. Unsaved input is reported in the trace and on standard error.
    void CloseAll();

  protected:
    // The services every form is made with; settings come from Settings().
    explicit FormDialogLauncher(FormServices services);

    FormServices& Services() { return services_; }

    // Opens a window for a loaded form; a modal one returns once it closed.
    virtual void Open(std::shared_ptr<Form> form, bool modal) = 0;
    // The form of an open dialog ("frmOptions"), or null.
    virtual Form* OpenForm(const std::string& formName) const = 0;
    virtual std::vector<std::string> OpenForms() const = 0;
    // Brings the dialog's window to the front; false when none is open.
    virtual bool Raise(const std::string& formName) = 0;
    // The user has typed, ticked or chosen something in the dialog.
    virtual bool UserEdited(const std::string& formName) const = 0;
    // Closes the dialog's window now, whatever its form says.
    virtual void ForceClose(const std::string& formName) = 0;

  private:
    template <class Dialog>
    void ShowWithScanner(const std::string& formName, std::shared_ptr<clsOPN2001> scanner,
                         bool modal);

    FormServices services_;
    // The folder picker remembers its last folder for the whole run.
    std::shared_ptr<modBrowseFolder> browseFolder_;
};

}  // namespace quarnel::ui
