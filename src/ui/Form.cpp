// SPDX-License-Identifier: MIT
#include "ui/Form.h"

#include <algorithm>

#include "base/ErrorInfo.h"
#include "base/TraceLog.h"

namespace quarnel::ui {

Form::Form(std::string name) : name_(std::move(name)) {}

void Form::SetFrameExtent(int32_t width, int32_t height) {
    frameWidth_ = width;
    frameHeight_ = height;
}

bool Form::HasControl(const std::string& name) const {
    return std::any_of(controls_.begin(), controls_.end(),
                       [&](const Control& c) { return c.name == name; });
}

const Control& Form::Ctl(const std::string& name) const {
    return const_cast<Form*>(this)->Find(name);
}

Control& Form::Find(const std::string& name) {
    for (auto& control : controls_)
        if (control.name == name) return control;
    RaiseError(ErrNo::SubscriptOutOfRange, "Control '" + name + "' not found on " + name_, name_);
}

void Form::Notify(const std::string& name) const {
    if (observer_) observer_(name);
}

template <typename Handler>
void Form::Guard(const std::string& event, Handler handler) {
    try {
        handler();
    } catch (...) {
        trace::Error("Error handling " + name_ + "." + event + ": ");
    }
}

void Form::Load() {
    Guard("Form_Load", [&] { Form_Load(); });
}

void Form::Activate() {
    Guard("Form_Activate", [&] { Form_Activate(); });
}

bool Form::QueryUnload() {
    bool allowed = true;
    Guard("Form_QueryUnload", [&] { allowed = Form_QueryUnload(); });
    return allowed;
}

void Form::Unloaded() {
    Guard("Form_Unload", [&] { Form_Unload(); });
}

void Form::Click(const std::string& name) {
    Guard(name + "_Click", [&] { OnClick(name); });
}

void Form::LostFocus(const std::string& name) {
    Guard(name + "_LostFocus", [&] { OnLostFocus(name); });
}

void Form::MouseMove(const std::string& name, const MouseArgs& args) {
    Guard(name + "_MouseMove", [&] { OnMouseMove(name, args); });
}

void Form::Change(const std::string& name) {
    Guard(name + "_Change", [&] { OnChange(name); });
}

void Form::TimerTick(const std::string& name) {
    Guard(name + "_Timer", [&] { OnTimer(name); });
}

void Form::UserText(const std::string& name, std::string text) {
    if (!HasControl(name)) return;
    Find(name).text = std::move(text);
    Change(name);
}

void Form::UserValue(const std::string& name, int32_t value) {
    if (!HasControl(name)) return;
    Find(name).value = value;
    Change(name);
}

void Form::UserListIndex(const std::string& name, int32_t index) {
    if (!HasControl(name)) return;
    Find(name).listIndex = index;
    Change(name);
}

void Form::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    Notify("");
}

void Form::SetScaleSize(int32_t width, int32_t height) {
    scaleWidth_ = width;
    scaleHeight_ = height;
    Notify("");
}

void Form::SetWidth(int32_t outerWidth) {
    scaleWidth_ = outerWidth - frameWidth_;
    Notify("");
}

void Form::Update(const std::string& name, const std::function<void(Control&)>& change) {
    change(Find(name));
    Notify(name);
}

void Form::SetText(const std::string& name, std::string text) {
    Update(name, [&](Control& c) { c.text = std::move(text); });
}

void Form::SetEnabled(const std::string& name, bool enabled) {
    Update(name, [&](Control& c) { c.enabled = enabled; });
}

void Form::SetVisible(const std::string& name, bool visible) {
    Update(name, [&](Control& c) { c.visible = visible; });
}

void Form::SetValue(const std::string& name, int32_t value) {
    Update(name, [&](Control& c) { c.value = value; });
}

void Form::SetListIndex(const std::string& name, int32_t index) {
    Update(name, [&](Control& c) {
        if (index < -1 || index >= static_cast<int32_t>(c.list.size()))
            RaiseError(ErrNo::InvalidProcedureCall);
        c.listIndex = index;
    });
}

void Form::AddItem(const std::string& name, std::string entry) {
    Update(name, [&](Control& c) { c.list.push_back(std::move(entry)); });
}

void Form::SetPicture(const std::string& name, std::string key) {
    Update(name, [&](Control& c) { c.picture = std::move(key); });
}

void Form::SetTag(const std::string& name, std::string tag) {
    Update(name, [&](Control& c) { c.tag = std::move(tag); });
}

void Form::SetLeft(const std::string& name, int32_t left) {
    Update(name, [&](Control& c) { c.left = left; });
}

void Form::SetTop(const std::string& name, int32_t top) {
    Update(name, [&](Control& c) { c.top = top; });
}

void Form::SetSize(const std::string& name, int32_t width, int32_t height) {
    Update(name, [&](Control& c) {
        c.width = width;
        c.height = height;
    });
}

void Form::Unload() {
    unloadRequested_ = true;
    if (unloadHandler_) unloadHandler_();
}

Control& Form::Add(Control control) {
    if (HasControl(control.name))
        RaiseError(ErrNo::DuplicateKey, "Control '" + control.name + "' exists", name_);
    if (!control.container.empty()) Find(control.container);
    controls_.push_back(std::move(control));
    return controls_.back();
}

void Form::AddImage(std::string key, std::string resource) {
    images_[std::move(key)] = std::move(resource);
}

}  // namespace quarnel::ui
