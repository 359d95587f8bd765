// SPDX-License-Identifier: MIT
// Shows a toolkit-free ui::Form as a Win32 window of standard controls.
//
// Each control becomes one child window made by CreateWindowExA: labels,
// pictures and images are STATIC controls, text boxes EDIT (password boxes
// with the model's mask character), check boxes and buttons BUTTON, frames
// BUTTON group boxes, drop-down lists COMBOBOX; timers are window timers.
// Controls inside a frame or picture box are child windows of it. Positions
// and sizes are the model's twips at the screen's DPI; every control is
// drawn in the dialog font (Win32TextMetrics.h). ControlWindow and
// ControlName map between the model's names and the windows, so tests and
// the launcher find a control by "cmdOK" or "lblDeviceID(1)".
//
// Texts are the model's UTF-8, shown through the A functions in
// Windows-1252; what the user types comes back as UTF-8. Labels show their
// text literally ("&" is no mnemonic).
//
// Model and controls stay in step both ways: a change notification of the
// form updates its control; user input (text, tick, list choice) is written
// into the model before the form's handler runs. User actions become the
// form's events: Click, Change, LostFocus (only when the focus moves to
// another control of the window, or when Enter presses the default button),
// MouseMove (twips), Timer, Activate (first show and every later
// activation), QueryUnload/Unload when the window is closed. Tab moves
// through the controls in the model's order; Enter presses the focused
// button, else the default button; Escape the cancel button. When the form
// asks to be unloaded, the window closes from the message loop.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Windows.h"
#include "ui/Form.h"

namespace quarnel::win32 {

class Win32FormWindow {
  public:
    // Builds the window (hidden) and its controls and loads the form (its
    // Load event runs here).
    explicit Win32FormWindow(std::shared_ptr<ui::Form> form);
    // Destroys a window still open without asking the form.
    ~Win32FormWindow();
    Win32FormWindow(const Win32FormWindow&) = delete;
    Win32FormWindow& operator=(const Win32FormWindow&) = delete;

    ui::Form& form() { return *form_; }
    // The top-level window; null once it has been destroyed.
    HWND Handle() const { return window_; }
    bool IsOpen() const { return window_ != nullptr; }
    // The window of a control, or null.
    HWND ControlWindow(const std::string& controlName) const;
    // The model's name of a control window of this form, or "".
    std::string ControlName(HWND control) const;
    // The form window a top-level window belongs to, or null.
    static Win32FormWindow* FromHandle(HWND window);

    // Shows the window and makes it the active one.
    void Show();
    // Brings an open window to the front.
    void Raise();
    // Shows the window and returns once it has been closed; meanwhile the
    // other windows of the program take no input. Uses nothing of this
    // object after the window has closed, which may delete it.
    void RunModal();
    // As the user closing the window: the form may refuse.
    void Close();
    // Closes the window without asking the form, as a program that ends.
    void Destroy();

    // True once the user has typed, ticked or chosen anything.
    bool UserEdited() const { return userEdited_; }
    // Called once the window has been destroyed, from its own procedure:
    // the handler must not delete this object there.
    void SetClosedHandler(std::function<void()> handler) { closed_ = std::move(handler); }

  private:
    struct ControlWindowData {
        Win32FormWindow* owner = nullptr;
        std::string name;
        ui::ControlKind kind = ui::ControlKind::Label;
        WNDPROC previous = nullptr;
        bool container = false;
    };

    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleFormMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleControlMessage(ControlWindowData& data, HWND control, UINT message, WPARAM wParam,
                                 LPARAM lParam);

    void Build();
    HWND CreateControl(const ui::Control& control, int id);
    void OnControlChanged(const std::string& name);
    void UpdateControl(const ui::Control& control);
    void UpdateForm();
    void OnCommand(HWND control, UINT code);
    bool HandleKey(HWND control, WPARAM key);
    void PressButton(bool cancel, HWND focused);
    void PaintPicture(HWND control, const ui::Control& model);
    void CloseRequested();
    void RaiseActivate();
    void StopTimers();
    bool BelongsHere(HWND window) const;

    std::shared_ptr<ui::Form> form_;
    int dpi_;
    HWND window_ = nullptr;
    std::map<std::string, HWND> controls_;
    std::map<HWND, std::unique_ptr<ControlWindowData>> data_;
    std::map<std::string, UINT_PTR> timers_;
    std::map<UINT_PTR, std::string> timerNames_;
    HWND toolTip_ = nullptr;
    HWND savedFocus_ = nullptr;
    std::function<void()> closed_;
    bool updating_ = false;     // the model is writing into a control
    bool shown_ = false;        // the first activation has been raised
    bool deactivated_ = false;  // another window was active since the last activation
    bool unloading_ = false;    // the form has been unloaded
    bool userEdited_ = false;
};

}  // namespace quarnel::win32
