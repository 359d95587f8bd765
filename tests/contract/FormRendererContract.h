// SPDX-License-Identifier: MIT
// The form renderer's contract: a toolkit-free form shown as a window, its
// controls kept in step with the model both ways, and the user's actions
// turned into the form's events (ui/Form.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ContractTest.h"
#include "ui/Form.h"

namespace quarnel::test {

// A form with a control of most kinds; it records its events, with what the
// model held when the handler ran.
class SampleForm final : public ui::Form {
  public:
    SampleForm();

    std::vector<std::string> events;
    bool allowClose = true;
    bool failedLoad = false;
    int ticks = 0, clockTicks = 0;
    ui::MouseArgs lastMove;

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    bool Form_QueryUnload() override;
    void Form_Unload() override;
    void OnClick(const std::string& name) override;
    void OnChange(const std::string& name) override;
    void OnLostFocus(const std::string& name) override;
    void OnMouseMove(const std::string& name, const ui::MouseArgs& args) override;
    void OnTimer(const std::string& name) override;
};

struct Box {
    int left, top, width, height;
    bool operator==(const Box&) const = default;
};

// A renderer showing one form, and a user at its window. Positions are in
// pixels, relative to the control's container.
class FormDriver {
  public:
    enum class Key { Return, Escape, Down, Backspace, Tab };

    virtual ~FormDriver() = default;
    // Builds the window for form; its Load runs.
    virtual void Open(std::shared_ptr<ui::Form> form) = 0;
    // Shows the window; the form's first Activate follows.
    virtual void Show() = 0;
    // Delivers what is pending for the window.
    virtual void Pump() = 0;
    virtual bool Visible() = 0;
    // As the user closing the window with its close box.
    virtual void CloseByUser() = 0;
    virtual int Dpi() = 0;

    // Each control's window, found by its model name; false for none.
    virtual bool HasWindow(const std::string& name) = 0;
    // The model name of the control's container window; "" for the form.
    virtual std::string ContainerName(const std::string& name) = 0;
    virtual Box Geometry(const std::string& name) = 0;
    // What the control shows as text (a text box: its contents, unmasked).
    virtual std::string Text(const std::string& name) = 0;
    virtual std::string ToolTip(const std::string& name) = 0;
    // The pixels the control shows.
    virtual std::vector<uint32_t> Pixels(const std::string& name) = 0;

    virtual void Focus(const std::string& name) = 0;
    // The model name of the control with the keyboard focus, or "".
    virtual std::string Focused() = 0;
    virtual void TypeText(const std::string& name, const std::string& text) = 0;
    virtual void PressKey(const std::string& name, Key key) = 0;
    virtual void ClickAt(const std::string& name, int x, int y) = 0;
    virtual void MoveMouseTo(const std::string& name, int x, int y) = 0;
    // Pastes text into the box through the box's own context menu.
    virtual void PasteFromMenu(const std::string& name, const std::string& text) = 0;
    // Another window of the program becomes active, then the form's again.
    virtual void ActivateAnotherWindowAndBack() = 0;
};

struct FormRendererImplementation {
    std::string name;
    std::function<std::unique_ptr<FormDriver>()> make;
};

class FormRendererContract : public ::testing::TestWithParam<FormRendererImplementation> {
  protected:
    void SetUp() override { driver_->Open(form_); }
    int Px(int32_t twips) const;
    bool WaitUntil(const std::function<bool()>& done);
    void Show();

    std::shared_ptr<SampleForm> form_ = std::make_shared<SampleForm>();
    std::unique_ptr<FormDriver> driver_ = GetParam().make();
};

}  // namespace quarnel::test
