// SPDX-License-Identifier: MIT
// Shows a toolkit-free ui::Form as a real Qt dialog.
//
// Each control becomes one widget whose object name is the control's name,
// control arrays included ("lblDeviceID(1)"), so tests and styles find it
// with findChild. Labels are QLabel, text boxes QLineEdit, check boxes
// QCheckBox, drop-down lists QComboBox, buttons QPushButton, frames
// QGroupBox, picture boxes and images QLabel (picture boxes may hold other
// controls), timers QTimer. Positions and sizes are the model's twips at
// the screen's logical DPI.
//
// Model and widgets stay in step both ways: a change notification of the
// form updates its widget; user input (text, tick, list choice) is written
// into the model before the form's handler runs. User actions become the
// form's events: Click, Change, LostFocus, MouseMove (twips), Timer,
// Activate (first show and every later activation), QueryUnload/Unload when
// the window is closed. LostFocus comes only when the focus moves to another
// control of the form, or when Enter presses the default button; never for
// a switch to another window or for a control's own menu. Enter presses the
// focused button, else the default button; Escape the cancel button. When
// the form asks to be unloaded, the dialog closes. Every text is shown as
// plain text, never as markup.
#pragma once

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <memory>
#include <string>

#include "ui/Form.h"

class QTimer;

namespace quarnel::qt {

class QtFormDialog final : public QDialog {
    Q_OBJECT

  public:
    // Builds the widgets and loads the form (its Load event runs here).
    explicit QtFormDialog(std::shared_ptr<ui::Form> form, QWidget* parent = nullptr);
    ~QtFormDialog() override;

    ui::Form& form() { return *form_; }
    // The widget of a control, or null.
    QWidget* widgetOf(const std::string& controlName) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Build();
    QWidget* CreateWidget(const ui::Control& control);
    void Connect(const ui::Control& control, QWidget* widget);
    void OnControlChanged(const std::string& name);
    void UpdateWidget(const ui::Control& control);
    void UpdateForm();
    void ShowPicture(const ui::Control& control, QWidget* widget);
    void PressButton(bool cancel);
    void CloseRequested();
    void RaiseActivate();
    bool FocusMovedWithinForm(const QWidget* from, Qt::FocusReason reason) const;

    std::shared_ptr<ui::Form> form_;
    double dpi_;
    QHash<QString, QPointer<QWidget>> widgets_;
    QHash<QString, QTimer*> timers_;
    bool shown_ = false;        // the first activation has been raised
    bool deactivated_ = false;  // another window was active since the last activation
    bool unloading_ = false;    // the form has been unloaded
};

}  // namespace quarnel::qt
