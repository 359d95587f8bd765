// SPDX-License-Identifier: MIT
#include "ui/frmOPN2001Settings.h"

#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modTexts.h"
#include "ui/FormLayout.h"

namespace quarnel::ui {

namespace {

constexpr const char* kClockLabels[] = {"lblDay",  "lblMonth",  "lblYear",
                                        "lblHour", "lblMinute", "lblSecond"};

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

DateTime AddSecond(DateTime value) {
    if (++value.second < 60) return value;
    value.second = 0;
    if (++value.minute < 60) return value;
    value.minute = 0;
    if (++value.hour < 24) return value;
    value.hour = 0;
    if (++value.day <= DaysInMonth(value.year, value.month)) return value;
    value.day = 1;
    if (++value.month <= 12) return value;
    value.month = 1;
    ++value.year;
    return value;
}

frmOPN2001Settings::frmOPN2001Settings(FormServices services)
    : Form("frmOPN2001Settings"), services_(std::move(services)) {
    CreateControls();
}

void frmOPN2001Settings::CreateControls() {
    using K = ControlKind;
    SetScaleSize(4695, 2445);
    AddImage("1", ":/dialogs/clock.svg");
    AddImage("2", ":/dialogs/clock-hot.svg");
    AddImage("3", ":/dialogs/clock-disabled.svg");

    Add(MakeControl("chkBeepOnScan", K::CheckBox, kMargin, kMargin, 4455, kLabelHeight));
    Add(MakeControl("picDateTime", K::PictureBox, kMargin, 480, 4455, 735));

    // The date as day-month-year, a gap, the time as hour:minute:second.
    struct Field {
        const char* name;
        const char* text;
        int32_t left;
        int32_t width;
    };
    const Field fields[] = {
        {"lblDay", "", 120, 375},
        {"lblSeparator(0)", "-", 495, 120},
        {"lblMonth", "", 615, 375},
        {"lblSeparator(1)", "-", 990, 120},
        {"lblYear", "", 1110, 600},
        {"lblHour", "", 1950, 375},
        {"lblSeparator(2)", ":", 2325, 120},
        {"lblMinute", "", 2445, 375},
        {"lblSeparator(3)", ":", 2820, 120},
        {"lblSecond", "", 2940, 375},
    };
    for (const auto& field : fields) {
        Control& label = Add(MakeControl(field.name, K::Label, field.left, 240, field.width,
                                         kLabelHeight, "picDateTime"));
        label.text = field.text;
        label.alignment = Alignment::Center;
    }
    Add(MakeControl("picSetDateTimeContainer", K::PictureBox, 3720, 60, 600, 600, "picDateTime"));
    Control& image =
        Add(MakeControl("imgSetDateTime", K::Image, 60, 60, 480, 480, "picSetDateTimeContainer"));
    image.picture = "1";
    image.tag = "1";
    image.toolTip = "Stel datum/tijd in";
    Control& timer = Add(MakeControl("tmrDateTime", K::Timer, 0, 0, 0, 0));
    timer.interval = 1000;
    timer.enabled = false;

    Add(MakeControl("cmdFactoryDefault", K::CommandButton, 2400, 1335, 2175, kButtonHeight));
    Add(MakeControl("cmdOK", K::CommandButton, 2145, 1950, kButtonWidth, kButtonHeight)).isDefault =
        true;
    Add(MakeControl("cmdCancel", K::CommandButton, 3420, 1950, kButtonWidth, kButtonHeight))
        .isCancel = true;
}

void frmOPN2001Settings::Form_Load() {
    m_blnLoadFailed = false;
    try {
        InitTexts();
        ReadScannerSettings();
        SizeControls();
    } catch (...) {
        m_blnLoadFailed = true;
        trace::Error("Error opening form frmOPN2001Settings: ");
    }
}

void frmOPN2001Settings::Form_Activate() {
    if (m_blnLoadFailed) Unload();
}

void frmOPN2001Settings::InitTexts() {
    SetCaption("OPN-2001 " + GetText(123));
    SetText("chkBeepOnScan", GetText(117));
    SetText("cmdFactoryDefault", GetText(118));
    SetText("cmdOK", GetText(101));
    SetText("cmdCancel", GetText(102));
}

void frmOPN2001Settings::ReadScannerSettings() {
    SetEnabled("tmrDateTime", false);
    if (!m_objOPN2001) RaiseError(ErrNo::ObjectNotSet);

    uint8_t beeper = 0;
    const bool beeperRead = m_objOPN2001->GetParam(kBeepOnScanParam, beeper);
    SetEnabled("chkBeepOnScan", beeperRead);
    if (beeperRead) SetValue("chkBeepOnScan", beeper != 0 ? 1 : 0);

    const bool clockRead = m_objOPN2001->GetDateTime(m_dtmDateTime);
    SetEnabled("imgSetDateTime", clockRead);
    ShowClockPicture(clockRead ? "1" : "3");
    if (clockRead) {
        ShowDateTime();
    } else {
        BlankDateTime();
    }
    SetEnabled("tmrDateTime", clockRead);
}

void frmOPN2001Settings::SizeControls() {
    const int32_t width = services_.metrics->TextWidth(Ctl("cmdFactoryDefault").text) + 240;
    SetSize("cmdFactoryDefault", width, Ctl("cmdFactoryDefault").height);
    SetLeft("cmdFactoryDefault", ScaleWidth() - width - kMargin);
}

void frmOPN2001Settings::ShowDateTime() {
    SetText("lblDay", std::to_string(m_dtmDateTime.day));
    SetText("lblMonth", std::to_string(m_dtmDateTime.month));
    SetText("lblYear", std::to_string(m_dtmDateTime.year));
    SetText("lblHour", std::to_string(m_dtmDateTime.hour));
    SetText("lblMinute", Pad(m_dtmDateTime.minute, 2));
    SetText("lblSecond", Pad(m_dtmDateTime.second, 2));
}

void frmOPN2001Settings::BlankDateTime() {
    for (const char* label : kClockLabels) SetText(label, "");
}

void frmOPN2001Settings::ShowClockPicture(const std::string& number) {
    SetTag("imgSetDateTime", number);
    SetPicture("imgSetDateTime", number);
}

bool frmOPN2001Settings::ScannerAvailable() const {
    return m_objOPN2001 && m_objOPN2001->Connected();
}

void frmOPN2001Settings::OnClick(const std::string& name) {
    if (name == "cmdOK") {
        cmdOK_Click();
    } else if (name == "cmdCancel") {
        Unload();
    } else if (name == "cmdFactoryDefault") {
        cmdFactoryDefault_Click();
    } else if (name == "imgSetDateTime") {
        imgSetDateTime_Click();
    }
}

void frmOPN2001Settings::OnMouseMove(const std::string& name, const MouseArgs&) {
    const Control& image = Ctl("imgSetDateTime");
    if (!image.enabled) return;
    if (name == "imgSetDateTime" && image.tag != "2") {
        ShowClockPicture("2");
    } else if (name == "picDateTime" && image.tag != "1") {
        ShowClockPicture("1");
    }
}

void frmOPN2001Settings::OnTimer(const std::string& name) {
    if (name == "tmrDateTime") tmrDateTime_Timer();
}

void frmOPN2001Settings::tmrDateTime_Timer() {
    if (Ctl("imgSetDateTime").enabled) {
        m_dtmDateTime = AddSecond(m_dtmDateTime);
        ShowDateTime();
    } else {
        SetEnabled("tmrDateTime", false);
    }
}

void frmOPN2001Settings::imgSetDateTime_Click() {
    if (!Ctl("imgSetDateTime").enabled) return;
    SetEnabled("tmrDateTime", false);
    m_dtmDateTime = services_.clock();
    SetEnabled("tmrDateTime", true);
    ShowDateTime();
}

void frmOPN2001Settings::cmdFactoryDefault_Click() {
    try {
        if (!ScannerAvailable()) {
            services_.desktop->MsgBox(GetText(116), platform::vbOKOnly | platform::vbExclamation);
            return;
        }
        services_.desktop->SetBusyPointer(true);
        m_objOPN2001->SetDefaults();
        ReadScannerSettings();
        services_.desktop->SetBusyPointer(false);
    } catch (...) {
        trace::Error("Error restoring OPN2001 factory defaults: ");
        services_.desktop->SetBusyPointer(false);
        Unload();
    }
}

void frmOPN2001Settings::cmdOK_Click() {
    try {
        if (!ScannerAvailable()) {
            services_.desktop->MsgBox(GetText(116), platform::vbOKOnly | platform::vbExclamation);
            return;
        }
        if (!ApplySettings())
            services_.desktop->MsgBox(GetText(173), platform::vbOKOnly | platform::vbExclamation);
    } catch (...) {
        trace::Error("Error saving OPN2001 settings: ");
    }
    Unload();
}

bool frmOPN2001Settings::ApplySettings() {
    bool result = false;
    const Control& beeper = Ctl("chkBeepOnScan");
    if (beeper.enabled)
        result = m_objOPN2001->SetParam(kBeepOnScanParam, beeper.value != 0 ? 1 : 0);
    if (Ctl("imgSetDateTime").enabled) {
        const bool clockSet = m_objOPN2001->SetDateTime(m_dtmDateTime);
        result = result && clockSet;
    }
    return result;
}

}  // namespace quarnel::ui
