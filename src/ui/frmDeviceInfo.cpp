// SPDX-License-Identifier: MIT
#include "ui/frmDeviceInfo.h"

#include "base/TraceLog.h"
#include "base/modTexts.h"
#include "ui/FormLayout.h"

namespace quarnel::ui {

namespace {

constexpr const char* kRows[] = {"lblScanner", "lblDeviceID", "lblSWVersion", "lblProtocol"};
constexpr int32_t kRowHeight = 300;

std::string Element(const std::string& row, int index) {
    return row + "(" + std::to_string(index) + ")";
}

}  // namespace

frmDeviceInfo::frmDeviceInfo(FormServices services)
    : Form("frmDeviceInfo"), services_(std::move(services)) {
    CreateControls();
}

void frmDeviceInfo::CreateControls() {
    using K = ControlKind;
    SetScaleSize(4215, 2895);
    AddImage("BatteryOK", ":/dialogs/battery-ok.svg");
    AddImage("BatteryLow", ":/dialogs/battery-low.svg");

    int32_t top = kMargin;
    for (const char* row : kRows) {
        Add(MakeControl(Element(row, 0), K::Label, kMargin, top, 1500, kLabelHeight)).autoSize =
            true;
        Add(MakeControl(Element(row, 1), K::Label, 1740, top, 2000, kLabelHeight)).autoSize = true;
        top += kRowHeight;
    }
    Add(MakeControl("fraBattery", K::Frame, kMargin, 1380, 3975, 855));
    Add(MakeControl("picBattery", K::PictureBox, kMargin, 270, 480, 480, "fraBattery"));
    Add(MakeControl("lblBattery", K::Label, 720, 390, 2000, kLabelHeight, "fraBattery")).autoSize =
        true;
    Add(MakeControl("cmdOK", K::CommandButton, 2940, 2400, kButtonWidth, kButtonHeight));
    Update("cmdOK", [](Control& c) {
        c.isDefault = true;
        c.isCancel = true;
    });
}

void frmDeviceInfo::Form_Load() {
    m_blnLoadFailed = false;
    try {
        trace::Detail("Opening frmDeviceInfo...");
        InitTexts();
        SetText("lblScanner(1)", "Opticon OPN-2001");
        if (m_objOPN2001 && m_objOPN2001->Connected()) {
            trace::Detail("Connected to " + m_objOPN2001->DeviceName() +
                          ". Getting device info...");
            SetText("lblDeviceID(1)",
                    DeviceInfoText(m_objOPN2001->GetDeviceInfo(DeviceInfoDeviceID)));
            SetText("lblSWVersion(1)",
                    DeviceInfoText(m_objOPN2001->GetDeviceInfo(DeviceInfoSWVersion)));
            SetText("lblProtocol(1)",
                    DeviceInfoText(m_objOPN2001->GetDeviceInfo(DeviceInfoProtocol)));
            const bool good =
                m_objOPN2001->GetDeviceInfo(DeviceInfoSystemStatus) == DeviceInfoValue(int32_t{0});
            SetText("lblBattery", GetText(good ? 108 : 109));
            SetPicture("picBattery", good ? "BatteryOK" : "BatteryLow");
        } else {
            trace::Detail("Device undetected or not connected...");
            for (const char* label :
                 {"lblDeviceID(1)", "lblSWVersion(1)", "lblProtocol(1)", "lblBattery"})
                SetText(label, "-");
            SetPicture("picBattery", "");
        }
        SizeControls();
    } catch (...) {
        m_blnLoadFailed = true;
        trace::Error("Error while opening form frmDeviceInfo: ");
    }
}

void frmDeviceInfo::InitTexts() {
    SetCaption(GetText(110));
    int id = 111;
    for (const char* row : kRows) SetText(Element(row, 0), GetText(id++) + ":");
    SetText("fraBattery", GetText(115));
    SetText("cmdOK", GetText(101));
}

void frmDeviceInfo::SizeControls() {
    const TextMetrics& metrics = *services_.metrics;
    int32_t captions = 0, values = 0;
    for (const char* row : kRows) {
        captions = std::max(captions, AutoSizeLabel(*this, metrics, Element(row, 0)));
        values = std::max(values, AutoSizeLabel(*this, metrics, Element(row, 1)));
    }
    AutoSizeLabel(*this, metrics, "lblBattery");

    const int32_t first = Ctl("lblScanner(0)").left;
    const int32_t valueLeft = first + captions + kMargin;
    for (const char* row : kRows) SetLeft(Element(row, 1), valueLeft);

    // The frame also holds the battery picture and text.
    const Control& text = Ctl("lblBattery");
    const int32_t frameWidth =
        std::max(valueLeft + values - first, text.left + text.width + kMargin);
    SetSize("fraBattery", frameWidth, Ctl("fraBattery").height);
    SetWidth(Width() - ScaleWidth() + frameWidth + 2 * kMargin);
    SetLeft("cmdOK", ScaleWidth() - Ctl("cmdOK").width - kMargin);
}

void frmDeviceInfo::Form_Activate() {
    if (m_blnLoadFailed) Unload();
}

void frmDeviceInfo::OnClick(const std::string& name) {
    if (name == "cmdOK") Unload();
}

}  // namespace quarnel::ui
