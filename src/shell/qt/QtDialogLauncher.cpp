// SPDX-License-Identifier: MIT
#include "shell/qt/QtDialogLauncher.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <iostream>

#include "base/TraceLog.h"

#include "shell/qt/QtFormRenderer.h"
#include "shell/qt/QtTextMetrics.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"
#include "ui/modBrowseFolder.h"

namespace quarnel::qt {
namespace {

constexpr const char* kEditedProperty = "quarnelUserEdited";

// Marks the dialog once the user has typed, ticked or chosen anything in it.
void WatchUserEdits(QtFormDialog& dialog) {
    const auto edited = [&dialog] { dialog.setProperty(kEditedProperty, true); };
    for (auto* box : dialog.findChildren<QLineEdit*>())
        QObject::connect(box, &QLineEdit::textEdited, &dialog, edited);
    for (auto* box : dialog.findChildren<QCheckBox*>())
        QObject::connect(box, &QCheckBox::clicked, &dialog, edited);
    for (auto* list : dialog.findChildren<QComboBox*>())
        QObject::connect(list, &QComboBox::activated, &dialog, edited);
}

// Raises Click for the form's Cancel button; false when it has none.
bool PressCancel(QtFormDialog& dialog) {
    for (const ui::Control& control : dialog.form().Controls()) {
        if (control.isCancel && control.kind == ui::ControlKind::CommandButton) {
            dialog.form().Click(control.name);
            return true;
        }
    }
    return false;
}

}  // namespace

QtDialogLauncher::QtDialogLauncher(ui::FormServices services)
    : services_(std::move(services)),
      browseFolder_(std::make_shared<ui::modBrowseFolder>(services_.desktop)) {
    // The dialogs are drawn in the application's font; measure in it too.
    if (!services_.metrics)
        services_.metrics = std::make_shared<QtTextMetrics>(QApplication::font());
}

QtDialogLauncher::~QtDialogLauncher() {
    for (auto& [name, dialog] : open_) delete dialog.data();
}

void QtDialogLauncher::ShowAbout() {
    if (!Raise("frmAbout")) Show(std::make_shared<ui::frmAbout>(services_), true);
}

void QtDialogLauncher::ShowOptions() {
    if (!Raise("frmOptions"))
        Show(std::make_shared<ui::frmOptions>(services_, browseFolder_), false);
}

// A dialog chosen again takes the scanner object of now: the one it was
// opened with may have been released when the scanner was unplugged.
void QtDialogLauncher::ShowDeviceInfo(std::shared_ptr<clsOPN2001> scanner) {
    if (auto* open = OpenDialog("frmDeviceInfo"))
        dynamic_cast<ui::frmDeviceInfo&>(open->form()).SetOPN2001(scanner);
    if (Raise("frmDeviceInfo")) return;
    auto form = std::make_shared<ui::frmDeviceInfo>(services_);
    form->SetOPN2001(std::move(scanner));
    Show(std::move(form), true);
}

void QtDialogLauncher::ShowScannerSettings(std::shared_ptr<clsOPN2001> scanner) {
    if (auto* open = OpenDialog("frmOPN2001Settings"))
        dynamic_cast<ui::frmOPN2001Settings&>(open->form()).SetOPN2001(scanner);
    if (Raise("frmOPN2001Settings")) return;
    auto form = std::make_shared<ui::frmOPN2001Settings>(services_);
    form->SetOPN2001(std::move(scanner));
    Show(std::move(form), false);
}

bool QtDialogLauncher::AnyOpen() const {
    for (const auto& [name, dialog] : open_) {
        if (!dialog.isNull()) return true;
    }
    return false;
}

void QtDialogLauncher::SetAllClosedHandler(std::function<void()> handler) {
    allClosed_ = std::move(handler);
}

QtFormDialog* QtDialogLauncher::OpenDialog(const std::string& formName) const {
    const auto found = open_.find(formName);
    return found == open_.end() ? nullptr : found->second.data();
}

bool QtDialogLauncher::Raise(const std::string& formName) {
    QtFormDialog* dialog = OpenDialog(formName);
    if (dialog == nullptr) return false;
    dialog->raise();
    dialog->activateWindow();
    return true;
}

void QtDialogLauncher::Show(std::shared_ptr<ui::Form> form, bool modal) {
    const std::string name = form->Name();
    // Without owner window: each dialog is a window of its own.
    auto* dialog = new QtFormDialog(std::move(form));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (dialog->form().UnloadRequested()) {
        delete dialog;
        return;
    }
    open_[name] = dialog;
    WatchUserEdits(*dialog);
    connect(dialog, &QDialog::finished, this, [this, name] { Closed(name); });
    if (modal) {
        dialog->exec();
    } else {
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    }
}

void QtDialogLauncher::CloseAll() {
    // A copy: closing a window changes the list.
    const auto open = open_;
    for (const auto& [name, dialog] : open) {
        if (dialog.isNull() || dialog->form().UnloadRequested()) continue;
        // The user's input is not stored, so the user is told.
        if (dialog->property(kEditedProperty).toBool()) {
            const std::string note =
                "Quarnel is ending: the changes in " + name + " were not saved";
            trace::Event(note);
            std::cerr << note << '\n';
        }
        // Cancel closes its window from the event loop; a form without one,
        // or one that stays, is closed here.
        if (PressCancel(*dialog) && dialog->form().UnloadRequested()) continue;
        dialog->close();
        if (dialog && dialog->isVisible()) dialog->done(QDialog::Rejected);
    }
}

void QtDialogLauncher::Closed(const std::string& formName) {
    open_.erase(formName);
    if (AnyOpen() || !allClosed_) return;
    // After the closing window has finished its own handlers.
    QTimer::singleShot(0, this, [this] {
        if (!AnyOpen() && allClosed_) allClosed_();
    });
}

}  // namespace quarnel::qt
