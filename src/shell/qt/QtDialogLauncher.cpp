// SPDX-License-Identifier: MIT
#include "shell/qt/QtDialogLauncher.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "shell/qt/QtFormRenderer.h"
#include "shell/qt/QtTextMetrics.h"

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

}  // namespace

QtDialogLauncher::QtDialogLauncher(ui::FormServices services)
    : ui::FormDialogLauncher(std::move(services)) {
    // The dialogs are drawn in the application's font; measure in it too.
    if (!Services().metrics)
        Services().metrics = std::make_shared<QtTextMetrics>(QApplication::font());
}

QtDialogLauncher::~QtDialogLauncher() {
    for (auto& [name, dialog] : open_) delete dialog.data();
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

ui::Form* QtDialogLauncher::OpenForm(const std::string& formName) const {
    QtFormDialog* dialog = OpenDialog(formName);
    return dialog == nullptr ? nullptr : &dialog->form();
}

std::vector<std::string> QtDialogLauncher::OpenForms() const {
    std::vector<std::string> names;
    for (const auto& [name, dialog] : open_) {
        if (!dialog.isNull()) names.push_back(name);
    }
    return names;
}

bool QtDialogLauncher::Raise(const std::string& formName) {
    QtFormDialog* dialog = OpenDialog(formName);
    if (dialog == nullptr) return false;
    dialog->raise();
    dialog->activateWindow();
    return true;
}

bool QtDialogLauncher::UserEdited(const std::string& formName) const {
    QtFormDialog* dialog = OpenDialog(formName);
    return dialog != nullptr && dialog->property(kEditedProperty).toBool();
}

void QtDialogLauncher::Open(std::shared_ptr<ui::Form> form, bool modal) {
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

void QtDialogLauncher::ForceClose(const std::string& formName) {
    QPointer<QtFormDialog> dialog = OpenDialog(formName);
    if (dialog.isNull()) return;
    dialog->close();
    if (dialog && dialog->isVisible()) dialog->done(QDialog::Rejected);
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
