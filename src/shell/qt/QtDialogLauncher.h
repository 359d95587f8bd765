// SPDX-License-Identifier: MIT
// The program's dialogs as Qt windows, each top-level without owner.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/FormDialogLauncher.h"

namespace quarnel::qt {

class QtFormDialog;

class QtDialogLauncher final : public QObject, public ui::FormDialogLauncher {
    Q_OBJECT

  public:
    // Without text metrics, the application font's are used.
    explicit QtDialogLauncher(ui::FormServices services);
    ~QtDialogLauncher() override;

    bool AnyOpen() const override;

    // Called from the event loop once the last open dialog has closed, so
    // that a program whose main window is gone can end.
    void SetAllClosedHandler(std::function<void()> handler);

    // The open window of a form ("frmOptions"), or null.
    QtFormDialog* OpenDialog(const std::string& formName) const;

  private:
    void Open(std::shared_ptr<ui::Form> form, bool modal) override;
    ui::Form* OpenForm(const std::string& formName) const override;
    std::vector<std::string> OpenForms() const override;
    bool Raise(const std::string& formName) override;
    bool UserEdited(const std::string& formName) const override;
    void ForceClose(const std::string& formName) override;
    void Closed(const std::string& formName);

    std::map<std::string, QPointer<QtFormDialog>> open_;
    std::function<void()> allClosed_;
};

}  // namespace quarnel::qt
