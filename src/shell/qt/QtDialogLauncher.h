// SPDX-License-Identifier: MIT
// Opens the program's four dialogs as Qt windows: the about and scanner
// information dialogs modally (the call returns when they close), the
// options and scanner settings dialogs modeless. Each dialog has one window
// at a time; choosing it again brings that window to the front, bound to the
// scanner object given this time.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/DialogLauncher.h"
#include "ui/FormServices.h"

namespace quarnel::ui {
class Form;
class modBrowseFolder;
}  // namespace quarnel::ui

namespace quarnel::qt {

class QtFormDialog;

class QtDialogLauncher final : public QObject, public DialogLauncher {
    Q_OBJECT

  public:
    // The services every form is made with; settings come from Settings().
    explicit QtDialogLauncher(ui::FormServices services);
    ~QtDialogLauncher() override;

    void ShowAbout() override;
    void ShowOptions() override;
    void ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) override;
    void ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) override;
    bool AnyOpen() const override;

    // Closes every open dialog as its Cancel button does, for a program that
    // ends. Unsaved input is reported in the trace and on standard error.
    void CloseAll();

    // Called from the event loop once the last open dialog has closed, so
    // that a program whose main window is gone can end.
    void SetAllClosedHandler(std::function<void()> handler);

    // The open window of a form ("frmOptions"), or null.
    QtFormDialog* OpenDialog(const std::string& formName) const;

  private:
    // Brings an open window of the form forward; false when none is open.
    bool Raise(const std::string& formName);
    void Show(std::shared_ptr<ui::Form> form, bool modal);
    void Closed(const std::string& formName);

    ui::FormServices services_;
    // The folder picker remembers its last folder for the whole run.
    std::shared_ptr<ui::modBrowseFolder> browseFolder_;
    std::map<std::string, QPointer<QtFormDialog>> open_;
    std::function<void()> allClosed_;
};

}  // namespace quarnel::qt
