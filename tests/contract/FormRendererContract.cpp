// SPDX-License-Identifier: MIT
#include "FormRendererContract.h"

#include <gmock/gmock.h>

#include <chrono>

#include "ui/FormLayout.h"

namespace quarnel::test {

using ::testing::ElementsAre;
using ui::MakeControl;

SampleForm::SampleForm() : Form("frmSample") {
    using K = ui::ControlKind;
    SetScaleSize(4320, 2880);
    AddImage("normal", ":/dialogs/clock.svg");
    AddImage("lit", ":/dialogs/clock-hot.svg");
    Add(MakeControl("fraBox", K::Frame, 120, 60, 4080, 1800)).text = "Box";
    Add(MakeControl("lblName(0)", K::Label, 120, 300, 900, 255, "fraBox")).text = "Name:";
    Add(MakeControl("txtName", K::TextBox, 1140, 270, 2000, 315, "fraBox")).maxLength = 5;
    auto& secret = Add(MakeControl("txtSecret", K::TextBox, 1140, 1440, 2000, 315, "fraBox"));
    secret.maxLength = 5;
    secret.passwordChar = "*";
    Add(MakeControl("chkOn", K::CheckBox, 120, 700, 1500, 255, "fraBox")).text = "On";
    auto& mode = Add(MakeControl("cboMode", K::ComboBox, 120, 1100, 2000, 315, "fraBox"));
    mode.list = {"First", "Second"};
    mode.listIndex = 0;
    Add(MakeControl("imgClock", K::Image, 3240, 1080, 480, 480, "fraBox")).picture = "normal";
    auto& timer = Add(MakeControl("tmrTick", K::Timer, 0, 0, 0, 0));
    timer.enabled = false;
    timer.interval = 20;
    auto& clock = Add(MakeControl("tmrClock", K::Timer, 0, 0, 0, 0));
    clock.enabled = false;
    clock.interval = 20;
    auto& ok = Add(MakeControl("cmdOK", K::CommandButton, 3045, 2400, 1155, 375));
    ok.text = "Ok";
    ok.isDefault = true;
}

void SampleForm::Form_Load() {
    events.push_back("Load");
}
void SampleForm::Form_Activate() {
    events.push_back("Activate");
    if (failedLoad) Unload();
}
bool SampleForm::Form_QueryUnload() {
    events.push_back("QueryUnload");
    return allowClose;
}
void SampleForm::Form_Unload() {
    events.push_back("Unload");
}
void SampleForm::OnClick(const std::string& name) {
    events.push_back("Click " + name);
}
void SampleForm::OnChange(const std::string& name) {
    const ui::Control& control = Ctl(name);
    events.push_back("Change " + name + "=" + control.text + std::to_string(control.value) +
                     std::to_string(control.listIndex));
}
void SampleForm::OnLostFocus(const std::string& name) {
    events.push_back("LostFocus " + name);
    if (name == "txtName") SetText(name, Ctl(name).text + "\\");
    // Padded as the options dialog pads its password box.
    if (name == "txtSecret") SetText(name, (Ctl(name).text + "     ").substr(0, 5));
}
void SampleForm::OnMouseMove(const std::string& name, const ui::MouseArgs& args) {
    events.push_back("MouseMove " + name);
    lastMove = args;
    if (name == "imgClock") SetPicture(name, "lit");
}
void SampleForm::OnTimer(const std::string& name) {
    if (name == "tmrClock")
        ++clockTicks;
    else if (++ticks == 3)
        SetEnabled(name, false);
}

int FormRendererContract::Px(int32_t twips) const {
    // Whole pixels covering the length, as both renderers round.
    return static_cast<int>((static_cast<long long>(twips) * driver_->Dpi() + 1439) / 1440);
}

bool FormRendererContract::WaitUntil(const std::function<bool()>& done) {
    return WaitFor(
        done, [this] { driver_->Pump(); }, std::chrono::seconds(30));
}

void FormRendererContract::Show() {
    driver_->Show();
    ASSERT_TRUE(
        WaitUntil([&] { return !form_->events.empty() && form_->events.back() == "Activate"; }));
    form_->events.clear();
}

namespace {

TEST_P(FormRendererContract, BuildsOneNamedWindowPerControlAtTheModelsGeometry) {
    EXPECT_EQ(form_->events, std::vector<std::string>{"Load"});
    for (const ui::Control& control : form_->Controls()) {
        if (control.kind == ui::ControlKind::Timer) continue;
        EXPECT_TRUE(driver_->HasWindow(control.name)) << control.name;
    }
    EXPECT_EQ(driver_->ContainerName("lblName(0)"), "fraBox");
    EXPECT_EQ(driver_->ContainerName("cmdOK"), "");
    EXPECT_EQ(driver_->Geometry("lblName(0)"), (Box{Px(120), Px(300), Px(900), Px(255)}));
    EXPECT_EQ(driver_->Geometry("cmdOK"), (Box{Px(3045), Px(2400), Px(1155), Px(375)}));
    // The length limit stops typing only: a longer text from the logic shows whole.
    form_->SetText("txtName", "abcdefgh");
    EXPECT_EQ(driver_->Text("txtName"), "abcdefgh");
    // Texts from outside show as they are, never as markup or mnemonics.
    const std::string markup = "<b>M&M's</b> <img src=\"/dev/zero\"> caf\xC3\xA9";
    form_->SetText("lblName(0)", markup);
    form_->Update("imgClock", [&](ui::Control& c) { c.toolTip = markup; });
    EXPECT_EQ(driver_->Text("lblName(0)"), markup);
    EXPECT_EQ(driver_->ToolTip("imgClock"), markup);
}

TEST_P(FormRendererContract, WritesUserInputIntoTheModelBeforeTheHandlerRuns) {
    Show();
    driver_->Focus("txtName");
    driver_->TypeText("txtName", "abcdef");
    driver_->ClickAt("chkOn", 5, 5);
    driver_->Focus("cboMode");
    driver_->PressKey("cboMode", FormDriver::Key::Down);
    ASSERT_TRUE(WaitUntil([&] { return form_->events.size() >= 9; }));

    // LostFocus came once the text was in the model; the handler's change
    // came back into the control.
    EXPECT_EQ(driver_->Text("txtName"), "abcde\\");
    EXPECT_THAT(
        form_->events,
        ElementsAre("Change txtName=a0-1", "Change txtName=ab0-1", "Change txtName=abc0-1",
                    "Change txtName=abcd0-1", "Change txtName=abcde0-1", "LostFocus txtName",
                    "Change chkOn=On1-1", "LostFocus chkOn", "Change cboMode=01"));
}

// The focus leaves a box for another window or for the box's own menu and
// comes back: no LostFocus. Enter on OK leaves the box as a click would.
TEST_P(FormRendererContract, LostFocusOnlyWhenTheFocusMovesToAnotherControlOrOk) {
    Show();
    const auto focusEvents = [&] {
        std::vector<std::string> found;
        for (const std::string& event : form_->events)
            if (event.starts_with("LostFocus") || event.starts_with("Click"))
                found.push_back(event);
        return found;
    };
    driver_->Focus("txtName");
    driver_->TypeText("txtName", "ab");
    driver_->ActivateAnotherWindowAndBack();
    EXPECT_EQ(driver_->Focused(), "txtName");
    EXPECT_THAT(focusEvents(), ::testing::IsEmpty());

    // An emptied password box takes what is pasted, not padded first.
    driver_->Focus("txtSecret");
    driver_->TypeText("txtSecret", "x");
    driver_->PressKey("txtSecret", FormDriver::Key::Backspace);
    driver_->PasteFromMenu("txtSecret", "abc");
    EXPECT_EQ(driver_->Text("txtSecret"), "abc");
    EXPECT_EQ(form_->Ctl("txtSecret").text, "abc");
    // The focus comes back once the closed menu has given the window back.
    ASSERT_TRUE(WaitUntil([&] { return driver_->Focused() == "txtSecret"; })) << driver_->Focused();

    driver_->PressKey("txtSecret", FormDriver::Key::Return);
    ASSERT_TRUE(WaitUntil([&] { return focusEvents().size() >= 3; }));
    EXPECT_THAT(focusEvents(),
                ElementsAre("LostFocus txtName", "LostFocus txtSecret", "Click cmdOK"));
    EXPECT_EQ(driver_->Text("txtSecret"), "abc  ");
}

// Tab goes through the controls that take the focus in the model's order,
// into the frame and out again.
TEST_P(FormRendererContract, TabMovesTheFocusInTheModelsOrder) {
    Show();
    driver_->Focus("txtName");
    std::vector<std::string> visited;
    for (int i = 0; i < 5; ++i) {
        driver_->PressKey(driver_->Focused(), FormDriver::Key::Tab);
        visited.push_back(driver_->Focused());
    }
    EXPECT_THAT(visited, ElementsAre("txtSecret", "chkOn", "cboMode", "cmdOK", "txtName"));
}

TEST_P(FormRendererContract, ReportsMouseMovesInTwipsAndClicksOnPictures) {
    Show();
    const std::vector<uint32_t> before = driver_->Pixels("imgClock");
    // A picture is drawn: not one colour all over.
    ASSERT_FALSE(before.empty());
    EXPECT_NE(std::count(before.begin(), before.end(), before.front()),
              static_cast<std::ptrdiff_t>(before.size()));
    driver_->MoveMouseTo("imgClock", Px(240), Px(120));
    ASSERT_TRUE(WaitUntil([&] { return !form_->events.empty(); }));
    EXPECT_EQ(form_->events.front(), "MouseMove imgClock");
    EXPECT_NEAR(form_->lastMove.x, 240, 1440 / driver_->Dpi());
    EXPECT_NEAR(form_->lastMove.y, 120, 1440 / driver_->Dpi());
    EXPECT_TRUE(WaitUntil([&] { return driver_->Pixels("imgClock") != before; }));
    driver_->ClickAt("imgClock", 5, 5);
    EXPECT_TRUE(WaitUntil([&] {
        return std::count(form_->events.begin(), form_->events.end(), "Click imgClock") == 1;
    }));
}

// A timer the model stopped ticks no more while another one of its
// interval ticks on.
TEST_P(FormRendererContract, RunsTimersWhileTheModelEnablesThem) {
    Show();
    form_->SetEnabled("tmrTick", true);
    EXPECT_TRUE(WaitUntil([&] { return form_->ticks == 3; }));
    form_->SetEnabled("tmrClock", true);
    EXPECT_TRUE(WaitUntil([&] { return form_->clockTicks >= 5; }));
    EXPECT_EQ(form_->ticks, 3);
}

TEST_P(FormRendererContract, ClosingTheWindowAsksTheFormWhichMayRefuse) {
    Show();
    form_->allowClose = false;
    driver_->CloseByUser();
    EXPECT_TRUE(driver_->Visible());
    form_->allowClose = true;
    driver_->CloseByUser();
    EXPECT_TRUE(WaitUntil([&] { return !driver_->Visible(); }));
    EXPECT_THAT(form_->events, ElementsAre("QueryUnload", "QueryUnload", "Unload"));
}

TEST_P(FormRendererContract, AFormThatUnloadsOnItsFirstActivationClosesByItself) {
    form_->failedLoad = true;
    driver_->Show();
    EXPECT_TRUE(WaitUntil([&] { return !driver_->Visible(); }));
    EXPECT_THAT(form_->events, ElementsAre("Load", "Activate"));
}

}  // namespace
}  // namespace quarnel::test
