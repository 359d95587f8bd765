// SPDX-License-Identifier: MIT
// A dialog free of any toolkit: its controls (Control.h), its image list and
// its event handlers. A renderer in the toolkit layer shows a form as a
// window and keeps the two in step:
//
// - Showing: the renderer reads Caption(), ScaleWidth()/ScaleHeight() (the
//   client area in twips), Controls() in creation order (containers come
//   before the controls inside them) and Images() (picture key -> resource
//   name such as ":/dialogs/battery-ok.svg"). It reports the size of its
//   window frame with SetFrameExtent before calling Load().
// - Model to widgets: every change the logic makes goes through the setters
//   below, which call the observer with the control's name ("" for the
//   form's own caption and size). The renderer then re-reads that control.
// - Widgets to model: user input is written with UserText (text box edited),
//   UserValue (check box ticked or cleared) and UserListIndex (combo entry
//   chosen); each writes the model without calling the observer and then
//   raises Change for that control. A check box's tick arrives only as
//   Change, never as Click.
// - Events: Load once after the window is built, Activate whenever it
//   becomes the active window (first show included), Click for buttons,
//   labels, pictures and images, LostFocus, MouseMove (twips relative to the
//   control), TimerTick for an enabled timer every interval. Enter clicks the
//   isDefault button, Escape the isCancel button, through Click.
// - Closing: the logic asks with Unload(), which calls the unload handler;
//   the renderer then closes the window. When the user closes the window,
//   the renderer asks QueryUnload() (false keeps it open) and then calls
//   Unloaded().
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/Control.h"

namespace quarnel::ui {

// Mouse buttons and shift keys as bit masks, with the classic values.
inline constexpr int32_t vbLeftButton = 1;
inline constexpr int32_t vbRightButton = 2;
inline constexpr int32_t vbMiddleButton = 4;
inline constexpr int32_t vbShiftMask = 1;
inline constexpr int32_t vbCtrlMask = 2;
inline constexpr int32_t vbAltMask = 4;

struct MouseArgs {
    int32_t button = 0;
    int32_t shift = 0;
    int32_t x = 0;  // twips from the control's left edge
    int32_t y = 0;
};

class Form {
  public:
    using Observer = std::function<void(const std::string& controlName)>;

    explicit Form(std::string name);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }

    // Client area (inner size) and window size including the frame.
    int32_t ScaleWidth() const { return scaleWidth_; }
    int32_t ScaleHeight() const { return scaleHeight_; }
    int32_t Width() const { return scaleWidth_ + frameWidth_; }
    int32_t Height() const { return scaleHeight_ + frameHeight_; }
    // Outer minus inner size, as the renderer's window has it.
    void SetFrameExtent(int32_t width, int32_t height);

    const std::vector<Control>& Controls() const { return controls_; }
    bool HasControl(const std::string& name) const;
    // Raises error 9 for an unknown name.
    const Control& Ctl(const std::string& name) const;
    const std::map<std::string, std::string>& Images() const { return images_; }

    void SetObserver(Observer observer) { observer_ = std::move(observer); }
    void SetUnloadHandler(std::function<void()> handler) { unloadHandler_ = std::move(handler); }
    // True once the logic has asked to be closed.
    bool UnloadRequested() const { return unloadRequested_; }

    // Events raised by the renderer. None of them raises: a failure that a
    // handler lets pass is written as an error entry here.
    void Load();
    void Activate();
    bool QueryUnload();
    void Unloaded();
    void Click(const std::string& name);
    void LostFocus(const std::string& name);
    void MouseMove(const std::string& name, const MouseArgs& args);
    void Change(const std::string& name);
    void TimerTick(const std::string& name);

    // User input, written into the model before Change is raised.
    void UserText(const std::string& name, std::string text);
    void UserValue(const std::string& name, int32_t value);
    void UserListIndex(const std::string& name, int32_t index);

    // The logic's setters; each tells the observer.
    void SetCaption(std::string caption);
    void SetScaleSize(int32_t width, int32_t height);
    // Sets the outer width; the inner width follows with the frame extent.
    void SetWidth(int32_t outerWidth);
    void SetText(const std::string& name, std::string text);
    void SetEnabled(const std::string& name, bool enabled);
    void SetVisible(const std::string& name, bool visible);
    void SetValue(const std::string& name, int32_t value);
    void SetListIndex(const std::string& name, int32_t index);
    void AddItem(const std::string& name, std::string entry);
    void SetPicture(const std::string& name, std::string key);
    void SetTag(const std::string& name, std::string tag);
    void SetLeft(const std::string& name, int32_t left);
    void SetTop(const std::string& name, int32_t top);
    void SetSize(const std::string& name, int32_t width, int32_t height);
    // Any other change, then the observer.
    void Update(const std::string& name, const std::function<void(Control&)>& change);

    // Asks the renderer to close the form.
    void Unload();

  protected:
    // Adds a control at the end of the creation order; its container, if
    // any, must exist already. Returns the stored control for setting up.
    Control& Add(Control control);
    void AddImage(std::string key, std::string resource);

    // Handlers; the defaults do nothing and allow closing.
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual bool Form_QueryUnload() { return true; }
    virtual void Form_Unload() {}
    virtual void OnClick(const std::string&) {}
    virtual void OnLostFocus(const std::string&) {}
    virtual void OnMouseMove(const std::string&, const MouseArgs&) {}
    virtual void OnChange(const std::string&) {}
    virtual void OnTimer(const std::string&) {}

  private:
    template <typename Handler>
    void Guard(const std::string& event, Handler handler);
    Control& Find(const std::string& name);
    void Notify(const std::string& name) const;

    std::string name_;
    std::string caption_;
    int32_t scaleWidth_ = 0;
    int32_t scaleHeight_ = 0;
    int32_t frameWidth_ = 0;
    int32_t frameHeight_ = 0;
    std::vector<Control> controls_;
    std::map<std::string, std::string> images_;
    Observer observer_;
    std::function<void()> unloadHandler_;
    bool unloadRequested_ = false;
};

}  // namespace quarnel::ui
